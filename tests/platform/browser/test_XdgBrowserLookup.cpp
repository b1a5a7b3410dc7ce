#include "platform/posix/XdgBrowserLookup.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/fakes/FakeProcesses.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPage = "http://127.0.0.1:8080/V5/de/anmeldung.shtml";
constexpr const char* kDesktopId = "tavik-test-browser.desktop";

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A desktop of its own in a temporary folder: data and config homes, empty
// system folders, a bin folder for PATH, and programs that write down the
// arguments and the variable FOO they were started with.
class XdgBrowserLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-xdg-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        top = pattern;
        for (const char* dir : {"bin", "data/applications", "config", "system-data", "system-config"})
            fs::create_directories(top / dir);
        const std::string record = "printf '%s\\n' \"FOO=$FOO\" \"$@\" > \"" + (top / "args.tmp").string() +
                                   "\" && mv \"" + (top / "args.tmp").string() + "\" \"" +
                                   (top / "args.txt").string() + "\"";
        script(top / "record", record);
        script(top / "flatpak", record);
        script(top / "mein browser", record);
    }
    void TearDown() override { fs::remove_all(top); }

    static void script(const fs::path& file, const std::string& body) {
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    // The default handler for http, with this Exec line.
    void defaultBrowser(const std::string& exec) {
        std::ofstream(top / "data/applications" / kDesktopId)
            << "[Desktop Entry]\nType=Application\nName=Testbrowser\nExec=" << exec
            << "\nMimeType=x-scheme-handler/http;text/html;\n\n[Desktop Action private]\nExec=/bin/false %u\n";
        std::ofstream(top / "config/mimeapps.list") << "[Default Applications]\nx-scheme-handler/http=" << kDesktopId
                                                    << "\n";
    }

    struct Outcome {
        std::string found;            // what the lookup returned
        bool started = false;         // what starting the page returned
        std::string passedOn;         // command lines that went to the plain start, one a line
        std::string told;             // what the user was told, one a line
    };

    // Finds the browser and starts `page` with it, as the program does: the
    // command line is what was found, a blank and the page. GIO reads the
    // desktop's folders once per process, so this runs in a child of its own.
    Outcome findAndStart(const char* launchWrapper = nullptr) {
        const fs::path found = top / "found.txt", passed = top / "passed.txt", told = top / "told.txt";
        const pid_t child = fork();
        if (child == 0) {
            setenv("XDG_DATA_HOME", (top / "data").c_str(), 1);
            setenv("XDG_CONFIG_HOME", (top / "config").c_str(), 1);
            setenv("XDG_DATA_DIRS", (top / "system-data").c_str(), 1);
            setenv("XDG_CONFIG_DIRS", (top / "system-config").c_str(), 1);
            setenv("HOME", top.c_str(), 1);
            setenv("PATH", ((top / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
            setenv("FOO", "", 1);
            setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (top / "no-bus").string()).c_str(), 1);
            unsetenv("XDG_CURRENT_DESKTOP");
            if (launchWrapper) setenv("GIO_LAUNCH_DESKTOP", launchWrapper, 1);
            XdgBrowserLookup lookup(XdgBrowserLookup::pathFromEnvironment());
            FakeProcesses inner;
            BrowserLaunchingProcesses processes(inner, lookup);
            std::ofstream tell(told);
            processes.tellUser([&tell](const std::string& text) { tell << text << "\n"; });
            const std::string browser = lookup.findBrowser();
            std::ofstream(found) << browser;
            const bool started = processes.start(browser + " " + kPage);
            processes.start("/usr/bin/AppToService /Remove \"Tavik6\"");
            std::ofstream out(passed);
            for (const auto& line : inner.started) out << line << "\n";
            out.close();
            tell.close();
            _exit(started ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return {readFile(found), WIFEXITED(status) && WEXITSTATUS(status) == 0, readFile(passed), readFile(told)};
    }

    // What the started program wrote down; it runs on its own, so give it time.
    std::string recorded() {
        for (int i = 0; i < 1000 && !fs::exists(top / "args.txt"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return readFile(top / "args.txt");
    }

    fs::path top;
};

TEST_F(XdgBrowserLookupTest, ThePageReachesTheBrowserBehindItsLauncher) {
    const std::string dir = top.string();
    const std::string page = std::string(kPage) + "\n";
    const struct {
        const char* name;
        std::string exec;
        std::string arguments;  // FOO, then each argument on a line
    } rows[] = {
        {"env with a variable", "env FOO=1 " + dir + "/record %u", "FOO=1\n" + page},
        {"flatpak-like launcher",
         dir + "/flatpak run --branch=stable --command=browser --file-forwarding org.example.Browser @@u %u @@",
         "FOO=\nrun\n--branch=stable\n--command=browser\n--file-forwarding\norg.example.Browser\n@@u\n" + page + "@@\n"},
        {"quoted path with a blank", "\"" + dir + "/mein browser\" --new-window %U", "FOO=\n--new-window\n" + page},
    };
    for (const auto& row : rows) {
        fs::remove(top / "args.txt");
        defaultBrowser(row.exec);
        const Outcome outcome = findAndStart();
        EXPECT_EQ(outcome.found, kDesktopId) << row.name;
        EXPECT_TRUE(outcome.started) << row.name;
        EXPECT_EQ(recorded(), row.arguments) << row.name;
        // Other programs start as before.
        EXPECT_EQ(outcome.passedOn, "/usr/bin/AppToService /Remove \"Tavik6\"\n") << row.name;
    }
}

TEST_F(XdgBrowserLookupTest, WithoutAHandlerXdgOpenStandsInThenNothing) {
    script(top / "bin/xdg-open", "exit 0");
    Outcome outcome = findAndStart();
    const std::string xdgOpen = (top / "bin/xdg-open").string();
    EXPECT_EQ(outcome.found, xdgOpen);
    EXPECT_EQ(outcome.passedOn, xdgOpen + " " + kPage + "\n/usr/bin/AppToService /Remove \"Tavik6\"\n");
    EXPECT_EQ(outcome.told, "");

    // Nothing to open the page with: the user hears of it, not only standard error.
    fs::remove(top / "bin/xdg-open");
    outcome = findAndStart();
    EXPECT_EQ(outcome.found, "");
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.passedOn, "/usr/bin/AppToService /Remove \"Tavik6\"\n");
    EXPECT_EQ(outcome.told, std::string("Es wurde kein Browser gefunden; die Seite ") + kPage +
                                " kann nicht geöffnet werden.\n");
}

TEST_F(XdgBrowserLookupTest, AHandlerThatCannotBeStartedFallsBackToXdgOpen) {
    script(top / "bin/xdg-open", "exit 0");
    defaultBrowser(top.string() + "/record %u");
    // The launcher's own helper is missing, so it cannot start anything.
    const Outcome outcome = findAndStart((top / "missing").c_str());
    EXPECT_EQ(outcome.found, kDesktopId);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.passedOn, (top / "bin/xdg-open").string() + " " + kPage +
                                    "\n/usr/bin/AppToService /Remove \"Tavik6\"\n");
    EXPECT_EQ(outcome.told, "") << "the stand-in opened the page";
}

}  // namespace
}  // namespace tavik
