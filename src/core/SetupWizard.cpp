#include "core/SetupWizard.h"

#include <cmath>

#include "core/SetupWizardTexts.h"
#include "settings/ValueNames.h"
#include "text/DateFormat.h"
#include "text/TextCase.h"
#include "text/Val.h"

namespace tavik {

SetupWizard::SetupWizard(TavikGlobal& g, RwModul& rw, Dialogs& dialogs, const Clock& clock)
    : g_(g), rw_(rw), dialogs_(dialogs), clock_(clock) {}

bool SetupWizard::isFirstStart() { return rw_.read(g_.Profil, valueName::Install).empty(); }

bool SetupWizard::ask(const QuestionStep& step) {
    // Closing the window without its buttons cancels, as Abbrechen does: the
    // previous step's answer must not stand in (it would store the customer
    // number as the password).
    g_.DialogAntwort = dialogs_.askQuestion(step).value_or(kCancelAnswer);
    return g_.DialogAntwort != kCancelAnswer;
}

void SetupWizard::run() {
    using namespace wizardText;
    dialogs_.messageBox(kWelcome, kProgramTitle, MessageIcon::Information);

    bool completed = false;
    if (ask({kCaption, kStep1, kQuestion1, {}, ""})) {
        rw_.write(g_.Profil, valueName::User, toLowerText(g_.DialogAntwort));
        if (ask({kCaption, kStep2, kQuestion2, {}, "", true})) {
            rw_.write(g_.Profil, valueName::Passwort, toLowerText(g_.DialogAntwort));
            if (ask({kCaption, kStep3, kQuestion3, {kChoiceDirect, kChoiceIndirect}, kChoiceDirect})) {
                // The leading number of the answer minus one: "1) ..." stores "0",
                // "2) ..." stores "1", a word stores "-1".
                const auto choice = std::llround(Val(g_.DialogAntwort) - 1);
                rw_.write(g_.Profil, valueName::Proxyserver, std::to_string(choice));
                completed = true;
            }
        }
    }

    if (!completed) {
        dialogs_.messageBox(kCancelled, kProgramTitle, MessageIcon::Information);
        return;
    }
    dialogs_.messageBox(kDone, kProgramTitle, MessageIcon::Information);
    rw_.write(g_.Profil, valueName::Install, formatDate(clock_.now()));
}

}  // namespace tavik
