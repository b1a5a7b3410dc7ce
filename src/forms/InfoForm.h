#pragma once
#include <chrono>
#include <functional>
#include <string>

#include "state/TavikGlobal.h"

namespace tavik {

// The info window as it looks to its behaviour. The window is made by
// loadWindow and gone after closeWindow.
class InfoView {
public:
    virtual ~InfoView() = default;
    // False when the window could not be made; it then says why itself.
    virtual bool loadWindow() = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void makeTopmost() = 0;
    virtual void showText(const std::string& text) = 0;
    // Shows the window without waiting for it.
    virtual void showWindow() = 0;
    // One timer: fires Timer1_Timer once after `after`, unless stopped.
    virtual void startCloseTimer(std::chrono::milliseconds after) = 0;
    virtual void stopCloseTimer() = 0;
    virtual void closeWindow() = 0;
};

// The info and warning window, the program's one instance of it: floats
// above all windows, blocks nothing and closes itself a fixed time after it
// was loaded. A message while it is open only replaces the text and does not
// restart the count. "Setup" closes it and then opens the settings.
class InfoForm {
public:
    static constexpr std::chrono::milliseconds kLifetime{10000};

    // The caption names the profile `g.Profil` holds when the window loads.
    InfoForm(InfoView& view, const TavikGlobal& g, std::chrono::milliseconds lifetime = kLifetime)
        : view_(view), g_(g), lifetime_(lifetime) {}

    // What "Setup" runs after the window has closed (the tray menu's Setup).
    void setSetupAction(std::function<void()> action) { setupAction_ = std::move(action); }

    // Loads the window if it is not open, puts the text in and shows it.
    // False when there is no window to show it in: the caller then has to
    // bring the message to the user some other way.
    bool showMessage(const std::string& text);
    bool loaded() const { return loaded_; }

    void Timer1_Timer();
    void quit_button_Click();
    void SetUP_Button_Click();
    // The window was closed some other way (its close box).
    void windowClosed() { loaded_ = false; }

private:
    void Form_Load();
    void unload();

    InfoView& view_;
    const TavikGlobal& g_;
    std::chrono::milliseconds lifetime_;
    std::function<void()> setupAction_;
    bool loaded_ = false;
};

}  // namespace tavik
