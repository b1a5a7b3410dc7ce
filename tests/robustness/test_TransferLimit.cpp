// The limit the exit puts on its last transfer: a server that keeps silent,
// trickles, or never takes the connection must not hold the transfer longer
// than that limit, whatever the transfer's own (long) time limits allow.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>

#include "RawServer.h"
#include "platform/fakes/FakeEventLoop.h"
#include "platform/http/BeastTransfer.h"

namespace tavik {
namespace {

using robustness::RawServer;
using namespace std::chrono_literals;

TEST(TransferLimit, ALimitSetLaterEndsSilentTricklingAndDeafServers) {
    struct Case {
        const char* what;
        RawServer::Behaviour behaviour;
        bool accepting;
    };
    const Case cases[] = {
        {"silent",
         [](RawServer& s, int c) {
             s.readRequest(c);
             // Half a minute of silence, or until the client hangs up.
             for (int i = 0; i < 300; ++i) {
                 pollfd ready{c, POLLIN, 0};
                 char byte;
                 if (::poll(&ready, 1, 100) > 0 && ::recv(c, &byte, 1, 0) <= 0) return;
             }
         },
         true},
        {"trickling",
         [](RawServer& s, int c) {
             s.readRequest(c);
             s.send(c, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
             while (s.send(c, "2")) std::this_thread::sleep_for(100ms);
         },
         true},
        {"never accepting", nullptr, false},
    };
    FakeEventLoop loop;
    BeastTransfer transfer(loop);  // the real program's minute-long limits
    transfer.limitTotalTime(500ms);
    for (const auto& c : cases) {
        RawServer server(c.behaviour, c.accepting);
        bool failed = false;
        const auto started = std::chrono::steady_clock::now();
        const std::string body = transfer.openUrl(server.url(), 1 << 20, [&](int state) { failed = state == kStateError; });
        EXPECT_TRUE(failed) << c.what;
        EXPECT_EQ(body, "") << c.what;
        // A failure bound only: without the limit each would last a minute or more.
        EXPECT_LT(std::chrono::steady_clock::now() - started, 20s) << c.what;
    }
}

}  // namespace
}  // namespace tavik
