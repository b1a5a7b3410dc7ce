#pragma once
#include <string>

#include "forms/FormContext.h"
#include "system/ServiceRegistration.h"

namespace tavik {

// The settings window as it looks to its behaviour: two text fields, four
// check boxes, two controls that may be disabled, and the windows it opens.
class ParameterView {
public:
    enum class Box { proxyserver, AutoUpdate, ntdienst, Restart };
    enum class Control { SetUP_Button, AppToServiceDownload };

    virtual ~ParameterView() = default;
    virtual void makeTopmost() = 0;
    // Field 0 is the customer number, field 1 the password.
    virtual std::string fieldText(int index) const = 0;
    virtual void setFieldText(int index, const std::string& text) = 0;
    virtual bool isChecked(Box box) const = 0;
    // Shows the state only; the form runs the box's handler itself.
    virtual void setChecked(Box box, bool on) = 0;
    virtual void setControlEnabled(Control control, bool enabled) = 0;
    // A box that cannot do here what its caption says: shown off, disabled,
    // with the reason where the user sees it. Its stored value stays.
    virtual void showBoxUnavailable(Box box, const std::string& why) = 0;
    // Hides the window while another one is shown in its place.
    virtual void hideWindow() = 0;
    // Closes the window; the view then calls Form_Unload.
    virtual void closeWindow() = 0;
    // Modal windows opened from here; each returns when it is closed.
    virtual void showAbout() = 0;
    virtual void showHelp() = 0;
    // False when the page's window could not be opened.
    virtual bool showBrowserWindow(const std::string& url) = 0;
};

// What the settings window does: loads the stored values (with the tag
// "START" so handlers can tell loading from a click), checks that the
// updater is there before automatic update or restart may be switched on,
// registers the service, opens the links, and saves on every way of closing.
class ParameterForm {
public:
    using Box = ParameterView::Box;
    using Control = ParameterView::Control;

    ParameterForm(FormContext& context, ParameterView& view);

    // The window's tag: "START" while it loads, empty afterwards.
    const std::string& tag() const { return Tag; }

    void Form_Load();
    // Saves the fields and switches; runs once, however the window closes.
    void Form_Unload();

    // The user changed a box (click, key, or anything but the form itself).
    void boxChanged(Box box);
    // A key typed into a text field or a mouse press on the proxy box:
    // changed data must be saved before the account page may show them.
    void userEdits();

    void quit_button_Click();
    void info_button_Click();
    void Command2_Click();
    void Image1_Click();
    void AppToServiceDownload_Click();
    void SetUP_Button_Click();

private:
    // Sets a box as a click would: its handler runs when its state changes.
    void setBox(Box box, bool on);
    void setFromStored(Box box, const char* valueName);
    // Only a program in the user's own folder may replace itself.
    bool mayReplaceItself() const;
    void AutoUpdate_Click();
    void Restart_Click();
    void ntdienst_Click();
    void startBrowser(const std::string& url);
    void showUpdaterMissing();
    void write(const char* valueName, const std::string& value);

    FormContext& context_;
    ParameterView& view_;
    ServiceRegistration service_;
    std::string Tag;
    bool unloaded_ = false;
};

}  // namespace tavik
