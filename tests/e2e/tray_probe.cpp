// Plays the user at Tavik6.exe's tray icon for the desktop test, from a
// process of its own on the same Wine desktop:
//   tray_probe icon     exit 0 when the program's icon is in the notification area
//   tray_probe menu     presses the right button on the icon; exit 0 once the popup menu is open
//   tray_probe last     picks the menu's last entry with the keyboard (Up, Enter)
//   tray_probe key C    picks the entry whose underlined letter is C
//   tray_probe window T exit 0 once a window whose title holds T shows; it is then closed
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

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

struct TitleSearch {
    const std::wstring& part;
    HWND found = nullptr;
};

// A named function: a lambda has the wrong calling convention for it in the
// 32-bit build.
BOOL CALLBACK takeWindowWithTitle(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<TitleSearch*>(data);
    wchar_t title[256] = {};
    if (IsWindowVisible(window) && GetWindowTextW(window, title, 256) > 0 &&
        std::wstring(title).find(search.part) != std::wstring::npos) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this desktop whose title holds `part`.
HWND windowWithTitle(const std::wstring& part) {
    TitleSearch search{part};
    EnumWindows(takeWindowWithTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring wide(const char* text) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(size > 0 ? static_cast<std::size_t>(size) : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), size);
    out.resize(out.size() - 1);
    return out;
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
    if (argc == 3 && std::strcmp(argv[1], "window") == 0) {
        const std::wstring part = wide(argv[2]);
        HWND shown = nullptr;
        if (!waitFor([&] { return (shown = windowWithTitle(part)) != nullptr; })) return 1;
        PostMessageW(shown, WM_CLOSE, 0, 0);
        return waitFor([&] { return !IsWindow(shown) || !IsWindowVisible(shown); }) ? 0 : 1;
    }
    if (argc != 2 && !(argc == 3 && std::strcmp(argv[1], "key") == 0)) return 2;
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
    if (std::strcmp(argv[1], "key") == 0) {
        const HWND menu = openMenu();
        if (!menu) return 1;
        PostMessageW(menu, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(argv[2][0])), 0);
        return waitFor([] { return openMenu() == nullptr; }) ? 0 : 1;
    }
    return 2;
}
