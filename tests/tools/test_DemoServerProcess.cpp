#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Starts the built server with its standard output on a pipe, so the test can
// wait for the "listening" line instead of polling.
class DemoServerProcess {
public:
    explicit DemoServerProcess(const std::vector<std::string>& args) {
        const char* binDir = getenv("TAVIK_BIN_DIR");
        const std::string program = std::string(binDir ? binDir : ".") + "/tavik6-demo-server";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fdopen(fds[0], "r");
    }
    ~DemoServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (output_) fclose(output_);
    }

    bool started() const { return pid_ > 0 && output_; }

    // The next line of standard output, empty at its end.
    std::string readLine() {
        char* line = nullptr;
        size_t size = 0;
        const ssize_t length = getline(&line, &size, output_);
        std::string text = length > 0 ? std::string(line, static_cast<size_t>(length)) : std::string();
        free(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }

    // Sends SIGTERM and gives the exit status, or -1 when it did not exit normally.
    int terminate() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

TEST(DemoServerProcess, AnswersAnIpRequestAndEndsOnSigterm) {
    char pattern[] = "/tmp/tavik-demo-XXXXXX";
    const fs::path root = mkdtemp(pattern);
    std::ofstream(root / "accounts") << "# test account\nk1001 geheim Firma firma-server 10.0.0.7 50\n";

    {
        DemoServerProcess server({"--port", "0", "--port-file", (root / "port").string(), "--accounts",
                                  (root / "accounts").string(), "--version", "6.11"});
        ASSERT_TRUE(server.started());
        const std::string banner = server.readLine();
        ASSERT_EQ(banner.rfind("tavik6-demo-server listening on 127.0.0.1:", 0), 0u) << banner;

        int port = 0;
        std::ifstream(root / "port") >> port;
        ASSERT_GT(port, 0);
        EXPECT_EQ(banner, "tavik6-demo-server listening on 127.0.0.1:" + std::to_string(port));

        httplib::Client client("127.0.0.1", port);
        const std::string target = "/cgi-bin/server/tavik6/readip6.cgi?k1001&geheim&6.10";
        const auto reply = client.Get(target);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
        EXPECT_EQ(reply->body, "220;;;50+10.0.0.7+firma-server;1;Firma;;6.11;;;");
        EXPECT_NE(server.readLine().find(target), std::string::npos);

        EXPECT_EQ(server.terminate(), 0);
    }
    fs::remove_all(root);
}

}  // namespace
