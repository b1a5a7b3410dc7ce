#include "forms/InfoForm.h"

namespace tavik {

bool InfoForm::showMessage(const std::string& text) {
    if (!loaded_) {
        // Without a window there is no close timer either: the form stays
        // unloaded, so the next message tries again.
        if (!view_.loadWindow()) return false;
        loaded_ = true;
        Form_Load();
    }
    view_.showText(text);
    view_.showWindow();
    return true;
}

// The time counts from loading, not from the latest text.
void InfoForm::Form_Load() {
    view_.setCaption("Tavik - Warnung  [" + g_.Profil + "]");
    view_.makeTopmost();
    view_.startCloseTimer(lifetime_);
}

void InfoForm::unload() {
    if (!loaded_) return;
    loaded_ = false;
    view_.stopCloseTimer();
    view_.closeWindow();
}

void InfoForm::Timer1_Timer() { unload(); }

void InfoForm::quit_button_Click() { unload(); }

// The window goes first, so it does not float above the settings; a message
// that comes while the settings are open gets a window of its own.
void InfoForm::SetUP_Button_Click() {
    unload();
    if (setupAction_) setupAction_();
}

}  // namespace tavik
