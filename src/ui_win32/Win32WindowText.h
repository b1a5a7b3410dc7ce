// Small helpers the program's Win32 windows share: texts in and out of
// controls, and the dialog procedure that hands messages to a C++ object.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/WideText.h"
#include "ui_win32/Win32WindowIds.h"

namespace tavik::win32window {

// The program's messages break lines with a single CR; a Win32 text control
// needs CR LF.
inline std::wstring controlText(const std::string& utf8) {
    std::string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '\r' || c == '\n') {
            text += "\r\n";
            if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        } else {
            text += c;
        }
    }
    return toWide(text);
}

inline void setText(HWND window, int id, const std::string& utf8) {
    SetDlgItemTextW(window, id, controlText(utf8).c_str());
}

// The text a window or control shows, as it is there.
inline std::wstring windowText(HWND window) {
    if (window == nullptr) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

inline std::string itemText(HWND window, int id) { return fromWide(windowText(GetDlgItem(window, id))); }

inline void makeTopmost(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The tray pictures a window shows, loaded from the program's resources at
// the size it needs; they go with the window object.
class Pictures {
public:
    Pictures() = default;
    Pictures(const Pictures&) = delete;
    Pictures& operator=(const Pictures&) = delete;
    ~Pictures() {
        for (HICON icon : icons_) DestroyIcon(icon);
    }
    // Puts the picture of tray state `state` into the picture control `item`.
    void show(HWND item, int state, int size) {
        const auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_STATE + state),
                                                        IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        if (icon == nullptr || item == nullptr) return;
        icons_.push_back(icon);
        SendMessageW(item, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }

private:
    std::vector<HICON> icons_;
};

// The dialog procedure of a window object: the object comes with
// WM_INITDIALOG and is kept in the window's user data.
template <class Window>
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return FALSE;
    return self->handle(window, message, wParam, lParam);
}

// Shows a dialog template modally; false when the window could not be made.
template <class Window>
bool runModal(Window& self, int templateId, HWND owner) {
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner,
                                           &dialogProcedure<Window>, reinterpret_cast<LPARAM>(&self));
    return result != -1;
}

}  // namespace tavik::win32window
