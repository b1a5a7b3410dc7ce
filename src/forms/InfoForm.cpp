#include "forms/InfoForm.h"

namespace tavik {

void InfoForm::showMessage(const std::string& text) {
    if (!loaded_) {
        view_.loadWindow();
        loaded_ = true;
        Form_Load();
    }
    view_.showText(text);
    view_.showWindow();
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
