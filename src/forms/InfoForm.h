#pragma once
#include <chrono>
#include <functional>
#include <string>

namespace tavik {

// The info window as it looks to its behaviour.
class InfoView {
public:
    virtual ~InfoView() = default;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void makeTopmost() = 0;
    virtual void showText(const std::string& text) = 0;
    // One timer: fires once after `after`, unless stopped.
    virtual void startCloseTimer(std::chrono::milliseconds after) = 0;
    virtual void stopCloseTimer() = 0;
    virtual void closeWindow() = 0;
};

// The info and warning window: floats above all windows, blocks nothing and
// closes itself a fixed time after it was loaded; a later text only replaces
// the first and does not restart the count. "Setup" closes it and then opens
// the settings.
class InfoForm {
public:
    static constexpr std::chrono::milliseconds kLifetime{10000};

    InfoForm(InfoView& view, std::string profil, std::function<void()> setupAction,
             std::chrono::milliseconds lifetime = kLifetime);

    void Form_Load();
    void setText(const std::string& text);

    void Timer1_Timer();
    void quit_button_Click();
    void SetUP_Button_Click();

private:
    InfoView& view_;
    std::string profil_;
    std::function<void()> setupAction_;
    std::chrono::milliseconds lifetime_;
};

}  // namespace tavik
