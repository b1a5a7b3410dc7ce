// Tavik6 picks its front end: headless without a usable display or desktop
// module, and then it loads no Qt library at all.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The first cycle against a service that refuses at once: the program has
// started and runs its loop.
const std::string kRunningMark = "Der Server des Dienstes (127.0.0.1:1) ist nicht erreichbar";

struct ProgramRun {
    std::string stderrText;
    std::string maps;  // /proc/<pid>/maps while it ran
    int exitStatus = -1;
};

fs::path binDir() {
    const char* dir = std::getenv("TAVIK_BIN_DIR");
    return dir ? fs::path(dir) : fs::path("bin");
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool showsRunning(const std::string& stderrText) { return stderrText.find(kRunningMark) != std::string::npos; }

// Starts the program, waits until it is `ready` (or ends), reads its memory
// map, then ends it with SIGTERM as a user would.
ProgramRun runProgram(const fs::path& program, const std::map<std::string, std::string>& environment,
                      const std::function<bool(const std::string& stderrText)>& ready = showsRunning) {
    ProgramRun run;
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return run;
    std::vector<std::string> envText;
    for (const auto& [name, value] : environment) envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envText) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::string programText = program.string();
    char* argv[] = {programText.data(), nullptr};

    const pid_t pid = fork();
    if (pid == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(errPipe[1], 2);
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    close(errPipe[1]);

    // A guard against a hang, not a measure of speed.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    char buffer[4096];
    while (!ready(run.stderrText) && std::chrono::steady_clock::now() < giveUp) {
        pollfd fd{errPipe[0], POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0) continue;
        const ssize_t n = read(errPipe[0], buffer, sizeof buffer);
        if (n <= 0) break;
        run.stderrText.append(buffer, static_cast<std::size_t>(n));
    }
    run.maps = readFile("/proc/" + std::to_string(pid) + "/maps");
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(errPipe[0]);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

// A private X server for one test, on a display number nobody uses.
class PrivateXServer {
public:
    PrivateXServer() {
        for (int number = 29900; number < 30000; ++number) {
            const std::string n = std::to_string(number);
            if (fs::exists("/tmp/.X11-unix/X" + n) || fs::exists("/tmp/.X" + n + "-lock")) continue;
            display_ = ":" + n;
            socket_ = "/tmp/.X11-unix/X" + n;
            break;
        }
        if (display_.empty()) return;
        pid_ = fork();
        if (pid_ == 0) {
            const int devNull = open("/dev/null", O_RDWR);
            dup2(devNull, 1);
            dup2(devNull, 2);
            execlp("Xvfb", "Xvfb", display_.c_str(), "-nolisten", "tcp", "-screen", "0", "640x480x24",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        // A guard against a hang, not a measure of speed.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(socket_) && std::chrono::steady_clock::now() < giveUp) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;  // it ended by itself and is reaped
                return;
            }
            poll(nullptr, 0, 50);
        }
    }
    ~PrivateXServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    bool running() const { return pid_ > 0 && fs::exists(socket_); }
    const std::string& display() const { return display_; }

private:
    std::string display_;
    std::string socket_;
    pid_t pid_ = -1;
};

class ModuleLoading : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(binDir() / "Tavik6")) << "TAVIK_BIN_DIR names the folder of the built programs";
        folder = fs::temp_directory_path() /
                 ("tavik-module-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "hosts") << "127.0.0.1 localhost\n";
        seedProfile();
    }
    // The profile set up as the wizard leaves it: a profile nobody set up
    // ends at once when no one can answer the wizard.
    void seedProfile() const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder / "registry.sqlite").c_str(), &db), SQLITE_OK);
        const char* sql =
            "CREATE TABLE registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB);"
            "INSERT INTO registry SELECT 'HKLM', 'Software\\Kovrin\\Tavik6\\Tavik6', name, 1, CAST(data AS BLOB) FROM"
            " (SELECT 'Install' AS name, '01.12.2026' AS data UNION ALL SELECT 'User', 'k1001'"
            "  UNION ALL SELECT 'Passwort', 'geheim' UNION ALL SELECT 'Proxyserver', '1');";
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    void TearDown() override {
        if (fakeDisplay >= 0) close(fakeDisplay);
        fs::remove_all(folder);
    }

    // A fresh profile, and a service host that refuses at once.
    std::map<std::string, std::string> baseEnvironment() const {
        return {{"PATH", "/usr/bin:/bin"},
                {"HOME", folder.string()},
                {"TAVIK_HOSTS_FILE", (folder / "hosts").string()},
                {"TAVIK_REGISTRY", (folder / "registry.sqlite").string()},
                {"TAVIK_SERVICE_HOST", "127.0.0.1:1"},
                {"TAVIK_UPDATE_HOST", "127.0.0.1:1"}};
    }
    // A socket that answers like a Wayland display; returns its path.
    std::string answeringDisplay() {
        const fs::path path = folder / "wayland-test";
        fakeDisplay = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(fakeDisplay, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(fakeDisplay, 4), 0);
        return path.string();
    }
    void expectHeadlessWithoutQt(const ProgramRun& run) {
        EXPECT_NE(run.stderrText.find(kRunningMark), std::string::npos) << run.stderrText;
        EXPECT_FALSE(run.maps.empty());
        EXPECT_EQ(run.maps.find("libQt6"), std::string::npos) << "a headless run loaded Qt";
        EXPECT_EQ(run.exitStatus, 0) << "SIGTERM ends the headless program through its exit sequence";
    }

    fs::path folder;
    int fakeDisplay = -1;
};

TEST_F(ModuleLoading, HeadlessRunLoadsNoQtEvenWithADisplay) {
    auto environment = baseEnvironment();
    environment["TAVIK_HEADLESS"] = "1";
    environment["WAYLAND_DISPLAY"] = answeringDisplay();
    const ProgramRun run = runProgram(binDir() / "Tavik6", environment);
    expectHeadlessWithoutQt(run);
    EXPECT_EQ(run.stderrText.find("Desktop"), std::string::npos) << "nothing to say when headless was asked for";
}

TEST_F(ModuleLoading, WithoutAnyDisplayTheProgramRunsHeadlessQuietly) {
    const ProgramRun run = runProgram(binDir() / "Tavik6", baseEnvironment());
    expectHeadlessWithoutQt(run);
    EXPECT_EQ(run.stderrText.find("Desktop"), std::string::npos);
}

TEST_F(ModuleLoading, MissingModuleIsReportedAndTheProgramRunsHeadless) {
    // The program alone in its folder, without the desktop module beside it.
    const fs::path alone = folder / "program";
    fs::create_directories(alone);
    fs::copy_file(binDir() / "Tavik6", alone / "Tavik6");
    auto environment = baseEnvironment();
    environment["WAYLAND_DISPLAY"] = answeringDisplay();
    const ProgramRun run = runProgram(alone / "Tavik6", environment);
    EXPECT_NE(run.stderrText.find("Tavik6: Die Desktop-Oberfläche konnte nicht geladen werden ("), std::string::npos)
        << run.stderrText;
    EXPECT_NE(run.stderrText.find("libtavik6-desktop.so"), std::string::npos) << "the message names what failed";
    expectHeadlessWithoutQt(run);
}

TEST_F(ModuleLoading, UnreachableDisplayIsReportedAndTheProgramRunsHeadless) {
    // Qt would end the process on a display that does not answer.
    std::string display;
    for (int number = 29871; number < 29971 && display.empty(); ++number)
        if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) display = ":" + std::to_string(number);
    auto environment = baseEnvironment();
    environment["DISPLAY"] = display;
    const ProgramRun run = runProgram(binDir() / "Tavik6", environment);
    EXPECT_NE(run.stderrText.find("Tavik6: Die Anzeige (DISPLAY=" + display + ") ist nicht erreichbar."),
              std::string::npos)
        << run.stderrText;
    expectHeadlessWithoutQt(run);
}

TEST_F(ModuleLoading, WithADisplayTheDesktopTakesOverAndEndsThroughTheExitSequence) {
    PrivateXServer server;
    if (!server.running()) GTEST_SKIP() << "needs Xvfb";
    // A program folder of its own: the start-up makes its Updates folder there.
    const fs::path program = folder / "program";
    fs::create_directories(program);
    for (const char* file : {"Tavik6", "libtavik6-desktop.so"}) fs::copy_file(binDir() / file, program / file);
    auto environment = baseEnvironment();
    environment["DISPLAY"] = server.display();
    environment["XDG_RUNTIME_DIR"] = folder.string();

    const ProgramRun run = runProgram(program / "Tavik6", environment,
                                      [&](const std::string&) { return fs::exists(program / "Updates"); });
    EXPECT_NE(run.maps.find("libtavik6-desktop.so"), std::string::npos) << run.stderrText;
    EXPECT_NE(run.maps.find("libQt6Widgets"), std::string::npos);
    EXPECT_EQ(run.exitStatus, 0) << "SIGTERM runs the exit sequence, which ends the program with 0\n"
                                 << run.stderrText;
}

}  // namespace
