#include "platform/headless/NullTray.h"
