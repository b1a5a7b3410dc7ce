#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/fakes/FakeEventLoop.h"
#include "platform/http/BeastTransfer.h"
#include "platform/http/TlsModule.h"

namespace tavik {
namespace {

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kCap = kMiB;

// Records the states a transfer reports and whether any came on a thread
// other than the caller's.
class StateLog {
public:
    std::function<void(int)> callback() {
        return [this](int state) {
            std::lock_guard lock(mutex_);
            states_.push_back(state);
            if (std::this_thread::get_id() != caller_) wrongThread_ = true;
        };
    }
    std::vector<int> states() {
        std::lock_guard lock(mutex_);
        return states_;
    }
    bool failed() {
        auto s = states();
        return !s.empty() && s.back() == kStateError;
    }
    bool completed() {
        auto s = states();
        return !s.empty() && s.back() == kStateResponseCompleted &&
               std::find(s.begin(), s.end(), kStateError) == s.end();
    }
    bool wrongThread() {
        std::lock_guard lock(mutex_);
        return wrongThread_;
    }

private:
    std::mutex mutex_;
    std::vector<int> states_;
    std::thread::id caller_ = std::this_thread::get_id();
    bool wrongThread_ = false;
};

// Lets a server handler tell that a request arrived and hold it until released.
class Gate {
public:
    void arrive() {
        { std::lock_guard lock(mutex_); arrived_ = true; }
        cv_.notify_all();
    }
    void waitArrived() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return arrived_; });
    }
    void release() {
        { std::lock_guard lock(mutex_); released_ = true; }
        cv_.notify_all();
    }
    // Also used to pace the trickling handler; returns true once released.
    bool waitReleased(std::chrono::milliseconds atMost) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, atMost, [&] { return released_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool arrived_ = false;
    bool released_ = false;
};

// An event loop that, like the desktop loop, runs another handler of the
// program while the caller waits for its transfer.
class NestedHandlerLoop : public FakeEventLoop {
public:
    std::function<void()> handler;
    void waitUntil(const std::function<bool()>& done) override {
        if (auto run = std::exchange(handler, nullptr)) run();
        FakeEventLoop::waitUntil(done);
    }
};

class BeastTransferTest : public ::testing::Test {
protected:
    BeastTransferTest() {
        server_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
            std::lock_guard lock(targetsMutex_);
            targets_.push_back(req.target);
            return httplib::Server::HandlerResponse::Unhandled;
        });
        server_.Get("/hello", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("hello", "text/plain");
        });
        server_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<html><head><title>404</title></head></html>", "text/html");
        });
        server_.Get("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("kaputt", "text/plain");
        });
        // /hop/N/STATUS redirects N more times with STATUS, then to /hello.
        server_.Get(R"(/hop/(\d+)/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            const int left = std::stoi(req.matches[1]);
            const std::string status = req.matches[2];
            res.set_redirect(left == 0 ? "/hello" : "/hop/" + std::to_string(left - 1) + "/" + status,
                             std::stoi(status));
            res.set_content("moved", "text/plain");
        });
        server_.Get(R"(/away/([\s\S]*))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_redirect(req.matches[1].str());
            res.set_content("moved", "text/plain");
        });
        server_.Get(R"(/sized/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.matches[1]), 'x'), "text/plain");
        });
        server_.Get(R"(/chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            const std::size_t total = std::stoul(req.matches[1]);
            res.set_chunked_content_provider(
                "text/plain", [total](std::size_t offset, httplib::DataSink& sink) {
                    const std::string block(std::min<std::size_t>(64 * 1024, total - offset), 'y');
                    if (!block.empty() && !sink.write(block.data(), block.size())) return false;
                    if (offset + block.size() >= total) sink.done();
                    return true;
                });
        });
        // One byte every 200 ms for five seconds.
        server_.Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "text/plain", [this](std::size_t offset, httplib::DataSink& sink) {
                    if (offset >= 25 || gate_.waitReleased(std::chrono::milliseconds(200))) {
                        sink.done();
                        return true;
                    }
                    return sink.write("z", 1);
                });
        });
        server_.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            gate_.arrive();
            gate_.waitReleased(std::chrono::seconds(30));
            res.set_content("late", "text/plain");
        });
        server_.Get(R"(/[\s\S]*)", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("ok", "text/plain");
        });

        port_ = server_.bind_to_any_port("127.0.0.1");
        listener_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::yield();
    }

    ~BeastTransferTest() override {
        gate_.release();
        server_.stop();
        listener_.join();
    }

    std::string url(const std::string& target) const {
        return "http://127.0.0.1:" + std::to_string(port_) + target;
    }

    std::vector<std::string> targets() {
        std::lock_guard lock(targetsMutex_);
        return targets_;
    }

    Gate gate_;
    httplib::Server server_;
    int port_ = 0;
    std::thread listener_;
    std::mutex targetsMutex_;
    std::vector<std::string> targets_;
};

TEST_F(BeastTransferTest, AnyCompleteResponseGivesItsBody) {
    struct Case {
        std::string target;
        std::string body;
    };
    const Case cases[] = {
        {"/hello", "hello"},
        {"/missing", "<html><head><title>404</title></head></html>"},  // an error page is no transfer error
        {"/broken", "kaputt"},
        {"/hop/0/302", "hello"},  // redirects from the same host are followed
        {"/hop/4/301", "hello"},
        {"/hop/4/303", "hello"},
        {"/hop/4/307", "hello"},
        {"/hop/4/308", "hello"},
        {"/sized/0", ""},
    };
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    for (const auto& c : cases) {
        StateLog log;
        EXPECT_EQ(transfer.openUrl(url(c.target), kCap, log.callback()), c.body) << c.target;
        EXPECT_TRUE(log.completed()) << c.target;
        EXPECT_FALSE(log.wrongThread()) << c.target;
    }
}

TEST_F(BeastTransferTest, RedirectsAwayOrTooManyFail) {
    const std::string port = std::to_string(port_);
    const std::string cases[] = {
        "/hop/5/302",                                    // a sixth redirect
        "/away/http://localhost:" + port + "/hello",     // another host name for the same server
        "/away/https://127.0.0.1:" + port + "/hello",    // another scheme
        "/away/ftp://127.0.0.1:" + port + "/hello",
        "/away/http://127.0.0.1:1/hello",                // another port
        "/away/",                                        // no place given
    };
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    for (const auto& target : cases) {
        StateLog log;
        EXPECT_EQ(transfer.openUrl(url(target), kCap, log.callback()), "") << target;
        EXPECT_TRUE(log.failed()) << target;
    }
    // Six redirects were asked for, five followed; nothing went to another place.
    const auto sent = targets();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& t) { return t.rfind("/hop/", 0) == 0; }),
              6);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), std::string("/hello")), 0);

    StateLog log;
    EXPECT_EQ(transfer.openUrl(url("/away/http://127.0.0.1:" + port + "/hello"), kCap, log.callback()), "hello");
    EXPECT_TRUE(log.completed());
}

TEST_F(BeastTransferTest, RefusedConnectionFails) {
    // A port that was just listened on and is closed again. (A server that is
    // only bound keeps its socket open, so it has to run and stop.)
    int freePort = 0;
    {
        httplib::Server closed;
        freePort = closed.bind_to_any_port("127.0.0.1");
        std::thread run([&] { closed.listen_after_bind(); });
        while (!closed.is_running()) std::this_thread::yield();
        closed.stop();
        run.join();
    }
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    StateLog log;
    EXPECT_EQ(transfer.openUrl("http://127.0.0.1:" + std::to_string(freePort) + "/x", kCap,
                               log.callback()),
              "");
    EXPECT_TRUE(log.failed());
    EXPECT_FALSE(log.wrongThread());
}

TEST_F(BeastTransferTest, MalformedAddressFailsWithoutRequest) {
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    const std::string port = std::to_string(port_);
    // An https address without the TLS module is never sent as plain HTTP.
    for (const std::string& bad : {"https://127.0.0.1:" + port + "/hello",
                                   "127.0.0.1:" + port + "/hello",
                                   "http://127.0.0.1:" + port + "x/hello", std::string("")}) {
        StateLog log;
        EXPECT_EQ(transfer.openUrl(bad, kCap, log.callback()), "") << bad;
        EXPECT_EQ(log.states(), std::vector<int>{kStateError}) << bad;
    }
    EXPECT_TRUE(targets().empty());
}

TEST_F(BeastTransferTest, BodyAboveTheCapFails) {
    struct Case {
        std::string target;
        bool fits;
    };
    const Case cases[] = {
        {"/sized/" + std::to_string(2 * kMiB), false},
        {"/chunked/" + std::to_string(2 * kMiB), false},
        {"/sized/" + std::to_string(kCap), true},
        {"/chunked/" + std::to_string(kCap), true},
        {"/chunked/" + std::to_string(kCap + 1), false},
    };
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    for (const auto& c : cases) {
        StateLog log;
        const std::string body = transfer.openUrl(url(c.target), kCap, log.callback());
        EXPECT_EQ(body.size(), c.fits ? kCap : 0) << c.target;
        EXPECT_EQ(log.completed(), c.fits) << c.target;
        EXPECT_EQ(log.failed(), !c.fits) << c.target;
    }
}

TEST_F(BeastTransferTest, TrickleEndsAtTheTotalDeadline) {
    FakeEventLoop loop;
    HttpTimeouts timeouts;
    timeouts.total = std::chrono::seconds(1);
    BeastTransfer transfer(loop, timeouts);
    StateLog log;
    EXPECT_EQ(transfer.openUrl(url("/trickle"), kCap, log.callback()), "");
    EXPECT_TRUE(log.failed());
    EXPECT_FALSE(log.wrongThread());
}

TEST_F(BeastTransferTest, SilentServerEndsAtTheReadTimeout) {
    FakeEventLoop loop;
    HttpTimeouts timeouts;
    timeouts.receive = std::chrono::seconds(1);
    BeastTransfer transfer(loop, timeouts);
    StateLog log;
    EXPECT_EQ(transfer.openUrl(url("/slow"), kCap, log.callback()), "");
    EXPECT_TRUE(log.failed());
}

// A port that takes connections (into its backlog) and never says a word:
// over https the client then waits in the handshake, which must keep the
// same read time-out and cancel as any other wait. The other limits are an
// hour, so a handshake that ignores them hangs the test until CTest's
// time-out fails it.
TEST(BeastTransferTls, HandshakeWithASilentServerEndsAtTheReadTimeoutOrACancel) {
    const char* binDir = std::getenv("TAVIK_BIN_DIR");
    ASSERT_NE(binDir, nullptr);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string url = "https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";

    for (const bool cancel : {false, true}) {
        FakeEventLoop loop;
        HttpTimeouts timeouts;
        timeouts.receive = cancel ? std::chrono::hours(1) : std::chrono::seconds(1);
        timeouts.total = std::chrono::hours(1);
        BeastTransfer transfer(loop, timeouts, std::filesystem::path(binDir) / kTlsModuleFile);
        std::thread canceller([&] {
            if (!cancel) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            transfer.cancel();
        });
        StateLog log;
        EXPECT_EQ(transfer.openUrl(url, kCap, log.callback()), "") << cancel;
        canceller.join();
        EXPECT_TRUE(log.failed()) << cancel;
    }
    ::close(listener);
}

TEST_F(BeastTransferTest, CancelFromAnotherThreadFailsTheTransfer) {
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    transfer.cancel();  // nothing running: no effect on the next transfer
    std::thread canceller([&] {
        gate_.waitArrived();
        transfer.cancel();
    });
    StateLog log;
    const std::string body = transfer.openUrl(url("/slow"), kCap, log.callback());
    canceller.join();
    EXPECT_EQ(body, "");
    EXPECT_TRUE(log.failed());
    EXPECT_FALSE(log.wrongThread());

    StateLog after;
    EXPECT_EQ(transfer.openUrl(url("/hello"), kCap, after.callback()), "hello");
    EXPECT_TRUE(after.completed());
}

TEST_F(BeastTransferTest, CancelFromAHandlerDuringTheWaitFailsTheTransfer) {
    NestedHandlerLoop loop;
    BeastTransfer transfer(loop);
    loop.handler = [&] { transfer.cancel(); };
    StateLog log;
    EXPECT_EQ(transfer.openUrl(url("/hello"), kCap, log.callback()), "");
    EXPECT_TRUE(log.failed());
}

TEST_F(BeastTransferTest, SecondRequestWhileOneRunsFails) {
    NestedHandlerLoop loop;
    BeastTransfer transfer(loop);
    StateLog first;
    StateLog second;
    std::string secondBody = "not called";
    loop.handler = [&] { secondBody = transfer.openUrl(url("/second"), kCap, second.callback()); };

    EXPECT_EQ(transfer.openUrl(url("/hello"), kCap, first.callback()), "hello");
    EXPECT_TRUE(first.completed());
    EXPECT_EQ(secondBody, "");
    EXPECT_EQ(second.states(), std::vector<int>{kStateError});
    EXPECT_EQ(targets(), std::vector<std::string>{"/hello"});
}

TEST_F(BeastTransferTest, TargetReachesTheServerEncodedOnlyWhereNeeded) {
    FakeEventLoop loop;
    BeastTransfer transfer(loop);
    StateLog log;
    EXPECT_EQ(transfer.openUrl(url("/cgi-bin/server/tavik6/readip6.cgi?k 1&p\xc3\xbc#w&6.10"), kCap,
                               log.callback()),
              "ok");
    EXPECT_EQ(targets(),
              std::vector<std::string>{"/cgi-bin/server/tavik6/readip6.cgi?k%201&p%C3%BC%23w&6.10"});
}

}  // namespace
}  // namespace tavik
