#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "forms/ParameterForm.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {

// The settings window "Userdaten" as a Win32 dialog. What it does lives in
// ParameterForm; this class shows the controls and hands their events over.
class Win32ParameterWindow : private ParameterView {
public:
    explicit Win32ParameterWindow(FormContext& context);

    // Shows the window modally with `caption`; returns when it is closed.
    // False when the window could not be made.
    bool run(HWND owner, const std::string& caption);

    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void command(int id, int code);
    void close();

    // ParameterView
    void makeTopmost() override;
    std::string fieldText(int index) const override;
    void setFieldText(int index, const std::string& text) override;
    bool isChecked(Box box) const override;
    void setChecked(Box box, bool on) override;
    void setControlEnabled(Control control, bool enabled) override;
    void showBoxUnavailable(Box box, const std::string& why) override;
    void hideWindow() override;
    void closeWindow() override;
    void showAbout() override;
    void showHelp() override;
    bool showBrowserWindow(const std::string& url) override;

    FormContext& context_;
    ParameterForm form_;
    std::string caption_;
    win32window::Pictures pictures_;
    HWND window_ = nullptr;
    // True while the form itself fills a text field: that is no user edit.
    bool filling_ = false;
    // The boxes the program cannot offer here, by control id, with the reason.
    std::map<int, std::string> unavailable_;
};

}  // namespace tavik
