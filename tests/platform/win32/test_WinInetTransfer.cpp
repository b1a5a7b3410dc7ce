#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/WinInetTransfer.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// A server on 127.0.0.1 that answers every connection with `behave`.
class LoopbackServer {
public:
    using Behaviour = std::function<void(SOCKET client, const std::atomic<bool>& stopping)>;

    explicit LoopbackServer(Behaviour behave) : behave_(std::move(behave)) {
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
                char request[4096];
                recv(client, request, sizeof request, 0);
                behave_(client, stopping_);
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

    static void send(SOCKET client, const std::string& text) {
        ::send(client, text.data(), static_cast<int>(text.size()), 0);
    }

private:
    Behaviour behave_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
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

}  // namespace
}  // namespace tavik
