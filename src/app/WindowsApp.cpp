// The client on Windows: the core on the Win32 adapters, with the desktop
// (tray icon, popup menu, message boxes) or headless with messages on the
// console. Ctrl-C, Ctrl-Break, closing the console, the end of the session
// and WM_CLOSE run the ordinary exit sequence.
#include "app/HeadlessApp.h"
#include "app/WindowsApp.h"

#include <cstdio>
#include <memory>

#include "core/Startform.h"
#include "platform/ConsoleOutput.h"
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
#include "ui_win32/Win32Dialogs.h"
#include "ui_win32/Win32InfoWindow.h"
#include "ui_win32/Win32Tray.h"
#include "ui_win32/Win32Windows.h"
#include "update/UpdateSignature.h"

namespace tavik {
namespace {

// A service runs on a window station nobody sees; there the tray would wait
// for an Explorer that never comes and a message box for a click.
bool interactiveWindowStation() {
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr)) return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

int runClient(bool desktop, double timeScale) {
    Win32Environment environment;
    Win32Registry registry;
    Win32HostsFileStore hostsStore;
    Win32EventLoop loop(timeScale);
    WinInetTransfer transfer(loop, HttpTimeouts{}.scaledBy(timeScale));
    Win32Clock clock;
    ConsoleDialogs console = ConsoleDialogs::forThisProcess();
    NullTray nullTray;
    Win32Processes processes;
    RasDialUp dialUp;
    Win32Session session;
    NoBrowser noBrowser;
    Win32BrowserLookup defaultBrowser;
    NoWindows noWindows;
    Win32Windows desktopWindows;
    CngSignatureCheck signatures(builtInUpdateKey());

    TavikGlobal g;

    Startform* startform = nullptr;
    auto handler = [&startform](void (Startform::*click)()) {
        return [&startform, click] {
            if (startform) (startform->*click)();
        };
    };
    std::unique_ptr<Win32Tray> desktopTray;
    std::unique_ptr<Win32Dialogs> desktopDialogs;
    std::unique_ptr<Win32InfoWindow> infoWindow;
    if (desktop) {
        desktopTray = std::make_unique<Win32Tray>(
            TrayMenuActions{handler(&Startform::menu_popup_anmeldung_Click), handler(&Startform::menu_popup_info_Click),
                            handler(&Startform::menu_popup_legende_Click), handler(&Startform::menu_popup_user_Click),
                            handler(&Startform::menu_test_Click), handler(&Startform::menu_popup_exit_Click)},
            loop.window());
        if (desktopTray->ready()) {
            // Messages go to the info window; when it cannot be made, to the
            // console and a notice beside the icon.
            desktopDialogs = std::make_unique<Win32Dialogs>([&](const std::string& text) {
                console.showInfo(text);
                desktopTray->showNotice("Tavik - Warnung  [" + g.Profil + "]", text);
            });
            infoWindow = std::make_unique<Win32InfoWindow>(g);
            infoWindow->setSetupAction(handler(&Startform::menu_popup_user_Click));
            desktopDialogs->setInfoWindow([&](const std::string& text) { return infoWindow->showMessage(text); });
        } else {
            desktopTray.reset();
            writeConsole(stderr, "Tavik6: Kein Desktop erreichbar (das Symbol im Infobereich lässt sich nicht "
                                 "anlegen); das Programm läuft ohne Oberfläche weiter.\n");
        }
    }
    Tray& tray = desktopTray ? static_cast<Tray&>(*desktopTray) : nullTray;
    Dialogs& dialogs = desktopDialogs ? static_cast<Dialogs&>(*desktopDialogs) : console;
    // The tray menu's windows are Win32 dialogs and their links open the
    // default browser; without the desktop the client has neither.
    BrowserLookup& browser = desktopTray ? static_cast<BrowserLookup&>(defaultBrowser) : noBrowser;
    Windows& windows = desktopTray ? static_cast<Windows&>(desktopWindows) : noWindows;

    Startform form(g, {environment, registry, hostsStore, transfer, loop, clock, dialogs, tray, processes,
                       dialUp, session, browser, windows, signatures});
    startform = &form;
    FormContext windowContext{g, form.form(), form.settings(), dialogs, processes, environment, clock};
    desktopWindows.attach(windowContext);

    // An exit asked for during a request cuts the request short; the exit
    // follows as soon as the running handler is done.
    loop.watchExit([&] { form.menu_popup_exit_Click(); }, [&] { transfer.cancel(); });

    form.Form_Load();
    loop.run();
    return 0;
}

}  // namespace

int runHeadless(int, char**, double timeScale) { return runClient(false, timeScale); }

int runWindowsDesktop() { return runClient(interactiveWindowStation(), 1.0); }

}  // namespace tavik
