#include "ui_win32/Win32ParameterWindow.h"

#include <commctrl.h>

#include "forms/ParameterTexts.h"
#include "state/FormState.h"

#include "ui_win32/Win32SmallWindows.h"
#include "ui_win32/Win32WindowIds.h"
#include "ui_win32/Win32WindowText.h"
#include "ui_win32/Win32Windows.h"

namespace tavik {
namespace {

int boxId(ParameterView::Box box) {
    switch (box) {
        case ParameterView::Box::proxyserver: return IDC_PARAMETER_PROXYSERVER;
        case ParameterView::Box::AutoUpdate: return IDC_PARAMETER_AUTOUPDATE;
        case ParameterView::Box::ntdienst: return IDC_PARAMETER_NTDIENST;
        case ParameterView::Box::Restart: return IDC_PARAMETER_RESTART;
    }
    return IDC_PARAMETER_PROXYSERVER;
}

// The tool tips of the options and the two links, as the mouse rests on them;
// a box the program cannot offer shows why instead.
void addToolTips(HWND window, const std::map<int, std::string>& unavailable) {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    const HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    if (tips == nullptr) return;
    const std::pair<int, const char*> tools[] = {
        {IDC_PARAMETER_PROXYSERVER, parameterText::proxyserverTip},
        {IDC_PARAMETER_AUTOUPDATE, parameterText::AutoUpdateTip},
        {IDC_PARAMETER_NTDIENST, parameterText::ntdienstTip},
        {IDC_PARAMETER_RESTART, parameterText::RestartTip},
        {IDC_PARAMETER_IMAGE1, parameterText::Image1Tip},
        {IDC_PARAMETER_DOWNLOAD, parameterText::AppToServiceDownloadTip}};
    for (const auto& [id, tip] : tools) {
        const auto reason = unavailable.find(id);
        std::wstring text = toWide(reason != unavailable.end() ? reason->second : tip);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window, id));
        tool.lpszText = text.data();
        SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

int fieldId(int index) { return index == 0 ? IDC_PARAMETER_SETUP0 : IDC_PARAMETER_SETUP1; }

}  // namespace

Win32ParameterWindow::Win32ParameterWindow(FormContext& context) : context_(context), form_(context, *this) {}

bool Win32ParameterWindow::run(HWND owner, const std::string& caption) {
    caption_ = caption;
    return win32window::runModal(*this, IDD_PARAMETER, owner);
}

INT_PTR Win32ParameterWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            window_ = window;
            if (!caption_.empty()) SetWindowTextW(window, toWide(caption_).c_str());
            pictures_.show(GetDlgItem(window, IDC_PARAMETER_PICTURE1), kIconConnected, 48);
            form_.Form_Load();
            // Only after the form has made the window topmost: a topmost tip
            // window owned by it before then leaves it an ordinary window.
            addToolTips(window, unavailable_);
            return TRUE;
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32ParameterWindow::command(int id, int code) {
    switch (id) {
        case IDC_PARAMETER_SETUP0:
        case IDC_PARAMETER_SETUP1:
            // Changed data must be saved before the account page may show them.
            if (code == EN_CHANGE && !filling_) form_.userEdits();
            break;
        case IDC_PARAMETER_PROXYSERVER:
            if (code == BN_CLICKED) {
                form_.userEdits();
                form_.boxChanged(Box::proxyserver);
            }
            break;
        case IDC_PARAMETER_AUTOUPDATE:
            if (code == BN_CLICKED) form_.boxChanged(Box::AutoUpdate);
            break;
        case IDC_PARAMETER_NTDIENST:
            if (code == BN_CLICKED) form_.boxChanged(Box::ntdienst);
            break;
        case IDC_PARAMETER_RESTART:
            if (code == BN_CLICKED) form_.boxChanged(Box::Restart);
            break;
        case IDC_PARAMETER_QUIT_BUTTON: form_.quit_button_Click(); break;
        case IDC_PARAMETER_INFO_BUTTON: form_.info_button_Click(); break;
        case IDC_PARAMETER_COMMAND2: form_.Command2_Click(); break;
        case IDC_PARAMETER_IMAGE1: form_.Image1_Click(); break;
        case IDC_PARAMETER_DOWNLOAD: form_.AppToServiceDownload_Click(); break;
        case IDC_PARAMETER_SETUP_BUTTON: form_.SetUP_Button_Click(); break;
        // Escape and the close box close the window; it saves as on Quit.
        case IDCANCEL: close(); break;
        // Enter in a text field presses no button.
        case IDOK:
        default: break;
    }
}

void Win32ParameterWindow::close() {
    if (window_ == nullptr) return;
    form_.Form_Unload();
    EndDialog(window_, 0);
}

void Win32ParameterWindow::makeTopmost() { win32window::makeTopmost(window_); }

std::string Win32ParameterWindow::fieldText(int index) const {
    return win32window::itemText(window_, fieldId(index));
}

void Win32ParameterWindow::setFieldText(int index, const std::string& text) {
    filling_ = true;
    win32window::setText(window_, fieldId(index), text);
    filling_ = false;
}

bool Win32ParameterWindow::isChecked(Box box) const {
    return IsDlgButtonChecked(window_, boxId(box)) == BST_CHECKED;
}

// Checking a box from the program sends no click, so its handler does not run.
void Win32ParameterWindow::setChecked(Box box, bool on) {
    CheckDlgButton(window_, boxId(box), on ? BST_CHECKED : BST_UNCHECKED);
}

void Win32ParameterWindow::setControlEnabled(Control control, bool enabled) {
    const int id = control == Control::SetUP_Button ? IDC_PARAMETER_SETUP_BUTTON : IDC_PARAMETER_DOWNLOAD;
    EnableWindow(GetDlgItem(window_, id), enabled ? TRUE : FALSE);
}

void Win32ParameterWindow::showBoxUnavailable(Box box, const std::string& why) {
    setChecked(box, false);
    EnableWindow(GetDlgItem(window_, boxId(box)), FALSE);
    unavailable_[boxId(box)] = why;
}

void Win32ParameterWindow::hideWindow() { ShowWindow(window_, SW_HIDE); }

void Win32ParameterWindow::closeWindow() { close(); }

void Win32ParameterWindow::showAbout() {
    Win32AboutWindow about(context_.g, context_.clock);
    about.run(window_);
}

void Win32ParameterWindow::showHelp() {
    Win32HelpWindow help;
    help.run(window_);
}

bool Win32ParameterWindow::showBrowserWindow(const std::string& url) { return openPageInBrowser(url).empty(); }

}  // namespace tavik
