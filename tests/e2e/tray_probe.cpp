// Plays the user at Tavik6.exe's tray icon for the desktop test, from a
// process of its own on the same Wine desktop:
//   tray_probe icon     exit 0 when the program's icon is in the notification area
//   tray_probe menu     presses the right button on the icon; exit 0 once the popup menu is open
//   tray_probe last     picks the menu's last entry with the keyboard (Up, Enter)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kTrayCallback = WM_USER + 1;  // the message the program gave the shell

HWND trayWindow() { return FindWindowW(L"Tavik6Tray", nullptr); }

HWND openMenu() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// The shell answers a change of an icon it does not hold with failure.
bool iconShown(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

template <typename Check>
bool waitFor(Check check) {
    for (int i = 0; i < 100; ++i) {
        if (check()) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const HWND window = trayWindow();
    if (!window) {
        std::fputs("tray_probe: no tray window\n", stderr);
        return 1;
    }
    if (std::strcmp(argv[1], "icon") == 0) return iconShown(window) ? 0 : 1;
    if (std::strcmp(argv[1], "menu") == 0) {
        PostMessageW(window, kTrayCallback, 1, WM_RBUTTONDOWN);
        return waitFor([] { return openMenu() != nullptr; }) ? 0 : 1;
    }
    if (std::strcmp(argv[1], "last") == 0) {
        const HWND menu = openMenu();
        if (!menu) return 1;
        PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        return waitFor([] { return openMenu() == nullptr; }) ? 0 : 1;
    }
    return 2;
}
