#pragma once
#include <string>

#include "state/TavikGlobal.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "settings/RwModul.h"

namespace tavik {

// The first-start wizard: customer number, password and kind of connection,
// stored in the profile's section; "Install" marks the profile as set up.
class SetupWizard {
public:
    SetupWizard(TavikGlobal& g, RwModul& rw, Dialogs& dialogs, const Clock& clock);

    // True when the profile has not been set up ("Install" empty or absent).
    bool isFirstStart();
    // Runs the three steps; a cancellation keeps what earlier steps stored.
    void run();

private:
    // Shows one step of the question window; false when it was cancelled.
    bool ask(const QuestionStep& step);

    TavikGlobal& g_;
    RwModul& rw_;
    Dialogs& dialogs_;
    const Clock& clock_;
};

}  // namespace tavik
