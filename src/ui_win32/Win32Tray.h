#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "forms/TrayMenu.h"
#include "platform/Tray.h"
#include "state/FormState.h"

namespace tavik {

// The icon in the Windows notification area (Shell_NotifyIconW) and its popup
// menu `menu_popup`. The icon's mouse messages go to a hidden top-level
// window of its own: Explorer announces a restart ("TaskbarCreated") by
// broadcast, which a message-only window never hears, and the icon is then
// added again.
class Win32Tray : public Tray {
public:
    // The mouse messages of the icon arrive with this message number.
    static constexpr UINT kCallbackMessage = WM_USER + 1;
    static constexpr std::size_t kTooltipCharacters = 63;

    // `exitWindow` gets WM_CLOSE when someone asks the tray's window to close.
    Win32Tray(TrayMenuActions actions, HWND exitWindow);
    ~Win32Tray() override;
    Win32Tray(const Win32Tray&) = delete;
    Win32Tray& operator=(const Win32Tray&) = delete;

    // False when its window could not be made (no desktop).
    bool ready() const { return window_ != nullptr; }

    void add(int state, const std::string& tooltip) override;
    void change(int state, const std::string& tooltip) override;
    void remove() override;
    void hookMenu() override;
    void unhookMenu() override;
    void setExitEntryEnabled(bool enabled) override;
    void showStatusPicture(bool) override {}  // the main form is never shown on Windows
    bool showsPictures() const override { return true; }

    // A short notice beside the icon, for messages nobody has to answer.
    void showNotice(const std::string& title, const std::string& text);

    // The at most 63 characters the notification area shows, as UTF-16;
    // a character outside the basic plane stays whole.
    static std::wstring tooltipText(const std::string& tooltip);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void notify(DWORD operation);
    void openMenu();
    void buildMenu();

    TrayMenuActions actions_;
    HWND exitWindow_;
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    UINT taskbarCreated_ = 0;
    std::map<int, HICON> stateIcons_;
    std::vector<HBITMAP> menuBitmaps_;
    bool added_ = false;
    bool hooked_ = false;
    bool menuOpen_ = false;
    int state_ = kIconInformation;
    std::wstring tooltip_;
};

}  // namespace tavik
