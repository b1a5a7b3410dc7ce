#include "ui_win32/Win32SmallWindows.h"

#include <algorithm>

#include "state/FormState.h"
#include "ui_win32/Win32WindowIds.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {
namespace {

// The legend's rows in pixels, as the desktop version spaces them.
constexpr int kPictureSize = 32;
constexpr int kMargin = 12;
constexpr int kRowSpacing = 8;
constexpr int kColumnSpacing = 12;

HWND makeStatic(HWND window, int id, DWORD style, const std::wstring& text) {
    const HWND item = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 1, 1, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                      nullptr);
    if (item != nullptr) SendMessageW(item, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
    return item;
}

}  // namespace

// --- legend -----------------------------------------------------------------

bool Win32LegendWindow::run(HWND owner) { return win32window::runModal(*this, IDD_LEGENDE, owner); }

INT_PTR Win32LegendWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            window_ = window;
            form_.Form_Load();
            fitRows();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDM_LEGENDE_QUIT) form_.menu_quit_Click();
            else if (LOWORD(wParam) == IDCANCEL) EndDialog(window, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32LegendWindow::setCaption(const std::string& caption) { SetWindowTextW(window_, toWide(caption).c_str()); }

// Each row: the picture, and its text beside it (numbered from
// IDC_LEGENDE_ROW); the places follow in fitRows.
void Win32LegendWindow::addRow(int state, const std::string& text) {
    const HWND picture = makeStatic(window_, IDC_LEGENDE_PICTURE + rows_, SS_ICON | SS_CENTERIMAGE, L"");
    pictures_.show(picture, state, kPictureSize);
    makeStatic(window_, IDC_LEGENDE_ROW + rows_, SS_LEFT | SS_NOPREFIX, win32window::controlText(text));
    ++rows_;
}

// Each text as wide as it is, beside its picture; the window as large as its rows.
void Win32LegendWindow::fitRows() {
    const HDC dc = GetDC(window_);
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0)));
    const int pitch = kPictureSize + kRowSpacing;
    const int textLeft = kMargin + kPictureSize + kColumnSpacing;
    int widest = 0;
    for (int i = 0; i < rows_; ++i) {
        const HWND label = GetDlgItem(window_, IDC_LEGENDE_ROW + i);
        const std::wstring text = win32window::windowText(label);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        const int top = kMargin + i * pitch;
        SetWindowPos(GetDlgItem(window_, IDC_LEGENDE_PICTURE + i), nullptr, kMargin, top, kPictureSize, kPictureSize,
                     SWP_NOZORDER);
        SetWindowPos(label, nullptr, textLeft, top + (kPictureSize - size.cy) / 2, size.cx + 2, size.cy, SWP_NOZORDER);
        widest = std::max(widest, static_cast<int>(size.cx) + 2);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(window_, dc);

    // The frame, caption and menu stay as they are; the inside fits the rows.
    RECT outer{};
    RECT inner{};
    GetWindowRect(window_, &outer);
    GetClientRect(window_, &inner);
    const int frameWidth = (outer.right - outer.left) - inner.right;
    const int frameHeight = (outer.bottom - outer.top) - inner.bottom;
    SetWindowPos(window_, nullptr, 0, 0, frameWidth + textLeft + widest + kMargin,
                 frameHeight + 2 * kMargin + rows_ * pitch - kRowSpacing, SWP_NOMOVE | SWP_NOZORDER);
}

void Win32LegendWindow::closeWindow() { EndDialog(window_, 0); }

// --- help -------------------------------------------------------------------

bool Win32HelpWindow::run(HWND owner) { return win32window::runModal(*this, IDD_HILFE, owner); }

INT_PTR Win32HelpWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            window_ = window;
            const std::pair<int, const char*> explanations[] = {
                {IDC_HILFE_FIELDS, hilfeText::Fields},         {IDC_HILFE_PROXY, hilfeText::Proxy},
                {IDC_HILFE_AUTOUPDATE, hilfeText::AutoUpdate}, {IDC_HILFE_UPDATELINK, hilfeText::UpdateLink},
                {IDC_HILFE_SERVICE, hilfeText::Service},       {IDC_HILFE_DOWNLOAD, hilfeText::Download},
                {IDC_HILFE_SETUP, hilfeText::Setup},           {IDC_HILFE_HELP, hilfeText::Help},
                {IDC_HILFE_INFO, hilfeText::Info},             {IDC_HILFE_QUITTEXT, hilfeText::Quit}};
            for (const auto& [id, text] : explanations) win32window::setText(window, id, text);
            form_.Form_Load();
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDM_HILFE_EXIT: form_.menu_exit_Click(); break;
                case IDC_HILFE_QUIT: form_.quit_button_Click(); break;
                case IDCANCEL: EndDialog(window, 0); break;
                default: break;  // the look-alike controls do nothing
            }
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32HelpWindow::setCaption(const std::string& caption) { SetWindowTextW(window_, toWide(caption).c_str()); }

void Win32HelpWindow::makeTopmost() { win32window::makeTopmost(window_); }

void Win32HelpWindow::closeWindow() { EndDialog(window_, 0); }

// --- about ------------------------------------------------------------------

bool Win32AboutWindow::run(HWND owner) { return win32window::runModal(*this, IDD_COPYRIGHT, owner); }

INT_PTR Win32AboutWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            window_ = window;
            win32window::setText(window, IDC_COPYRIGHT_EMAIL, CopyrightForm::kEmail);
            win32window::setText(window, IDC_COPYRIGHT_INTERNET, CopyrightForm::kInternet);
            pictures_.show(GetDlgItem(window, IDC_COPYRIGHT_IMAGE2), kIconGlobe, 64);
            form_.Form_Load();
            return TRUE;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) form_.Form_Activate();
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_COPYRIGHT_COMMAND1: form_.Command1_Click(); break;
                // Escape; the close box too, as on any window.
                case IDCANCEL:
                    form_.Command1_KeyDown(FormKey::Escape);
                    break;
                default: break;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32AboutWindow::setCaption(const std::string& caption) { SetWindowTextW(window_, toWide(caption).c_str()); }

void Win32AboutWindow::setLine(int index, const std::string& text) {
    win32window::setText(window_, IDC_COPYRIGHT_LINE0 + index, text);
}

void Win32AboutWindow::restoreDefaultPointer() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }

void Win32AboutWindow::closeWindow() { EndDialog(window_, 0); }

}  // namespace tavik
