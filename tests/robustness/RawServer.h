#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace tavik::robustness {

// A server on 127.0.0.1 that sends exactly the bytes a test gives it. Each
// accepted connection is handed to the behaviour on the server's own thread,
// one at a time. A behaviour that sends without end stops when the client
// hangs up, when the server is destroyed, or after four gibibytes.
class RawServer {
public:
    using Behaviour = std::function<void(RawServer&, int connection)>;
    static constexpr std::uint64_t kSendLimit = 4ull << 30;

    // Without `accepting`, the listening socket's queue is filled and never
    // taken from, so that connection attempts are not even answered.
    explicit RawServer(Behaviour behaviour, bool accepting = true) : behaviour_(std::move(behaviour)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, accepting ? 16 : 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        if (!accepting) {
            // With a backlog of 0, one waiting connection fills the queue.
            filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            ::connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address);
            return;
        }
        thread_ = std::thread([this] { serve(); });
    }

    ~RawServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        for (const int fd : {listener_, filler_})
            if (fd >= 0) ::close(fd);
    }

    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& target = "/x") const {
        return "http://127.0.0.1:" + std::to_string(port_) + target;
    }
    std::uint64_t sent() const { return sent_; }
    int connections() const { return connections_; }

    // For behaviours: sends all of `data`; false once the client has gone,
    // the server stops or the send limit is reached.
    bool send(int connection, std::string_view data) {
        while (!data.empty()) {
            if (stop_ || sent_ >= kSendLimit) return false;
            pollfd ready{connection, POLLOUT, 0};
            if (::poll(&ready, 1, 100) <= 0) continue;
            const ssize_t n = ::send(connection, data.data(), data.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent_ += static_cast<std::uint64_t>(n);
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // For behaviours: the request up to its empty line, as far as it comes
    // within a few seconds.
    std::string readRequest(int connection) {
        std::string head;
        char buffer[4096];
        for (int waits = 0; head.find("\r\n\r\n") == std::string::npos && waits < 50 && !stop_;) {
            pollfd ready{connection, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0) {
                ++waits;
                continue;
            }
            const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        return head;
    }

private:
    void serve() {
        while (!stop_) {
            pollfd ready{listener_, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0) continue;
            const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            ++connections_;
            behaviour_(*this, connection);
            ::shutdown(connection, SHUT_RDWR);
            ::close(connection);
        }
    }

    Behaviour behaviour_;
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> sent_{0};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace tavik::robustness
