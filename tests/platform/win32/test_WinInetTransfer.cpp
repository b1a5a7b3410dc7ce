#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/http/HttpUrl.h"
#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/WinInetTransfer.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// A server on 127.0.0.1 that answers every connection with `behave`, given
// the target of the request; it counts the connections.
class LoopbackServer {
public:
    using Behaviour = std::function<void(SOCKET client, const std::atomic<bool>& stopping)>;
    using Answer = std::function<void(SOCKET client, const std::string& target, const std::atomic<bool>& stopping)>;

    explicit LoopbackServer(Behaviour behave)
        : LoopbackServer(Answer([behave](SOCKET c, const std::string&, const std::atomic<bool>& s) { behave(c, s); })) {}
    explicit LoopbackServer(Answer answer) : answer_(std::move(answer)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        int size = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            while (true) {
                const SOCKET client = accept(listener_, nullptr, nullptr);
                if (client == INVALID_SOCKET) return;
                ++connections_;
                char request[4096];
                const int got = recv(client, request, sizeof request, 0);
                // "GET /target HTTP/1.1"
                const std::string line(request, got > 0 ? static_cast<std::size_t>(got) : 0);
                const auto from = line.find(' ') + 1;
                answer_(client, line.substr(from, line.find(' ', from) - from), stopping_);
                closesocket(client);
            }
        });
    }
    ~LoopbackServer() {
        stopping_ = true;
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::string url(const std::string& target) const {
        return "http://127.0.0.1:" + std::to_string(port_) + target;
    }
    int port() const { return port_; }
    int connections() const { return connections_; }

    static void send(SOCKET client, const std::string& text) {
        ::send(client, text.data(), static_cast<int>(text.size()), 0);
    }
    // Sends `head` and then `block` again and again until the client stops
    // taking it.
    static void sendWithoutEnd(SOCKET client, const std::string& head, const std::string& block,
                               const std::atomic<bool>& stopping) {
        std::string next = head;
        while (!stopping) {
            const int n = ::send(client, next.data(), static_cast<int>(next.size()), 0);
            if (n <= 0) return;
            next = n < static_cast<int>(next.size()) ? next.substr(n) : block;
        }
    }

private:
    Answer answer_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Sleeps in small steps so the server thread ends with the test.
void idle(const std::atomic<bool>& stopping, std::chrono::milliseconds total) {
    for (auto slept = 0ms; slept < total && !stopping; slept += 20ms) std::this_thread::sleep_for(20ms);
}

class WinInetTransferTest : public testing::Test {
protected:
    std::string fetch(const std::string& url, std::size_t cap = 1 << 20) {
        states.clear();
        const auto start = std::chrono::steady_clock::now();
        std::string body = transfer.openUrl(url, cap, [&](int state) { states.push_back(state); });
        took = std::chrono::steady_clock::now() - start;
        return body;
    }
    bool failed() const { return !states.empty() && states.back() == kStateError; }

    Win32EventLoop loop;
    WinInetTransfer transfer{loop, {1s, 500ms, 1s, 2s}};
    std::vector<int> states;
    std::chrono::steady_clock::duration took{};
};

TEST_F(WinInetTransferTest, WholeBodyOfAnAnswerArrives) {
    LoopbackServer server([](SOCKET client, const std::atomic<bool>&) {
        LoopbackServer::send(client, "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n220;50+1.2.3.4+srv;1;;6.10");
    });
    EXPECT_EQ(fetch(server.url("/cgi-bin/server/tavik6/readip6.cgi?k1&pw&6.10")), "220;50+1.2.3.4+srv;1;;6.10");
    EXPECT_EQ(states.back(), kStateResponseCompleted);
}

// Every failure ends within the limits and reports the error state with no body.
TEST_F(WinInetTransferTest, SilentTricklingOversizedAndRefusedServersEndInTheErrorState) {
    struct Row {
        const char* what;
        LoopbackServer::Behaviour behave;
        std::size_t cap;
    };
    const Row rows[] = {
        {"silent", [](SOCKET, const std::atomic<bool>& stopping) { idle(stopping, 5s); }, 1 << 20},
        {"trickling",
         [](SOCKET client, const std::atomic<bool>& stopping) {
             LoopbackServer::send(client, "HTTP/1.0 200 OK\r\n\r\n");
             for (int i = 0; i < 40 && !stopping; ++i) {
                 LoopbackServer::send(client, "x");
                 idle(stopping, 200ms);
             }
         },
         1 << 20},
        {"declared above the cap",
         [](SOCKET client, const std::atomic<bool>&) {
             LoopbackServer::send(client, "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(100, 'a'));
         },
         50},
        {"sent above the cap",
         [](SOCKET client, const std::atomic<bool>&) {
             LoopbackServer::send(client, "HTTP/1.0 200 OK\r\n\r\n" + std::string(100, 'a'));
         },
         50},
    };
    for (const Row& row : rows) {
        LoopbackServer server(row.behave);
        EXPECT_EQ(fetch(server.url("/"), row.cap), "") << row.what;
        EXPECT_TRUE(failed()) << row.what;
        EXPECT_LT(took, 4s) << row.what;
    }
    // Nobody listening on the port any more.
    std::string url;
    {
        LoopbackServer gone([](SOCKET, const std::atomic<bool>&) {});
        url = gone.url("/");
    }
    EXPECT_EQ(fetch(url), "");
    EXPECT_TRUE(failed());
}

TEST_F(WinInetTransferTest, CancelFromTheLoopEndsTheWaitAtOnce) {
    LoopbackServer server([](SOCKET, const std::atomic<bool>& stopping) { idle(stopping, 5s); });
    std::thread console([] {
        std::this_thread::sleep_for(200ms);
        Win32EventLoop::consoleHandler(CTRL_C_EVENT);
    });
    WinInetTransfer patient(loop, {10s, 10s, 10s, 10s});
    loop.watchExit([] {}, [&] { patient.cancel(); });
    const auto start = std::chrono::steady_clock::now();
    std::vector<int> seen;
    EXPECT_EQ(patient.openUrl(server.url("/"), 1 << 20, [&](int state) { seen.push_back(state); }), "");
    console.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), kStateError);
}

// The exchange follows redirects itself, as the Linux transfer does: five at
// most, and only on the host and port asked for.
TEST_F(WinInetTransferTest, RedirectsAreFollowedOnlyOnTheSameHostAndFiveTimesAtMost) {
    // /hop/N/STATUS redirects N more times with STATUS, then to /hello;
    // /away/PLACE redirects to PLACE.
    LoopbackServer server(LoopbackServer::Answer([](SOCKET client, const std::string& target, const std::atomic<bool>&) {
        if (target == "/hello") return LoopbackServer::send(client, "HTTP/1.0 200 OK\r\n\r\nhello");
        std::string location;
        std::string status = "302";
        if (target.rfind("/hop/", 0) == 0) {
            const int left = std::stoi(target.substr(5));
            status = target.substr(target.rfind('/') + 1);
            location = left == 0 ? "/hello" : "/hop/" + std::to_string(left - 1) + "/" + status;
        } else if (target.rfind("/away/", 0) == 0) {
            location = target.substr(6);
        }
        LoopbackServer::send(client, "HTTP/1.0 " + status + " Moved\r\nLocation: " + location +
                                         "\r\nContent-Length: 5\r\n\r\nmoved");
    }));
    const std::string port = std::to_string(server.port());
    struct Row {
        std::string target;
        std::string body;  // empty: the transfer fails
    };
    const Row rows[] = {
        {"/hop/0/302", "hello"},
        {"/hop/4/301", "hello"},
        {"/hop/4/303", "hello"},
        {"/hop/4/307", "hello"},
        {"/hop/4/308", "hello"},
        {"/away/http://127.0.0.1:" + port + "/hello", "hello"},
        {"/hop/5/302", ""},                                  // a sixth redirect
        {"/away/http://localhost:" + port + "/hello", ""},  // another host name for the same server
        {"/away/http://127.0.0.1:1/hello", ""},              // another port
        {"/away/https://127.0.0.1:" + port + "/hello", ""},  // another scheme
        {"/away/", ""},                                      // no place given
    };
    for (const Row& row : rows) {
        const int before = server.connections();
        EXPECT_EQ(fetch(server.url(row.target)), row.body) << row.target;
        EXPECT_EQ(failed(), row.body.empty()) << row.target;
        if (row.target == "/hop/5/302") {
            EXPECT_EQ(server.connections() - before, 1 + kMaxRedirects);
        }
    }
}

// Headers above the limit the Linux transfer sets fail the transfer, honest
// ones within it do not; headers without end fail at the total deadline,
// since WinINet reads the whole header before it returns.
TEST_F(WinInetTransferTest, HeadersAboveTheLimitOrWithoutEndFail) {
    // Long lines: WinINet under Wine takes longer for each further field.
    auto lines = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "X-Field-" + std::to_string(i) + ": " + std::string(1300, 'v') + "\r\n";
        return text;
    };
    struct Row {
        const char* what;
        std::string head;
        std::string block;  // sent again and again after `head`; empty: `head` is the whole answer
        std::string body;   // empty: the transfer fails
    };
    const Row rows[] = {
        {"300 long fields", "HTTP/1.1 200 OK\r\n" + lines(300) + "Content-Length: 2\r\n\r\nok", "", "ok"},
        {"a megabyte and a half of fields", "HTTP/1.1 200 OK\r\n" + lines(1200) + "Content-Length: 2\r\n\r\nok",
         "", ""},
        {"header lines without end", "HTTP/1.1 200 OK\r\n", lines(100), ""},
        {"one header line without end", "HTTP/1.1 200 OK\r\nX-Long: ", std::string(65536, 'v'), ""},
    };
    for (const Row& row : rows) {
        LoopbackServer server([&](SOCKET client, const std::atomic<bool>& stopping) {
            if (row.block.empty()) return LoopbackServer::send(client, row.head);
            LoopbackServer::sendWithoutEnd(client, row.head, row.block, stopping);
        });
        EXPECT_EQ(fetch(server.url("/")), row.body) << row.what;
        EXPECT_EQ(failed(), row.body.empty()) << row.what;
        EXPECT_LT(took, 4s) << row.what;
    }
}

}  // namespace
}  // namespace tavik
