// Opens each of the program's Win32 windows the way the program does and
// checks from a second thread, through the Win32 API alone, what the window
// shows, then closes it as a user would. Run under Wine with an X display
// (run_windows_check.sh starts one). With --picture NAME it only opens that
// window, writes DIR/ready once it is up and closes it when DIR/done exists.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "forms/HilfeForm.h"
#include "forms/LegendeForm.h"
#include "forms/ParameterTexts.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/MemoryRegistry.h"
#include "platform/win32/WideText.h"
#include "settings/ValueNames.h"
#include "ui_win32/Win32InfoWindow.h"
#include "ui_win32/Win32ParameterWindow.h"
#include "ui_win32/Win32SmallWindows.h"
#include "ui_win32/Win32WindowIds.h"
#include "ui_win32/Win32Windows.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// What the windows are opened with: a profile in memory, a fixed clock.
struct World {
    TavikGlobal g;
    FormState state;
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
    FakeProcesses processes;
    FakeEnvironment env;
    FakeClock clock;
    FormContext context{g, state, rw, dialogs, processes, env, clock};

    World() {
        g.Profil = "Tavik6";
        g.ProgVersion = "6.0.10";
        clock.current.year = 2031;
        // A program folder with the updater in it, so automatic update and
        // restart may be switched on.
        wchar_t name[MAX_PATH] = {};
        GetTempFileNameW(std::filesystem::temp_directory_path().wstring().c_str(), L"tvk", 0, name);
        env.folder = name;
        std::filesystem::remove(env.folder);
        std::filesystem::create_directories(env.folder);
        FILE* updater = _wfopen((env.folder / L"Velmora4.exe").wstring().c_str(), L"w");
        if (updater != nullptr) std::fclose(updater);
    }
    ~World() {
        std::error_code ignored;
        std::filesystem::remove_all(env.folder, ignored);
    }
    void store(const char* name, const std::string& value) { rw.write(g.Profil, name, value); }
    std::string stored(const char* name) { return rw.read(g.Profil, name); }
};

struct Check {
    std::vector<std::string> failures;
    void expect(bool ok, const std::string& what) {
        if (!ok) failures.push_back(what);
    }
    void expectText(const std::string& seen, const std::string& wanted, const std::string& what) {
        expect(seen == wanted, what + ": \"" + seen + "\" statt \"" + wanted + "\"");
    }
};

std::string itemText(HWND window, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(window, id, text, 1024);
    return fromWide(text);
}

bool topmost(HWND window) { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

void press(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

struct DialogSearch {
    std::wstring title;
    HWND found = nullptr;
};

// The window callbacks are named functions: a lambda has the wrong calling
// convention for them in the 32-bit build.
BOOL CALLBACK takeDialogWithTitle(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<DialogSearch*>(data);
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    if (IsWindowVisible(window) && std::wstring(text).rfind(s->title, 0) == 0) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK closeWindow(HWND window, LPARAM) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// A visible dialog of `thread` whose caption starts with `title`.
HWND findDialog(DWORD thread, const std::string& title, std::chrono::milliseconds wait = 20s) {
    DialogSearch search{toWide(title)};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < deadline) {
        EnumThreadWindows(thread, takeDialogWithTitle, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        std::this_thread::sleep_for(50ms);
    }
    return nullptr;
}

// Closes whatever the thread still shows, so a failed check cannot hang the run.
void closeAll(DWORD thread) {
    EnumThreadWindows(thread, closeWindow, 0);
}

struct Case {
    const char* name;
    const char* title;                                   // caption the window must show
    std::function<void(World&)> prepare;                  // before opening
    std::function<void(World&)> open;                     // opens it on the main thread; returns once closed
    std::function<void(HWND, Check&)> inspectAndClose;    // from the second thread
    std::function<void(World&, Check&)> after = nullptr;  // once it is closed
};

// Shows the info window and waits until it is gone again.
void runInfo(World& world, std::chrono::milliseconds lifetime, const std::vector<std::string>& messages) {
    Win32InfoWindow info(world.g, lifetime);
    for (const std::string& text : messages) info.showMessage(text);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    MSG msg;
    while (info.loaded() && std::chrono::steady_clock::now() < deadline) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (info.window() == nullptr || !IsDialogMessageW(info.window(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    if (info.loaded()) std::cerr << "Infofenster nach 30 s noch offen\n";
}

std::vector<Case> cases() {
    return {
        {"settings: shows what is stored, Escape saves the edits", "Userdaten - Tavik6",
         [](World& w) {
             w.store(valueName::User, "k1001");
             w.store(valueName::Passwort, "geheim");
             w.store(valueName::Proxyserver, "1");
             w.store(valueName::Restart, "0");
         },
         [](World& w) { Win32ParameterWindow(w.context).run(nullptr, "Userdaten - Tavik6"); },
         [](HWND window, Check& c) {
             c.expectText(itemText(window, IDC_PARAMETER_SETUP0), "k1001", "Kundennummer");
             c.expectText(itemText(window, IDC_PARAMETER_SETUP1), "geheim", "Passwort");
             c.expectText(itemText(window, IDC_PARAMETER_PROXYSERVER), parameterText::proxyserver, "Proxy-Text");
             c.expectText(itemText(window, IDC_PARAMETER_NTDIENST), parameterText::ntdienst, "Dienst-Text");
             c.expect(IsDlgButtonChecked(window, IDC_PARAMETER_PROXYSERVER) == BST_CHECKED, "Proxy nicht gesetzt");
             c.expect(IsDlgButtonChecked(window, IDC_PARAMETER_RESTART) == BST_UNCHECKED, "Restart gesetzt");
             c.expect(topmost(window), "nicht im Vordergrund");
             c.expect(!enabled(window, IDC_PARAMETER_SETUP_BUTTON), "Setup offline bedienbar");
             c.expect(!enabled(window, IDC_PARAMETER_DOWNLOAD), "Download bedienbar");
             SetDlgItemTextW(window, IDC_PARAMETER_SETUP0, L"K2002");
             SendMessageW(GetDlgItem(window, IDC_PARAMETER_RESTART), BM_CLICK, 0, 0);
             PostMessageW(GetDlgItem(window, IDC_PARAMETER_SETUP0), WM_KEYDOWN, VK_ESCAPE, 0);
         },
         [](World& w, Check& c) {
             c.expectText(w.stored(valueName::User), "k2002", "gespeicherte Kundennummer");
             c.expectText(w.stored(valueName::Restart), "1", "gespeichertes Restart");
             c.expectText(w.stored(valueName::Proxyserver), "1", "gespeicherter Proxy");
         }},
        {"settings online: Setup offered until an edit, Quit saves", "Userdaten",
         [](World& w) {
             w.store(valueName::Proxyserver, "1");
             w.state.setMerkerFrame1("Online");
         },
         [](World& w) { Win32ParameterWindow(w.context).run(nullptr, ""); },
         [](HWND window, Check& c) {
             c.expect(enabled(window, IDC_PARAMETER_SETUP_BUTTON), "Setup online gesperrt");
             SendMessageW(GetDlgItem(window, IDC_PARAMETER_PROXYSERVER), BM_CLICK, 0, 0);
             c.expect(!enabled(window, IDC_PARAMETER_SETUP_BUTTON), "Setup nach Änderung bedienbar");
             press(window, IDC_PARAMETER_QUIT_BUTTON);
         },
         [](World& w, Check& c) { c.expectText(w.stored(valueName::Proxyserver), "0", "gespeicherter Proxy"); }},
        {"about: version, date and year; Escape closes", "Versionsinfo über Tavik6 6.0.10", nullptr,
         [](World& w) { Win32AboutWindow(w.g, w.clock).run(nullptr); },
         [](HWND window, Check& c) {
             c.expectText(itemText(window, IDC_COPYRIGHT_LINE0), "Version : 6.0.10", "Zeile 1");
             c.expectText(itemText(window, IDC_COPYRIGHT_LINE1), "Stand : 14. April 2005", "Zeile 2");
             c.expectText(itemText(window, IDC_COPYRIGHT_LINE2), "© 2005-2031 Kovrin Software", "Zeile 3");
             PostMessageW(GetDlgItem(window, IDC_COPYRIGHT_COMMAND1), WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {"legend: the rows top to bottom; its menu closes it", "Legende in der Taskbar", nullptr,
         [](World&) { Win32LegendWindow().run(nullptr); },
         [](HWND window, Check& c) {
             for (int i = 0; i < static_cast<int>(LegendeForm::kRows.size()); ++i) {
                 c.expectText(itemText(window, IDC_LEGENDE_ROW + i), LegendeForm::kRows[i].text,
                              "Zeile " + std::to_string(i + 1));
                 c.expect(SendDlgItemMessageW(window, IDC_LEGENDE_PICTURE + i, STM_GETIMAGE, IMAGE_ICON, 0) != 0,
                          "Zeile " + std::to_string(i + 1) + " ohne Bild");
             }
             PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_LEGENDE_QUIT, 0), 0);
         }},
        {"help: topmost, explanations, only Quit closes", "Hilfe", nullptr,
         [](World&) { Win32HelpWindow().run(nullptr); },
         [](HWND window, Check& c) {
             c.expect(topmost(window), "nicht im Vordergrund");
             c.expectText(itemText(window, IDC_HILFE_PROXY), hilfeText::Proxy, "Erklärung Proxy");
             c.expectText(itemText(window, IDC_HILFE_DOWNLOAD), hilfeText::Download, "Erklärung Download");
             press(window, IDC_HILFE_SAMPLE);
             std::this_thread::sleep_for(300ms);
             c.expect(IsWindowVisible(window) != FALSE, "Musterknopf schließt das Fenster");
             PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_HILFE_EXIT, 0), 0);
         }},
        {"info: topmost, the newest text line by line; Quit closes", "Tavik - Warnung  [Tavik6]", nullptr,
         [](World& w) { runInfo(w, 60s, {"erste Meldung", "Zeile eins\rZeile zwei"}); },
         [](HWND window, Check& c) {
             c.expect(topmost(window), "nicht im Vordergrund");
             c.expectText(itemText(window, IDC_INFO_TEXT), "Zeile eins\r\nZeile zwei", "Text");
             press(window, IDC_INFO_QUIT);
         }},
        {"info: closes by itself once its time is up", "Tavik - Warnung", nullptr,
         [](World& w) {
             const auto start = std::chrono::steady_clock::now();
             runInfo(w, 500ms, {"bald weg"});
             if (std::chrono::steady_clock::now() - start > 20s) w.env.reportError("timer");
         },
         [](HWND, Check&) {},
         [](World& w, Check& c) { c.expect(w.env.errors.empty(), "Infofenster schließt sich nicht selbst"); }},
    };
}

bool runCase(const Case& test, int& passed, int& failed) {
    World world;
    if (test.prepare) test.prepare(world);
    Check check;
    const DWORD mainThread = GetCurrentThreadId();
    std::thread inspector([&] {
        const HWND window = findDialog(mainThread, test.title);
        if (window == nullptr) {
            check.expect(false, std::string("kein Fenster \"") + test.title + "\"");
            closeAll(mainThread);
            return;
        }
        test.inspectAndClose(window, check);
        // A window the case's way of closing left open fails the case and
        // is closed now, so the run goes on.
        for (int i = 0; i < 200 && IsWindow(window); ++i) std::this_thread::sleep_for(50ms);
        if (IsWindow(window)) {
            check.expect(false, "Fenster nicht geschlossen");
            closeAll(mainThread);
        }
    });
    test.open(world);
    inspector.join();
    if (test.after) test.after(world, check);
    const bool ok = check.failures.empty();
    std::cout << (ok ? "[  OK  ] " : "[ FAIL ] ") << test.name << "\n";
    for (const std::string& f : check.failures) std::cout << "    " << f << "\n";
    (ok ? passed : failed)++;
    return ok;
}

// A page that is no web address is refused with a German reason and never
// handed to the shell; the adapter says so instead of staying silent.
void checkBrowserRefusal(int& passed, int& failed) {
    const char* refused[] = {"file:///C:/windows/notepad.exe", "C:\\windows\\notepad.exe", "javascript:alert(1)",
                             "http://127.0.0.1/a b", "https://127.0.0.1/\"x\"", ""};
    Check check;
    for (const char* url : refused) check.expect(!openPageInBrowser(url).empty(), std::string("angenommen: ") + url);
    World world;
    Win32Windows windows(world.context);
    windows.showBrowserWindow("file:///C:/windows/notepad.exe");
    check.expect(world.env.errors.size() == 1 &&
                     world.env.errors[0].rfind("Die Seite konnte nicht im Browser geöffnet werden", 0) == 0,
                 "keine Meldung bei abgelehnter Seite");
    const bool ok = check.failures.empty();
    std::cout << (ok ? "[  OK  ] " : "[ FAIL ] ") << "browser: only web pages, failures said\n";
    for (const std::string& f : check.failures) std::cout << "    " << f << "\n";
    (ok ? passed : failed)++;
}

// Opens one window for a picture and keeps it until DIR/done appears.
int showForPicture(const std::string& name, const std::filesystem::path& dir) {
    for (const Case& test : cases()) {
        if (name != test.name && std::string(test.name).rfind(name + ":", 0) != 0) continue;
        World world;
        if (test.prepare) test.prepare(world);
        const DWORD mainThread = GetCurrentThreadId();
        std::thread holder([&] {
            const HWND window = findDialog(mainThread, test.title);
            if (window != nullptr) {
                std::this_thread::sleep_for(500ms);  // painted
                FILE* ready = _wfopen((dir / "ready").wstring().c_str(), L"w");
                if (ready != nullptr) std::fclose(ready);
                for (int i = 0; i < 600 && !std::filesystem::exists(dir / "done"); ++i)
                    std::this_thread::sleep_for(100ms);
            }
            closeAll(mainThread);
        });
        test.open(world);
        holder.join();
        return 0;
    }
    std::cerr << "Kein solches Fenster: " << name << "\n";
    return 2;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--picture") return tavik::showForPicture(argv[2], argv[3]);
    int passed = 0;
    int failed = 0;
    for (const tavik::Case& test : tavik::cases()) tavik::runCase(test, passed, failed);
    tavik::checkBrowserRefusal(passed, failed);
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 ? 0 : 1;
}
