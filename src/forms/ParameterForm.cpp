#include "forms/ParameterForm.h"

#include <charconv>

#include "forms/ParameterTexts.h"
#include "protocol/RequestUrls.h"
#include "settings/ValueNames.h"
#include "text/PathText.h"
#include "text/TextCase.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

constexpr const char* kLoadingTag = "START";

// A stored switch as a box shows it: 0 off, 1 on, blanks around it allowed;
// nothing for a text that is no such number (the empty text of an absent value
// too), which leaves the box as it is.
int storedSwitch(const std::string& stored) {
    const auto first = stored.find_first_not_of(' ');
    if (first == std::string::npos) return -1;
    const auto last = stored.find_last_not_of(' ');
    int number = -1;
    const char* begin = stored.data() + first;
    const char* end = stored.data() + last + 1;
    const auto result = std::from_chars(begin, end, number);
    if (result.ec != std::errc() || result.ptr != end) return -1;
    return number == 0 || number == 1 ? number : -1;
}

const char* switchText(bool on) { return on ? "1" : "0"; }

}  // namespace

ParameterForm::ParameterForm(FormContext& context, ParameterView& view)
    : context_(context),
      view_(view),
      service_(context.g, context.rw, context.dialogs, context.processes, context.environment) {}

void ParameterForm::setBox(Box box, bool on) {
    if (view_.isChecked(box) == on) return;
    view_.setChecked(box, on);
    boxChanged(box);
}

void ParameterForm::setFromStored(Box box, const char* valueName) {
    const int number = storedSwitch(context_.rw.read(context_.g.Profil, valueName));
    if (number >= 0) setBox(box, number == 1);
}

// Setting a box here runs its handler just as a click does; the tag tells
// the service handler that nothing was clicked.
void ParameterForm::Form_Load() {
    view_.makeTopmost();
    Tag = kLoadingTag;
    view_.setFieldText(0, context_.rw.read(context_.g.Profil, valueName::User));
    view_.setFieldText(1, context_.rw.read(context_.g.Profil, valueName::Passwort));
    setFromStored(Box::proxyserver, valueName::Proxyserver);
    setFromStored(Box::ntdienst, valueName::ntdienst);
    if (mayReplaceItself()) {
        setFromStored(Box::AutoUpdate, valueName::AutoUpdate);
    } else {
        // The box would promise what cannot happen: the update is only
        // announced. Its stored value stays for an install that may again.
        view_.showBoxUnavailable(Box::AutoUpdate,
                                 parameterText::autoUpdateUnavailable(context_.environment.install(),
                                                                      utf8FromPath(context_.environment.programFolder())));
    }
    if (context_.form.MerkerFrame1() != "Online") view_.setControlEnabled(Control::SetUP_Button, false);
    setFromStored(Box::Restart, valueName::Restart);
    Tag.clear();
}

// "AutoUpdate" and "ntdienst" are stored by their handlers at once.
void ParameterForm::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    write(valueName::User, toLowerText(view_.fieldText(0)));
    write(valueName::Passwort, toLowerText(view_.fieldText(1)));
    write(valueName::Proxyserver, switchText(view_.isChecked(Box::proxyserver)));
    write(valueName::Restart, switchText(view_.isChecked(Box::Restart)));
}

void ParameterForm::boxChanged(Box box) {
    switch (box) {
        case Box::AutoUpdate: AutoUpdate_Click(); break;
        case Box::Restart: Restart_Click(); break;
        case Box::ntdienst: ntdienst_Click(); break;
        case Box::proxyserver: break;  // stored on closing
    }
}

void ParameterForm::userEdits() { view_.setControlEnabled(Control::SetUP_Button, false); }

bool ParameterForm::mayReplaceItself() const {
    return context_.environment.install() == ProgramInstall::SelfManaged;
}

void ParameterForm::AutoUpdate_Click() {
    if (!mayReplaceItself()) return;
    const bool on = view_.isChecked(Box::AutoUpdate);
    if (updaterPresent(context_.environment.programFolder())) {
        write(valueName::AutoUpdate, switchText(on));
    } else if (!on) {
        write(valueName::AutoUpdate, "");
    } else {
        view_.setControlEnabled(Control::AppToServiceDownload, true);
        showUpdaterMissing();
        setBox(Box::AutoUpdate, false);  // runs this handler again: stores the empty text
    }
}

// Only switching on is checked; the state is stored on closing. Where the
// program may not replace itself it restarts in place, without the updater.
void ParameterForm::Restart_Click() {
    if (!view_.isChecked(Box::Restart) || !mayReplaceItself()) return;
    if (updaterPresent(context_.environment.programFolder())) return;
    showUpdaterMissing();
    setBox(Box::Restart, false);
}

void ParameterForm::ntdienst_Click() {
    const bool kept = service_.ntdienst_Click(view_.isChecked(Box::ntdienst), Tag == kLoadingTag, [this] {
        view_.setControlEnabled(Control::AppToServiceDownload, true);
    });
    if (!kept) setBox(Box::ntdienst, false);
}

void ParameterForm::quit_button_Click() { view_.closeWindow(); }

void ParameterForm::info_button_Click() { view_.showAbout(); }

void ParameterForm::Command2_Click() { view_.showHelp(); }

void ParameterForm::Image1_Click() {
    startBrowser(updatePageUrl(context_.environment.updateHost()));
    view_.closeWindow();
}

void ParameterForm::AppToServiceDownload_Click() {
    startBrowser(downloadPageUrl(context_.environment.serviceHost()));
    view_.closeWindow();
}

// The account page shows the fields as they stand. The settings step aside
// while the page's window is open (topmost, they would cover it) and close
// when it closes. A window that does not open is said, without the address:
// it holds the password.
void ParameterForm::SetUP_Button_Click() {
    const std::string url = settingsPageUrl(context_.environment.serviceHost(), view_.fieldText(0), view_.fieldText(1));
    view_.hideWindow();
    if (!view_.showBrowserWindow(url))
        context_.environment.reportError("Das Browserfenster für die Einstellungsseite konnte nicht geöffnet werden.");
    view_.closeWindow();
}

// A browser that does not start is said, without the address.
void ParameterForm::startBrowser(const std::string& url) {
    if (!context_.processes.start(context_.g.BrowserPfad + " " + url))
        context_.environment.reportError("Der Browser für die Internetseite konnte nicht gestartet werden.");
}

void ParameterForm::showUpdaterMissing() {
    context_.dialogs.messageBox(missingProgramMessage(kUpdaterName, context_.environment.programFolder()),
                                kProgramMissingTitle, MessageIcon::Information);
}

void ParameterForm::write(const char* valueName, const std::string& value) {
    context_.rw.write(context_.g.Profil, valueName, value);
}

}  // namespace tavik
