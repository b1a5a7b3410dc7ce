// The headless client on Windows: the core on the Win32 adapters, messages
// on the console. Ctrl-C, Ctrl-Break, closing the console, the end of the
// session and WM_CLOSE run the ordinary exit sequence.
#include "app/HeadlessApp.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/Startform.h"
#include "platform/headless/ConsoleDialogs.h"
#include "platform/headless/NoBrowser.h"
#include "platform/headless/NoWindows.h"
#include "platform/headless/NullTray.h"
#include "platform/win32/CngSignatureCheck.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/Win32HostsFileStore.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/WinInetTransfer.h"
#include "ui_win32/Win32Windows.h"
#include "update/UpdateSignature.h"

namespace tavik {
namespace {

// The test build's time scale shortens the transfer's time limits with the
// cycle, so a hostile server costs it no more cycles than the real program.
WinInetTimeouts scaledTimeouts(double timeScale) {
    WinInetTimeouts timeouts;
    auto scale = [timeScale](std::chrono::milliseconds& limit) {
        limit = std::chrono::milliseconds(std::llround(static_cast<double>(limit.count()) * timeScale));
    };
    scale(timeouts.connect);
    scale(timeouts.receive);
    scale(timeouts.send);
    scale(timeouts.total);
    return timeouts;
}

}  // namespace

int runHeadless(int, char**, double timeScale) {
    Win32Environment environment;
    Win32Registry registry;
    Win32HostsFileStore hostsStore;
    Win32EventLoop loop(timeScale);
    WinInetTransfer transfer(loop, scaledTimeouts(timeScale));
    Win32Clock clock;
    ConsoleDialogs dialogs = ConsoleDialogs::forThisProcess();
    NullTray tray;
    Win32Processes processes;
    RasDialUp dialUp;
    Win32Session session;
    // The tray menu's windows are Win32 dialogs, and their links open the
    // default browser; TAVIK_HEADLESS=1 keeps the client without either.
    const char* headlessSetting = std::getenv("TAVIK_HEADLESS");
    const bool headless = headlessSetting != nullptr && std::strcmp(headlessSetting, "1") == 0;
    NoBrowser noBrowser;
    Win32BrowserLookup defaultBrowser;
    BrowserLookup& browser = headless ? static_cast<BrowserLookup&>(noBrowser) : defaultBrowser;
    NoWindows noWindows;
    Win32Windows desktopWindows;
    Windows& windows = headless ? static_cast<Windows&>(noWindows) : desktopWindows;
    CngSignatureCheck signatures(builtInUpdateKey());

    TavikGlobal g;
    Startform form(g, {environment, registry, hostsStore, transfer, loop, clock, dialogs, tray, processes,
                       dialUp, session, browser, windows, signatures});
    FormContext windowContext{g, form.form(), form.settings(), dialogs, processes, environment, clock};
    desktopWindows.attach(windowContext);

    // An exit asked for during a request cuts the request short; the exit
    // follows as soon as the running handler is done.
    loop.watchExit([&] { form.menu_popup_exit_Click(); }, [&] { transfer.cancel(); });

    form.Form_Load();
    loop.run();
    return 0;
}

}  // namespace tavik
