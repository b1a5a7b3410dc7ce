// The desktop front end: Tavik6 loads this module when a display is present
// and hands it the process through tavik_desktop_main.

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <exception>

#include "core/Startform.h"
#include "platform/http/BeastTransfer.h"
#include "platform/http/TlsModule.h"
#include "platform/posix/JournalStream.h"
#include "platform/posix/LogindSession.h"
#include "platform/posix/PkexecHostsEdit.h"
#include "platform/posix/PosixEnvironment.h"
#include "platform/posix/PosixHostsFileStore.h"
#include "platform/posix/ModuleSignatureCheck.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/SignalPipe.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/SysfsDialUp.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/XdgBrowserLookup.h"
#include "forms/FormContext.h"
#include "update/UpdateSignature.h"
#include "ui/GermanQtTexts.h"
#include "ui/QtDialogs.h"
#include "ui/QtEventLoop.h"
#include "ui/QtTray.h"
#include "ui/QtWindows.h"

namespace tavik {
namespace {

// SIGTERM, SIGINT and SIGHUP reach Qt's loop through a pipe, so the exit runs
// on the loop's thread like every other handler.
class SignalNotifier {
public:
    explicit SignalNotifier(std::function<void()> onSignal) : pipe_({SIGTERM, SIGINT, SIGHUP}) {
        if (pipe_.readFd() < 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(pipe_.readFd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, onSignal = std::move(onSignal)] {
            if (!pipe_.takeSignals().empty()) onSignal();
        });
    }

    // Readable while a signal waits to be handled.
    int readFd() const { return pipe_.readFd(); }

private:
    SignalPipe pipe_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The main form needs a windows port when it is built, the windows need the
// main form's flags; this stands in until the windows exist.
class WindowsRelay : public Windows {
public:
    Windows* target = nullptr;
    void showParameter(const std::string& caption) override {
        if (target) target->showParameter(caption);
    }
    void showAbout() override {
        if (target) target->showAbout();
    }
    void showLegend() override {
        if (target) target->showLegend();
    }
    void showBrowserWindow(const std::string& url) override {
        if (target) target->showBrowserWindow(url);
    }
};

int runDesktop(int argc, char** argv) {
    // A peer that closes its socket must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    // The whole command line names the profile, so none of it goes to Qt.
    PosixEnvironment environment(argc, argv);
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("Tavik6"), nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);  // the program lives in the tray
    GermanQtTexts qtTexts(QLocale::system());
    installGermanQtTexts(qtTexts, "Tavik6");

    SqliteRegistry registry(SqliteRegistry::defaultPath());
    PosixHostsFileStore hostsStore;
    QtEventLoop loop;
    BeastTransfer transfer(loop, {}, environment.programFolder() / kTlsModuleFile);
    SystemClock clock;
    PosixProcesses posixProcesses;
    SysfsDialUp dialUp;
    LogindSession session;
    XdgBrowserLookup browser(XdgBrowserLookup::pathFromEnvironment());
    // Pages for the default browser are started through the desktop's
    // launcher, which knows how its Exec line is meant.
    BrowserLaunchingProcesses processes(posixProcesses, browser);
    WindowsRelay windowsRelay;
    ModuleSignatureCheck signatures(environment.programFolder(), builtInUpdateKey());
    TavikGlobal g;
    QtDialogs dialogs(g);

    Startform* form = nullptr;
    auto handler = [&form](void (Startform::*click)()) {
        return [&form, click] {
            if (form) (form->*click)();
        };
    };
    QtTray tray({handler(&Startform::menu_popup_anmeldung_Click), handler(&Startform::menu_popup_info_Click),
                 handler(&Startform::menu_popup_legende_Click), handler(&Startform::menu_popup_user_Click),
                 handler(&Startform::menu_test_Click), handler(&Startform::menu_popup_exit_Click)});

    processes.tellUser([&dialogs](const std::string& text) {
        dialogs.messageBox(text, kProductName, MessageIcon::Exclamation);
    });

    Startform startform(g, {environment, registry, hostsStore, transfer, loop, clock, dialogs, tray, processes,
                            dialUp, session, browser, windowsRelay, signatures});
    form = &startform;
    // An ordinary user's client changes /etc/hosts through the privileged helper.
    PkexecHostsEdit privilegedEdit(environment.programFolder());
    startform.usePrivilegedHostsEdit(privilegedEdit);
    dialogs.setSetupAction(handler(&Startform::menu_popup_user_Click));

    FormContext context{g, startform.form(), startform.settings(), dialogs, processes, environment, clock};
    QtWindows windows(context);
    windowsRelay.target = &windows;

    // A request to end the program from outside (signal, end of the session)
    // runs the exit sequence. One arriving during a request cuts the request
    // short; the exit follows once the request is over, so the offline notice
    // still has the transfer to itself.
    QTimer exitRetry;
    exitRetry.setSingleShot(true);
    exitRetry.setInterval(50);
    auto requestExit = [&] {
        if (startform.requestRunning()) {
            transfer.cancel();
            exitRetry.start();
            return;
        }
        startform.menu_popup_exit_Click();
    };
    QObject::connect(&exitRetry, &QTimer::timeout, requestExit);
    SignalNotifier signalNotifier(requestExit);
    hostsStore.stopWaitingOn(signalNotifier.readFd());  // another program's lock holds no exit up
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [&](QSessionManager&) { requestExit(); });
    // After Qt's loop has ended nothing waits for a request any more.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&] { startform.menu_popup_exit_Click(); });

    startform.Form_Load();
    return QApplication::exec();
}

}  // namespace
}  // namespace tavik

extern "C" __attribute__((visibility("default"))) int tavik_desktop_main(int argc, char** argv) {
    try {
        return tavik::runDesktop(argc, argv);
    } catch (const std::exception& error) {
        tavik::sayOnStandardError(
            std::string("Tavik6: Die Desktop-Oberfläche ist unerwartet beendet worden: ") + error.what() + "\n",
            tavik::Severity::Error);
    } catch (...) {
        tavik::sayOnStandardError("Tavik6: Die Desktop-Oberfläche ist unerwartet beendet worden.\n",
                                  tavik::Severity::Error);
    }
    return 1;
}
