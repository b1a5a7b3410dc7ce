#include "forms/InfoForm.h"

namespace tavik {

InfoForm::InfoForm(InfoView& view, std::string profil, std::function<void()> setupAction,
                   std::chrono::milliseconds lifetime)
    : view_(view), profil_(std::move(profil)), setupAction_(std::move(setupAction)), lifetime_(lifetime) {}

// The time counts from loading, not from the latest text.
void InfoForm::Form_Load() {
    view_.setCaption("Tavik - Warnung  [" + profil_ + "]");
    view_.makeTopmost();
    view_.startCloseTimer(lifetime_);
}

void InfoForm::setText(const std::string& text) { view_.showText(text); }

void InfoForm::Timer1_Timer() { view_.closeWindow(); }

void InfoForm::quit_button_Click() { view_.closeWindow(); }

// The window goes first, so it does not float above the settings. The view
// may be gone once it is closed, so the action is taken out before.
void InfoForm::SetUP_Button_Click() {
    const auto action = setupAction_;
    view_.stopCloseTimer();
    view_.closeWindow();
    if (action) action();
}

}  // namespace tavik
