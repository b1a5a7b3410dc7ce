#include "app/HeadlessApp.h"

#include <csignal>

#include "core/Startform.h"
#include "platform/headless/ConsoleDialogs.h"
#include "platform/headless/NoBrowser.h"
#include "platform/headless/NoWindows.h"
#include "platform/headless/NullTray.h"
#include "platform/http/BeastTransfer.h"
#include "platform/http/TlsModule.h"
#include "platform/posix/JournalStream.h"
#include "platform/posix/LogindSession.h"
#include "platform/posix/ModuleSignatureCheck.h"
#include "platform/posix/PkexecHostsEdit.h"
#include "platform/posix/PosixEnvironment.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixHostsFileStore.h"
#include "platform/posix/PosixProcesses.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/SysfsDialUp.h"
#include "platform/posix/SystemClock.h"
#include "update/UpdateSignature.h"

namespace tavik {

int runHeadless(int argc, char** argv, double timeScale) {
    // A peer that closes its socket must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    PosixEnvironment environment(argc, argv);
    SqliteRegistry registry(SqliteRegistry::defaultPath());
    PosixHostsFileStore hostsStore;
    PosixEventLoop loop(timeScale);
    BeastTransfer transfer(loop, HttpTimeouts{}.scaledBy(timeScale), environment.programFolder() / kTlsModuleFile);
    SystemClock clock;
    ConsoleDialogs dialogs = ConsoleDialogs::forThisProcess();
    dialogs.prefixForJournal(standardErrorIsJournal());
    NullTray tray;
    PosixProcesses processes;
    SysfsDialUp dialUp;
    LogindSession session;
    NoBrowser browser;
    NoWindows windows;
    ModuleSignatureCheck signatures(environment.programFolder(), builtInUpdateKey());

    TavikGlobal g;
    Startform form(g, {environment, registry, hostsStore, transfer, loop, clock, dialogs, tray, processes,
                       dialUp, session, browser, windows, signatures});
    // An ordinary user's client changes /etc/hosts through the privileged helper.
    PkexecHostsEdit privilegedEdit(environment.programFolder());
    form.usePrivilegedHostsEdit(privilegedEdit);

    // SIGTERM, SIGINT and SIGHUP end the program through the exit sequence.
    // One arriving during a request cuts the request short; the exit follows
    // as soon as the running handler is done.
    loop.watchSignals({SIGTERM, SIGINT, SIGHUP}, [&](int) { form.menu_popup_exit_Click(); },
                      [&] { transfer.cancel(); });
    // Nor does another program's lock on the hosts file hold it up.
    hostsStore.stopWaitingOn(loop.signalFd());

    // The store is needed at start and around each request; while the
    // program waits for its next cycle, it holds neither the file nor SQLite.
    loop.beforeWaiting([&] { registry.release(); });

    form.Form_Load();
    loop.run();
    return 0;
}

}  // namespace tavik
