#pragma once
#include <functional>

#include "state/FormState.h"
#include "state/TavikGlobal.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Processes.h"
#include "platform/ProgramEnvironment.h"
#include "settings/RwModul.h"

namespace tavik {

// What the desktop windows reach the rest of the program through.
struct DesktopContext {
    TavikGlobal& g;
    FormState& form;
    RwModul& rw;
    Dialogs& dialogs;
    Processes& processes;
    const ProgramEnvironment& environment;
    const Clock& clock;
};

}  // namespace tavik
