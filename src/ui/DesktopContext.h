#pragma once
#include "forms/FormContext.h"

namespace tavik {

// What the desktop windows reach the rest of the program through: the same
// as the platform-free behaviour of the windows.
using DesktopContext = FormContext;

}  // namespace tavik
