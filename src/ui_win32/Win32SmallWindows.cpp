#include "ui_win32/Win32SmallWindows.h"

#include <algorithm>

#include "ui_win32/Win32WindowIds.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {
namespace {

// The legend's rows in dialog units.
constexpr int kRowLeft = 10;
constexpr int kRowTop = 8;
constexpr int kRowHeight = 14;
constexpr int kRowTextHeight = 9;

RECT dialogUnits(HWND window, int left, int top, int right, int bottom) {
    RECT r{left, top, right, bottom};
    MapDialogRect(window, &r);
    return r;
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

// The tray pictures are not drawn here yet: each row is its text.
void Win32LegendWindow::addRow(int, const std::string& text) {
    const RECT r = dialogUnits(window_, kRowLeft, kRowTop + rows_ * kRowHeight, 0, kRowTextHeight);
    const HWND label = CreateWindowExW(0, L"STATIC", win32window::controlText(text).c_str(),
                                       WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, r.left, r.top, 10, r.bottom,
                                       window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LEGENDE_ROW + rows_)),
                                       GetModuleHandleW(nullptr), nullptr);
    if (label != nullptr) SendMessageW(label, WM_SETFONT, SendMessageW(window_, WM_GETFONT, 0, 0), FALSE);
    ++rows_;
}

// Each row as wide as its text; the window as large as its rows.
void Win32LegendWindow::fitRows() {
    const HDC dc = GetDC(window_);
    const HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0)));
    const RECT margin = dialogUnits(window_, kRowLeft, 0, 0, 0);
    int widest = 0;
    for (int i = 0; i < rows_; ++i) {
        const HWND label = GetDlgItem(window_, IDC_LEGENDE_ROW + i);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(label, text.data(), static_cast<int>(text.size())))));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        RECT place{};
        GetWindowRect(label, &place);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&place), 2);
        SetWindowPos(label, nullptr, 0, 0, size.cx + 2, place.bottom - place.top, SWP_NOMOVE | SWP_NOZORDER);
        widest = std::max(widest, static_cast<int>(size.cx));
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
    const RECT rowsEnd = dialogUnits(window_, 0, 0, 0, 2 * kRowTop + rows_ * kRowHeight);
    SetWindowPos(window_, nullptr, 0, 0, frameWidth + widest + 2 * margin.left, frameHeight + rowsEnd.bottom,
                 SWP_NOMOVE | SWP_NOZORDER);
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

void Win32AboutWindow::restoreDefaultPointer() { SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32512))); }

void Win32AboutWindow::closeWindow() { EndDialog(window_, 0); }

}  // namespace tavik
