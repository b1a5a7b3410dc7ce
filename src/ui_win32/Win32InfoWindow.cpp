#include "ui_win32/Win32InfoWindow.h"

#include <algorithm>
#include <iostream>

#include "ui_win32/Win32WindowIds.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {
namespace {

constexpr UINT_PTR kCloseTimer = 1;

}  // namespace

Win32InfoWindow::Win32InfoWindow(const TavikGlobal& g, std::chrono::milliseconds lifetime)
    : form_(*this, g, lifetime) {}

Win32InfoWindow::~Win32InfoWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool Win32InfoWindow::loadWindow() {
    window_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INFO), nullptr,
                                 &win32window::dialogProcedure<Win32InfoWindow>, reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr)
        std::cerr << "Tavik6: Das Infofenster konnte nicht geöffnet werden (" << systemErrorText(GetLastError())
                  << ")." << std::endl;
    return window_ != nullptr;
}

INT_PTR Win32InfoWindow::handle(HWND, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_TIMER:
            if (wParam != kCloseTimer) return FALSE;
            form_.Timer1_Timer();
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_INFO_QUIT: form_.quit_button_Click(); break;
                case IDC_INFO_SETUP: form_.SetUP_Button_Click(); break;
                // The close box or Escape close it like Quit.
                case IDCANCEL: form_.quit_button_Click(); break;
                default: break;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32InfoWindow::setCaption(const std::string& caption) {
    if (window_ != nullptr) SetWindowTextW(window_, toWide(caption).c_str());
}

void Win32InfoWindow::makeTopmost() {
    if (window_ != nullptr) win32window::makeTopmost(window_);
}

// The form shows text only in a window it loaded.
void Win32InfoWindow::showText(const std::string& text) {
    if (window_ == nullptr) return;
    win32window::setText(window_, IDC_INFO_TEXT, text);
    fitText();
}

// Each line of the message on one line of the window, as it was written;
// only a line wider than half the screen wraps. The window never shrinks
// below its designed size.
void Win32InfoWindow::fitText() {
    const HWND label = GetDlgItem(window_, IDC_INFO_TEXT);
    RECT designed{6, 6, 146, 50};
    MapDialogRect(window_, &designed);
    const int minWidth = designed.right - designed.left;
    const int minHeight = designed.bottom - designed.top;
    const int maxWidth = std::max(minWidth, GetSystemMetrics(SM_CXSCREEN) / 2);

    const std::wstring text = win32window::windowText(label);
    const HDC dc = GetDC(label);
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, maxWidth, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, oldFont);
    ReleaseDC(label, dc);
    const int width = std::clamp(static_cast<int>(needed.right - needed.left) + 2, minWidth, maxWidth);
    // A message of many lines is cut off rather than pushing the buttons off the screen.
    const int height = std::clamp(static_cast<int>(needed.bottom - needed.top) + 2, minHeight,
                                  std::max(minHeight, GetSystemMetrics(SM_CYSCREEN) * 2 / 3));
    SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);

    // The buttons stay at the right of the text.
    RECT gap{0, 0, 6, 6};
    MapDialogRect(window_, &gap);
    int buttonWidth = 0;
    for (const int id : {IDC_INFO_QUIT, IDC_INFO_SETUP}) {
        const HWND button = GetDlgItem(window_, id);
        RECT place{};
        GetWindowRect(button, &place);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
        buttonWidth = place.right - place.left;
        SetWindowPos(button, nullptr, designed.left + width + gap.right, place.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT client{0, 0, designed.left + width + 2 * gap.right + buttonWidth, designed.top + height + gap.bottom};
    AdjustWindowRectEx(&client, static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)));
    SetWindowPos(window_, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shown without taking the focus from what the user is doing.
void Win32InfoWindow::showWindow() {
    if (window_ != nullptr) ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void Win32InfoWindow::startCloseTimer(std::chrono::milliseconds after) {
    if (window_ != nullptr) SetTimer(window_, kCloseTimer, static_cast<UINT>(std::max<long long>(after.count(), 1)), nullptr);
}

void Win32InfoWindow::stopCloseTimer() {
    if (window_ != nullptr) KillTimer(window_, kCloseTimer);
}

void Win32InfoWindow::closeWindow() {
    if (window_ == nullptr) return;
    const HWND closing = window_;
    window_ = nullptr;
    KillTimer(closing, kCloseTimer);
    DestroyWindow(closing);
}

}  // namespace tavik
