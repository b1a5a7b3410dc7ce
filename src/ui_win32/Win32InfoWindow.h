#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "forms/InfoForm.h"

namespace tavik {

// The info and warning window on Win32, the program's one instance of it: a
// dialog that blocks nothing, floats above all windows and closes itself
// through a Win32 timer that InfoForm starts. The message boxes' adapter
// hands its showInfo here.
class Win32InfoWindow : private InfoView {
public:
    explicit Win32InfoWindow(const TavikGlobal& g, std::chrono::milliseconds lifetime = InfoForm::kLifetime);
    ~Win32InfoWindow() override;
    Win32InfoWindow(const Win32InfoWindow&) = delete;
    Win32InfoWindow& operator=(const Win32InfoWindow&) = delete;

    // False when the window could not be made; the text was then not shown.
    bool showMessage(const std::string& text) { return form_.showMessage(text); }
    // What "Setup" runs once the window has closed.
    void setSetupAction(std::function<void()> action) { form_.setSetupAction(std::move(action)); }
    // The open window, or null.
    HWND window() const { return window_; }
    bool loaded() const { return form_.loaded(); }

    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    bool loadWindow() override;
    void setCaption(const std::string& caption) override;
    void makeTopmost() override;
    void showText(const std::string& text) override;
    void showWindow() override;
    void startCloseTimer(std::chrono::milliseconds after) override;
    void stopCloseTimer() override;
    void closeWindow() override;
    void fitText();

    InfoForm form_;
    HWND window_ = nullptr;
};

}  // namespace tavik
