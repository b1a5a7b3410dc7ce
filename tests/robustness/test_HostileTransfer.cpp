// The transfer against servers that misbehave at the level of bytes. Each
// must end in the error state with an empty body, the server must not get
// much more than the body cap out before the client stops it, and the
// transfer must work again afterwards.
#include <gtest/gtest.h>

#include <string>

#include "RawServer.h"
#include "platform/fakes/FakeEventLoop.h"
#include "platform/http/BeastTransfer.h"

namespace tavik {
namespace {

using robustness::RawServer;
using namespace std::chrono_literals;

constexpr std::size_t kCap = 1 << 20;
// Socket buffers on both sides hold a few megabytes beyond what the client
// has read; a server that can send this much was not stopped by the cap.
constexpr std::uint64_t kSentBound = 32ull << 20;

const std::string kReply = "220;;;50+10.0.0.7+firma-server;1;Firma;;6.10;;;";

// Generous limits: the tests below must end by the caps, not by the clock.
HttpTimeouts generousTimeouts() {
    HttpTimeouts timeouts;
    timeouts.connect = 10s;
    timeouts.receive = 10s;
    timeouts.send = 10s;
    timeouts.total = 20s;
    return timeouts;
}

struct Outcome {
    std::string body;
    bool failed = false;
};

Outcome fetch(BeastTransfer& transfer, const std::string& url) {
    Outcome outcome;
    outcome.body = transfer.openUrl(url, kCap, [&](int state) { outcome.failed = state == kStateError; });
    return outcome;
}

void answerProperly(RawServer& server, int connection) {
    server.readRequest(connection);
    server.send(connection, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kReply.size()) +
                                "\r\nConnection: close\r\n\r\n" + kReply);
}

void sendWithoutEnd(RawServer& server, int connection, const std::string& head, const std::string& block) {
    server.readRequest(connection);
    if (server.send(connection, head))
        while (server.send(connection, block)) {
        }
}

std::string headerLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "X-Field-" + std::to_string(i) + ": vvvvvvvvvvvvvvvvvvvv\r\n";
    return lines;
}

TEST(HostileTransfer, AHostileAnswerFailsAndTheNextTransferWorks) {
    struct Case {
        const char* what;
        RawServer::Behaviour behaviour;
    };
    const std::string chunk = "100000\r\n" + std::string(0x100000, 'y') + "\r\n";
    const Case cases[] = {
        {"header lines without end",
         [](RawServer& s, int c) { sendWithoutEnd(s, c, "HTTP/1.1 200 OK\r\n", headerLines(4096)); }},
        {"one header line without end",
         [](RawServer& s, int c) { sendWithoutEnd(s, c, "HTTP/1.1 200 OK\r\nX-Long: ", std::string(65536, 'v')); }},
        {"a body without length and without end",
         [](RawServer& s, int c) { sendWithoutEnd(s, c, "HTTP/1.1 200 OK\r\n\r\n", std::string(1 << 20, 'x')); }},
        {"chunks without end",
         [&](RawServer& s, int c) {
             sendWithoutEnd(s, c, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", chunk);
         }},
        {"a declared length of 8 GiB, sent",
         [](RawServer& s, int c) {
             sendWithoutEnd(s, c, "HTTP/1.1 200 OK\r\nContent-Length: 8589934592\r\n\r\n", std::string(1 << 20, 'z'));
         }},
        {"a declared length of 8 GiB, its first bytes in the header's packet",
         [](RawServer& s, int c) {
             sendWithoutEnd(s, c, "HTTP/1.1 200 OK\r\nContent-Length: 8589934592\r\n\r\n" + std::string(4096, 'z'),
                            std::string(1 << 20, 'z'));
         }},
        {"a body cut short",
         [](RawServer& s, int c) {
             s.readRequest(c);
             s.send(c, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + kReply);
         }},
        {"a chunk cut short",
         [](RawServer& s, int c) {
             s.readRequest(c);
             s.send(c, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3e8\r\n" + kReply);
         }},
        {"headers cut short",
         [](RawServer& s, int c) {
             s.readRequest(c);
             s.send(c, "HTTP/1.1 200 OK\r\nContent-Length: 47\r\n");
         }},
        {"bytes that are not HTTP",
         [](RawServer& s, int c) {
             s.readRequest(c);
             std::string garbage;
             for (unsigned i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 2654435761u) >> 24);
             s.send(c, garbage);
         }},
        {"a status line only",
         [](RawServer& s, int c) {
             s.readRequest(c);
             s.send(c, "HTTP/1.1 200 OK\r\n");
         }},
    };
    FakeEventLoop loop;
    BeastTransfer transfer(loop, generousTimeouts());
    RawServer good(answerProperly);
    for (const auto& c : cases) {
        RawServer hostile(c.behaviour);
        const Outcome outcome = fetch(transfer, hostile.url());
        EXPECT_TRUE(outcome.failed) << c.what;
        EXPECT_EQ(outcome.body, "") << c.what;
        EXPECT_LT(hostile.sent(), kSentBound) << c.what;
        const Outcome next = fetch(transfer, good.url());
        EXPECT_FALSE(next.failed) << c.what;
        EXPECT_EQ(next.body, kReply) << c.what;
    }
}

TEST(HostileTransfer, ManyHeaderFieldsStillGiveTheBody) {
    RawServer server([](RawServer& s, int c) {
        s.readRequest(c);
        s.send(c, "HTTP/1.1 200 OK\r\n" + headerLines(10000) + "Content-Length: " + std::to_string(kReply.size()) +
                      "\r\n\r\n" + kReply);
    });
    FakeEventLoop loop;
    BeastTransfer transfer(loop, generousTimeouts());
    const Outcome outcome = fetch(transfer, server.url());
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(outcome.body, kReply);
}

TEST(HostileTransfer, ARedirectLoopEndsAfterFiveRedirects) {
    RawServer server([](RawServer& s, int c) {
        s.readRequest(c);
        s.send(c, "HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 5\r\n\r\nmoved");
    });
    FakeEventLoop loop;
    BeastTransfer transfer(loop, generousTimeouts());
    const Outcome outcome = fetch(transfer, server.url());
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.body, "");
    EXPECT_EQ(server.connections(), 1 + kMaxRedirects);

    RawServer good(answerProperly);
    EXPECT_EQ(fetch(transfer, good.url()).body, kReply);
}

// The time limits of the test build: a server whose queue is full answers no
// connection attempt, and the connect time-out must end the wait.
TEST(HostileTransfer, AServerThatNeverAcceptsFailsTheTransfer) {
    RawServer deaf(nullptr, false);
    FakeEventLoop loop;
    HttpTimeouts timeouts;
    timeouts.connect = 600ms;
    timeouts.receive = 600ms;
    timeouts.send = 600ms;
    timeouts.total = 900ms;
    BeastTransfer transfer(loop, timeouts);
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = fetch(transfer, deaf.url());
    EXPECT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.body, "");
    // A failure bound only: without its limits the wait would last minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
    EXPECT_EQ(deaf.connections(), 0);

    RawServer good(answerProperly);
    EXPECT_EQ(fetch(transfer, good.url()).body, kReply);
}

}  // namespace
}  // namespace tavik
