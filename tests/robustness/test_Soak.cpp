// Ten thousand cycles of the main form against the demo server, with the
// real adapters: the transfer over the POSIX event loop, the SQLite store and
// the hosts file on disk. Now and then the server's answer changes, so the
// hosts file and the store are rewritten. Memory and open files must stay
// level once the program has warmed up.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "ResolverCheck.h"
#include "core/Startform.h"
#include "platform/fakes/FakeDialUp.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/FakeSessionControl.h"
#include "platform/fakes/FakeSignatureCheck.h"
#include "platform/headless/ConsoleDialogs.h"
#include "platform/headless/NoBrowser.h"
#include "platform/headless/NoWindows.h"
#include "platform/headless/NullTray.h"
#include "platform/http/BeastTransfer.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixHostsFileStore.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/SystemClock.h"
#include "settings/RwModul.h"

extern char** environ;

namespace tavik {
namespace {

namespace fs = std::filesystem;

constexpr int kCycles = 10000;
constexpr int kWarmUp = 1000;
constexpr int kChangeEvery = 100;
// Level means: no more than this above the state after the warm-up. A leak
// of a hundred bytes a cycle would pass the heap bound after 9,000 cycles.
constexpr long kRssSlackKiB = 4096;
constexpr std::size_t kHeapSlack = 256 * 1024;
constexpr int kFdSlack = 2;

// Under AddressSanitizer freed memory is held back in quarantine and the heap
// is its own, so only the open files can be compared there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryComparable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryComparable = false;
#else
constexpr bool kMemoryComparable = true;
#endif
#else
constexpr bool kMemoryComparable = true;
#endif

const std::string kInitialHosts = "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost\n\n# keep me\n";

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The demo server as a child process. Its first line of output names its
// port; the rest (a line per request) is read and thrown away, so that it
// never blocks on a full pipe.
class DemoServer {
public:
    explicit DemoServer(const fs::path& folder) {
        const char* binDir = std::getenv("TAVIK_BIN_DIR");
        const std::string program = std::string(binDir ? binDir : ".") + "/tavik6-demo-server";
        const fs::path accounts = folder / "accounts.txt";
        std::ofstream(accounts) << "k1001 geheim Firma firma-server 10.0.0.7 50\n";
        const std::vector<std::string> args{program, "--port", "0", "--accounts", accounts.string(),
                                            "--updates", folder.string()};
        std::vector<char*> argv;
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = ::fdopen(out[0], "r");
        // "tavik6-demo-server listening on 127.0.0.1:PORT"
        const std::string first = readLine();
        const auto colon = first.rfind(':');
        if (first.find("listening on") != std::string::npos && colon != std::string::npos)
            port_ = std::atoi(first.c_str() + colon + 1);
        drain_ = std::thread([this] {
            while (!readLine().empty()) {
            }
        });
    }
    ~DemoServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (drain_.joinable()) drain_.join();
        if (output_) std::fclose(output_);
    }

    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    bool running() const { return port_ > 0; }

    // Changes the customer's account as the service's operator would.
    bool set(const std::string& query) {
        httplib::Client client("127.0.0.1", port_);
        const auto reply = client.Get("/demo/set?user=k1001&" + query);
        return reply && reply->status == 200;
    }
    // The next answer is a web page instead of a reply, as from a proxy.
    bool queueErrorPage() {
        httplib::Client client("127.0.0.1", port_);
        const auto reply = client.Get("/demo/reply?user=k1001&body=%3Chtml%3E%3Chead%3E%3C%2Fhead%3EFehler%3C%2Fhtml%3E");
        return reply && reply->status == 200;
    }

private:
    // The next line of output; empty at its end.
    std::string readLine() {
        if (!output_) return {};
        char* line = nullptr;
        std::size_t size = 0;
        const ssize_t length = ::getline(&line, &size, output_);
        std::string text = length > 0 ? std::string(line, static_cast<std::size_t>(length)) : std::string();
        std::free(line);
        return text;
    }

    pid_t pid_ = -1;
    int port_ = 0;
    std::FILE* output_ = nullptr;
    std::thread drain_;
};

struct Usage {
    long rssKiB = 0;
    std::size_t heapInUse = 0;
    int openFiles = 0;
};

Usage measure() {
    Usage usage;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) std::istringstream(line.substr(6)) >> usage.rssKiB;
    usage.heapInUse = mallinfo2().uordblks;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++usage.openFiles;
    return usage;
}

std::ostream& operator<<(std::ostream& out, const Usage& usage) {
    return out << "RSS " << usage.rssKiB << " KiB, heap in use " << usage.heapInUse / 1024 << " KiB, "
               << usage.openFiles << " open files";
}

TEST(Soak, TenThousandCyclesKeepMemoryAndOpenFilesLevel) {
    const fs::path folder = fs::temp_directory_path() / ("tavik-soak-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder / "program");
    const fs::path hostsFile = folder / "hosts";
    std::ofstream(hostsFile) << kInitialHosts;

    DemoServer server(folder);
    ASSERT_TRUE(server.running()) << "the demo server did not start";

    FakeEnvironment environment;
    environment.folder = folder / "program";
    environment.service = environment.update = server.host();
    environment.hosts = hostsFile;
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    ConsoleDialogs dialogs(nowhere, false, [](std::string&) { return false; });
    SqliteRegistry registry(folder / "registry.sqlite");
    {
        RwModul rw(registry, dialogs);
        for (const auto& [name, value] : {std::pair{"Install", "01.12.2026"}, {"User", "k1001"},
                                          {"Passwort", "geheim"}, {"Proxyserver", "1"}, {"AutoUpdate", "0"}})
            rw.write("Tavik6", name, value);
    }
    PosixHostsFileStore hostsStore;
    PosixEventLoop loop;
    BeastTransfer transfer(loop);
    SystemClock clock;
    NullTray tray;  // no one-second hold after each tray change
    FakeProcesses processes;
    FakeDialUp dialUp;
    FakeSessionControl session;
    NoBrowser browser;
    NoWindows windows;
    FakeSignatureCheck signatures;
    TavikGlobal g;
    Startform form(g, {environment, registry, hostsStore, transfer, loop, clock, dialogs, tray, processes, dialUp,
                       session, browser, windows, signatures});
    form.Form_Load();

    int online = 0;
    int errorPages = 0;
    int changes = 0;
    std::string lastAddress = "10.0.0.7";
    Usage warm;
    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        if (cycle % kChangeEvery == 0) {
            // Offline, back online at a new address, now and then an error page.
            const int step = cycle / kChangeEvery;
            if (step % 10 == 5) {
                ASSERT_TRUE(server.queueErrorPage());
                ++errorPages;
            }
            if (step % 3 == 0) {
                ASSERT_TRUE(server.set("status=20"));
            } else {
                lastAddress = "10.0." + std::to_string(step % 250) + "." + std::to_string(step % 7 + 1);
                ASSERT_TRUE(server.set("status=50&ip=" + lastAddress));
            }
            ++changes;
        }
        // As the settings entry of the menu does: a request at once.
        form.form().setMerkerFrame1("");
        form.Timer1_Timer();
        if (form.form().MerkerFrame1() == "Online") ++online;
        if (cycle == kWarmUp) warm = measure();
    }
    const Usage end = measure();
    std::cout << "after " << kWarmUp << " cycles: " << warm << "\nafter " << kCycles << " cycles: " << end << "\n";

    EXPECT_EQ(online, kCycles - errorPages) << "every other request should have been answered";
    if (kMemoryComparable) {
        EXPECT_LE(end.rssKiB, warm.rssKiB + kRssSlackKiB);
        EXPECT_LE(end.heapInUse, warm.heapInUse + kHeapSlack);
    } else {
        std::cout << "memory not compared in a build with AddressSanitizer\n";
    }
    EXPECT_LE(end.openFiles, warm.openFiles + kFdSlack);

    // The last change left the server online at lastAddress (kCycles / kChangeEvery is not a multiple of 3).
    const std::string hosts = readText(hostsFile);
    EXPECT_NE(hosts.find(lastAddress + "    firma-server       # "), std::string::npos) << hosts;
    EXPECT_EQ(hosts.find("firma-server"), hosts.rfind("firma-server")) << hosts;
    EXPECT_FALSE(fs::exists(hostsFile.string() + ".new"));
    const robustness::Resolvers resolvers;
    if (resolvers.unavailable().empty())
        EXPECT_EQ(resolvers.disagreements(kInitialHosts, hosts, "firma-server", lastAddress), "");
    else
        std::cout << "resolver check skipped: " << resolvers.unavailable() << "\n";
    EXPECT_GE(changes, kCycles / kChangeEvery);

    std::fclose(nowhere);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace tavik
