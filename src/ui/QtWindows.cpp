#include "ui/QtWindows.h"

#include "ui/Parameter.h"
#include "ui/copyright.h"
#include "ui/legende.h"
#include "ui/softwareupdate.h"

namespace tavik {

QtWindows::QtWindows(FormContext& context) : context_(context) {}

// Each window is made afresh, so every opening reads the stored values anew,
// and is gone when it has been closed.
void QtWindows::showParameter(const std::string& caption) {
    Parameter window(context_);
    window.setWindowTitle(QString::fromStdString(caption));
    window.exec();
}

void QtWindows::showAbout() {
    copyright window(context_.g, context_.clock);
    window.exec();
}

void QtWindows::showLegend() {
    legende window;
    window.exec();
}

void QtWindows::showBrowserWindow(const std::string& url) {
    // The address may carry the customer number: it is not repeated here.
    if (!softwareupdate::showPage(context_.environment.programFolder(), url))
        context_.environment.reportError(std::string("Das Browserfenster (") + softwareupdate::kHelperName +
                                         ") konnte nicht geöffnet werden.");
}

}  // namespace tavik
