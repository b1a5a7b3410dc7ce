#include "ui_win32/Win32Tray.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/win32/WindowOwner.h"
#include "platform/win32/WideText.h"
#include "text/TextCase.h"
#include "ui_win32/TrayResources.h"
#include "ui_win32/Win32WindowIds.h"

namespace tavik {
namespace {

constexpr const wchar_t* kWindowClass = L"Tavik6Tray";
constexpr UINT kIconId = 1;  // the program has exactly one icon
constexpr UINT kFirstCommand = 1;
constexpr int kMenuPictureSize = 16;
constexpr int kStates[] = {0, 1, 2, 3, 4, 8, 9, 10};

// Copies as much of `text` as fits, NUL included, never half a surrogate pair.
template <std::size_t N>
void copyField(wchar_t (&field)[N], const std::wstring& text) {
    std::size_t length = std::min(text.size(), N - 1);
    if (length > 0 && length < text.size() && IS_HIGH_SURROGATE(text[length - 1])) --length;
    std::copy_n(text.data(), length, field);
    field[length] = L'\0';
}

// The menu picture on the menu's own background, as the bitmap beside an entry.
HBITMAP menuBitmap(HICON icon) {
    if (!icon) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kMenuPictureSize, kMenuPictureSize);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const RECT all{0, 0, kMenuPictureSize, kMenuPictureSize};
    FillRect(memory, &all, GetSysColorBrush(COLOR_MENU));
    DrawIconEx(memory, 0, 0, icon, kMenuPictureSize, kMenuPictureSize, 0, nullptr, DI_NORMAL);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

}  // namespace

Win32Tray::Win32Tray(TrayMenuActions actions, HWND exitWindow) : actions_(std::move(actions)), exitWindow_(exitWindow) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &Win32Tray::windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    // Never shown; it only receives the icon's and Explorer's messages.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, L"Tavik6", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance, this);
    if (!window_) return;
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    const int size = GetSystemMetrics(SM_CXSMICON);
    for (int state : kStates) {
        stateIcons_[state] = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_STATE + state), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    }
    buildMenu();
}

Win32Tray::~Win32Tray() {
    remove();
    if (menu_) DestroyMenu(menu_);
    for (HBITMAP bitmap : menuBitmaps_) DeleteObject(bitmap);
    for (auto& [state, icon] : stateIcons_) {
        if (icon) DestroyIcon(icon);
    }
    if (window_) DestroyWindow(window_);
}

void Win32Tray::buildMenu() {
    menu_ = CreatePopupMenu();
    if (!menu_) return;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    UINT command = kFirstCommand;
    for (const TrayMenuItem& item : kTrayMenu) {
        if (!item.entry) {
            AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
            ++command;
            continue;
        }
        AppendMenuW(menu_, MF_STRING, command, toWide(item.caption).c_str());
        HICON icon = static_cast<HICON>(LoadImageW(instance,
                                                   MAKEINTRESOURCEW(IDI_MENU_BASE + static_cast<int>(*item.entry)),
                                                   IMAGE_ICON, kMenuPictureSize, kMenuPictureSize, LR_DEFAULTCOLOR));
        if (HBITMAP bitmap = menuBitmap(icon)) {
            menuBitmaps_.push_back(bitmap);
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_BITMAP;
            info.hbmpItem = bitmap;
            SetMenuItemInfoW(menu_, command, FALSE, &info);
        }
        if (icon) DestroyIcon(icon);
        ++command;
    }
}

std::wstring Win32Tray::tooltipText(const std::string& tooltip) {
    return toWide(firstCharacters(tooltip, kTooltipCharacters));
}

void Win32Tray::notify(DWORD operation) {
    if (!window_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    if (operation != NIM_DELETE) {
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = kCallbackMessage;
        const auto icon = stateIcons_.find(state_);
        data.hIcon = icon != stateIcons_.end() ? icon->second : nullptr;
        copyField(data.szTip, tooltip_);
    }
    // Results are not examined: an icon that could not be added comes back
    // with the next "TaskbarCreated".
    Shell_NotifyIconW(operation, &data);
}

void Win32Tray::add(int state, const std::string& tooltip) {
    state_ = state;
    tooltip_ = tooltipText(tooltip);
    added_ = true;
    notify(NIM_ADD);
}

void Win32Tray::change(int state, const std::string& tooltip) {
    state_ = state;
    tooltip_ = tooltipText(tooltip);
    if (added_) notify(NIM_MODIFY);
}

void Win32Tray::remove() {
    if (menuOpen_) EndMenu();
    if (!added_) return;
    added_ = false;
    notify(NIM_DELETE);
}

void Win32Tray::hookMenu() { hooked_ = true; }

void Win32Tray::unhookMenu() { hooked_ = false; }

void Win32Tray::setExitEntryEnabled(bool enabled) {
    if (!menu_) return;
    EnableMenuItem(menu_, static_cast<UINT>(kTrayMenu.size() - 1), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Win32Tray::showNotice(const std::string& title, const std::string& text) {
    if (!window_ || !added_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_WARNING;
    copyField(data.szInfoTitle, toWide(title));
    std::wstring wide = toWide(text);
    std::replace(wide.begin(), wide.end(), L'\r', L'\n');
    copyField(data.szInfo, wide);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void Win32Tray::openMenu() {
    if (!menu_ || menuOpen_) return;
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close on a click elsewhere.
    SetForegroundWindow(window_);
    menuOpen_ = true;
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
    menuOpen_ = false;
    PostMessageW(window_, WM_NULL, 0, 0);
    // The chosen entry runs after the menu has closed, before this returns.
    if (command < kFirstCommand || command >= kFirstCommand + kTrayMenu.size()) return;
    const TrayMenuItem& item = kTrayMenu[command - kFirstCommand];
    if (!item.entry) return;
    const auto& action = actions_.of(*item.entry);
    if (action) action();
}

LRESULT CALLBACK Win32Tray::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return forwardToOwner(window, message, wParam, lParam, &Win32Tray::handle);
}

LRESULT Win32Tray::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCallbackMessage) {
        if (!hooked_) return 0;
        const UINT mouse = LOWORD(lParam);
        const TrayMouse what = mouse == WM_RBUTTONDOWN     ? TrayMouse::RightPress
                               : mouse == WM_LBUTTONDBLCLK ? TrayMouse::LeftDoubleClick
                                                           : TrayMouse::Other;
        if (opensPopupMenu(what)) openMenu();
        return 0;
    }
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        // Explorer started again with an empty notification area.
        if (added_) notify(NIM_ADD);
        return 0;
    }
    if (message == WM_CLOSE) {
        // Closing the program's window means ending the program, through the
        // loop's ordinary exit.
        if (exitWindow_) PostMessageW(exitWindow_, WM_CLOSE, 0, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tavik
