#include "ui_win32/Win32Dialogs.h"

#include <windows.h>

#include "forms/DialogForm.h"
#include "platform/win32/WideText.h"
#include "ui_win32/TrayResources.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {
namespace {

// The answer box changed its selection; its text is updated only after the
// notification, so the check waits for this message.
constexpr UINT kAnswerChanged = WM_APP + 10;

// The question window: the dialog template IDD_DIALOG as DialogForm sees it.
class QuestionWindow : public DialogView {
public:
    explicit QuestionWindow(const QuestionStep& step) : form_(*this, step) {}

    std::optional<std::string> ask() {
        win32window::runModal(*this, IDD_DIALOG, nullptr);
        return form_.answer();
    }

    void setCaption(const std::string& caption) override { SetWindowTextW(window_, toWide(caption).c_str()); }
    void setStepText(const std::string& text) override { setItem(IDC_SCHRITT, text); }
    void setQuestion(const std::string& text) override { setItem(IDC_ABFRAGE1, text); }
    void addChoice(const std::string& choice) override {
        SendDlgItemMessageW(window_, IDC_ANTWORT1, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(toWide(choice).c_str()));
    }
    void setAnswerText(const std::string& text) override {
        setItem(IDC_ANTWORT1, text);
        setItem(IDC_ANTWORT1_SECRET, text);
    }
    std::string answerText() const override { return win32window::itemText(window_, answerBox()); }
    void setSecret(bool secret) override {
        secret_ = secret;
        ShowWindow(GetDlgItem(window_, IDC_ANTWORT1), secret ? SW_HIDE : SW_SHOW);
        ShowWindow(GetDlgItem(window_, IDC_ANTWORT1_SECRET), secret ? SW_SHOW : SW_HIDE);
    }
    void setOkEnabled(bool enabled) override { EnableWindow(GetDlgItem(window_, IDC_OKBUTTON), enabled); }
    void closeWindow() override { EndDialog(window_, 0); }

    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITDIALOG) {
            window_ = window;
            form_.Form_Load();
            SetFocus(GetDlgItem(window, answerBox()));
            SetForegroundWindow(window);
            return FALSE;  // the focus is set
        }
        if (message == kAnswerChanged) {
            form_.antwort1_Change();
            return TRUE;
        }
        if (message != WM_COMMAND) return FALSE;
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        switch (id) {
            case IDC_ANTWORT1:
                if (code == CBN_EDITCHANGE) form_.antwort1_Change();
                if (code == CBN_SELCHANGE) PostMessageW(window, kAnswerChanged, 0, 0);
                return TRUE;
            case IDC_ANTWORT1_SECRET:
                if (code == EN_CHANGE) form_.antwort1_Change();
                return TRUE;
            case IDC_OKBUTTON:
                if (code == BN_CLICKED) form_.OKButton_Click();
                return TRUE;
            case IDC_CANCELBUTTON:
                if (code == BN_CLICKED) form_.CancelButton_Click();
                return TRUE;
            case IDOK:
                // Enter in the answer box answers, even when it is empty.
                form_.antwort1_KeyDown(FormKey::Enter);
                return TRUE;
            case IDCANCEL:
                // Escape and the close box cancel like Abbrechen, which is also
                // what the wizard makes of a window closed without an answer.
                form_.CancelButton_Click();
                return TRUE;
            default:
                return FALSE;
        }
    }

private:
    int answerBox() const { return secret_ ? IDC_ANTWORT1_SECRET : IDC_ANTWORT1; }
    void setItem(int id, const std::string& text) { win32window::setText(window_, id, text); }

    DialogForm form_;
    HWND window_ = nullptr;
    bool secret_ = false;
};

}  // namespace

void Win32Dialogs::messageBox(const std::string& text, const std::string& title, MessageIcon icon) {
    UINT style = MB_OK | MB_SETFOREGROUND | MB_TOPMOST;
    if (icon == MessageIcon::Information) style |= MB_ICONINFORMATION;
    if (icon == MessageIcon::Exclamation) style |= MB_ICONEXCLAMATION;
    MessageBoxW(nullptr, win32window::controlText(text).c_str(), toWide(title).c_str(), style);
}

void Win32Dialogs::showInfo(const std::string& text) {
    if (infoWindow_ && infoWindow_(text)) return;
    if (showInfoElsewhere_) showInfoElsewhere_(text);
}

std::optional<std::string> Win32Dialogs::askQuestion(const QuestionStep& step) {
    QuestionWindow window(step);
    return window.ask();
}

}  // namespace tavik
