#pragma once
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Processes.h"
#include "platform/ProgramEnvironment.h"
#include "settings/RwModul.h"
#include "state/FormState.h"
#include "state/TavikGlobal.h"

namespace tavik {

// What the windows reach the rest of the program through.
struct FormContext {
    TavikGlobal& g;
    FormState& form;
    RwModul& rw;
    Dialogs& dialogs;
    Processes& processes;
    const ProgramEnvironment& environment;
    const Clock& clock;
};

}  // namespace tavik
