#include "platform/http/BeastTransfer.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <boost/asio/buffer.hpp>
#include <boost/asio/error.hpp>
#include <boost/beast/core/error.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/system/system_error.hpp>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <thread>
#include <utility>

#include "platform/http/HttpUrl.h"

namespace tavik {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using beast::error_code;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kStateConnecting = 3;
constexpr int kStateResponseReceived = 8;

// The read buffer never holds more than the header and one read, so a flood
// of header lines ends at the header limit, whatever the time limits.
constexpr std::size_t kReadBuffer = kHeaderLimit + (64 << 10);
constexpr std::size_t kMaxIov = 16;

// The caller's state handler must not be able to break the transfer's own
// bookkeeping by throwing.
void report(const std::function<void(int)>& onState, int state) {
    if (!onState) return;
    try {
        onState(state);
    } catch (...) {
    }
}

error_code lastError() { return error_code(errno, boost::system::system_category()); }

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// Every wait of one exchange: for its socket, bounded by the time limit of
// the step and the total deadline, and cut short by a cancel.
class Waiter {
public:
    Waiter(int cancelFd, Clock::time_point deadline) : cancelFd_(cancelFd), deadline_(deadline) {}

    error_code wait(int fd, short events, std::chrono::milliseconds limit) const {
        const auto until = std::min(Clock::now() + limit, deadline_);
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) return beast::error::timeout;
            pollfd fds[2] = {{fd, events, 0}, {cancelFd_, POLLIN, 0}};
            const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 60'000)));
            if (ready < 0 && errno != EINTR) return lastError();
            if (ready <= 0) continue;
            if (fds[1].revents != 0) return net::error::operation_aborted;
            if (fds[0].revents != 0) return {};
        }
    }

private:
    int cancelFd_;
    Clock::time_point deadline_;
};

// A connected non-blocking socket as Beast's synchronous stream: each read
// waits at most the read time-out for data, each write the write time-out
// for room.
class SocketStream {
public:
    SocketStream(int fd, const Waiter& waiter, const HttpTimeouts& timeouts)
        : fd_(fd), waiter_(waiter), timeouts_(timeouts) {}

    template <class MutableBuffers>
    std::size_t read_some(const MutableBuffers& buffers, error_code& ec) {
        iovec iov[kMaxIov];
        const int count = fill(iov, buffers);
        for (;;) {
            const ssize_t n = ::readv(fd_, iov, count);
            if (n > 0) {
                ec = {};
                return static_cast<std::size_t>(n);
            }
            if (n == 0) {
                ec = net::error::eof;
                return 0;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                ec = lastError();
                return 0;
            }
            if ((ec = waiter_.wait(fd_, POLLIN, timeouts_.read))) return 0;
        }
    }

    template <class ConstBuffers>
    std::size_t write_some(const ConstBuffers& buffers, error_code& ec) {
        iovec iov[kMaxIov];
        msghdr message{};
        message.msg_iov = iov;
        message.msg_iovlen = static_cast<std::size_t>(fill(iov, buffers));
        for (;;) {
            const ssize_t n = ::sendmsg(fd_, &message, MSG_NOSIGNAL);
            if (n >= 0) {
                ec = {};
                return static_cast<std::size_t>(n);
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                ec = lastError();
                return 0;
            }
            if ((ec = waiter_.wait(fd_, POLLOUT, timeouts_.write))) return 0;
        }
    }

    // The throwing forms Beast's stream concepts ask for as well.
    template <class MutableBuffers>
    std::size_t read_some(const MutableBuffers& buffers) {
        error_code ec;
        const std::size_t n = read_some(buffers, ec);
        if (ec) throw boost::system::system_error(ec);
        return n;
    }
    template <class ConstBuffers>
    std::size_t write_some(const ConstBuffers& buffers) {
        error_code ec;
        const std::size_t n = write_some(buffers, ec);
        if (ec) throw boost::system::system_error(ec);
        return n;
    }

private:
    template <class Buffers>
    static int fill(iovec (&iov)[kMaxIov], const Buffers& buffers) {
        int count = 0;
        for (auto it = net::buffer_sequence_begin(buffers);
             it != net::buffer_sequence_end(buffers) && count < static_cast<int>(kMaxIov); ++it) {
            const auto buffer = *it;
            iov[count].iov_base = const_cast<void*>(static_cast<const void*>(buffer.data()));
            iov[count].iov_len = buffer.size();
            ++count;
        }
        return count;
    }

    int fd_;
    const Waiter& waiter_;
    const HttpTimeouts& timeouts_;
};

}  // namespace

// One transfer, run on the helper thread: connect, send the request, read the
// answer, and again for each redirect. Plain blocking-style I/O on a
// non-blocking socket keeps the code small; every wait has its time limit,
// the total deadline bounds them all, and a cancel ends whichever runs.
class HttpExchange {
public:
    HttpExchange(const HttpTimeouts& timeouts, std::size_t bodyCap)
        : timeouts_(timeouts), bodyCap_(bodyCap), cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
          waiter_(cancel_.get(), Clock::now() + timeouts.total) {}

    // True when a complete answer that is no redirect arrived, its body then
    // in `body`.
    bool run(HttpUrl url, std::string& body) {
        if (cancel_.get() < 0) return false;
        // The service's host is resolved once: redirects stay on it. The
        // lookup itself cannot be cut short; a cancel or the deadline ends
        // the transfer at the first wait after it.
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* found = nullptr;
        if (::getaddrinfo(url.host.c_str(), std::to_string(url.port).c_str(), &hints, &found) != 0) return false;
        const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);

        for (int redirects = 0;; ++redirects) {
            const FileDescriptor socket = connect(addresses.get());
            if (socket.get() < 0) return false;
            SocketStream stream(socket.get(), waiter_, timeouts_);

            http::request<http::empty_body> request{http::verb::get, url.target, 11};
            request.set(http::field::host, hostField(url));
            request.set(http::field::user_agent, "Tavik6");
            request.set(http::field::accept, "*/*");
            request.set(http::field::connection, "close");
            error_code ec;
            http::write(stream, request, ec);
            if (ec) return false;

            beast::flat_buffer buffer(kReadBuffer);
            http::response_parser<http::string_body> parser;
            parser.header_limit(kHeaderLimit);
            parser.body_limit(static_cast<std::uint64_t>(bodyCap_));
            // The header first and on its own: Beast's parser (1.74) loses its
            // body limit error when the first body bytes come in the same read
            // as the header, and would then take a declared length of any size.
            http::read_header(stream, buffer, parser, ec);
            if (ec) return false;
            const auto declared = parser.content_length();
            if (declared && *declared > bodyCap_) return false;
            http::read(stream, buffer, parser, ec);
            if (ec) return false;

            auto& response = parser.get();
            if (!isRedirectStatus(response.result_int())) {
                body = std::move(response.body());
                return true;
            }
            const auto location = response[http::field::location];
            const auto next = redirectTarget(url, std::string_view(location.data(), location.size()));
            if (!next || redirects == kMaxRedirects) return false;
            url = *next;
        }
    }

    // May be called from any thread while the exchange exists.
    void abort() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(cancel_.get(), &one, sizeof one);
    }

private:
    // A connected socket to the first address that takes the connection; -1
    // when none does in time.
    FileDescriptor connect(const addrinfo* addresses) {
        for (const addrinfo* a = addresses; a; a = a->ai_next) {
            FileDescriptor socket(::socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (socket.get() < 0) continue;
            if (::connect(socket.get(), a->ai_addr, a->ai_addrlen) == 0) return socket;
            if (errno != EINPROGRESS) continue;
            // A time-out or a cancel ends the attempt; a refusal tries the next address.
            if (waiter_.wait(socket.get(), POLLOUT, timeouts_.connect)) return FileDescriptor();
            int error = 0;
            socklen_t size = sizeof error;
            if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) return socket;
        }
        return FileDescriptor();
    }

    const HttpTimeouts timeouts_;
    const std::size_t bodyCap_;
    FileDescriptor cancel_;
    const Waiter waiter_;
};

BeastTransfer::BeastTransfer(EventLoop& loop, HttpTimeouts timeouts) : loop_(loop), timeouts_(timeouts) {}

BeastTransfer::~BeastTransfer() = default;

std::string BeastTransfer::openUrl(const std::string& url, std::size_t bodyCap,
                                   const std::function<void(int state)>& onState) {
    Outcome outcome;
    try {
        const auto parsed = parseHttpUrl(url);
        if (parsed && beginTransfer()) {
            report(onState, kStateConnecting);
            try {
                outcome = runExchange(*parsed, bodyCap);
            } catch (...) {
                outcome = {};
            }
            endTransfer();
        }
    } catch (...) {
        outcome = {};
    }
    if (!outcome.complete) {
        report(onState, kStateError);
        return {};
    }
    report(onState, kStateResponseReceived);
    report(onState, kStateResponseCompleted);
    return std::move(outcome.body);
}

void BeastTransfer::cancel() {
    std::lock_guard lock(mutex_);
    if (!running_) return;
    cancelRequested_ = true;
    if (exchange_) exchange_->abort();
}

bool BeastTransfer::beginTransfer() {
    std::lock_guard lock(mutex_);
    if (running_) return false;  // a second request while one is in flight
    running_ = true;
    finished_ = false;
    cancelRequested_ = false;
    return true;
}

void BeastTransfer::limitTotalTime(std::chrono::milliseconds total) {
    std::lock_guard lock(mutex_);
    totalLimit_ = total;
}

void BeastTransfer::endTransfer() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

BeastTransfer::Outcome BeastTransfer::runExchange(const HttpUrl& url, std::size_t bodyCap) {
    Outcome outcome;
    bool exchangeOk = false;
    // A limit set from outside shortens every time limit, so that not even
    // the opening of the connection outlasts it.
    HttpTimeouts limits = timeouts_;
    {
        std::lock_guard lock(mutex_);
        for (auto* limit : {&limits.connect, &limits.read, &limits.write, &limits.total})
            *limit = std::min(*limit, totalLimit_);
    }
    {
        std::jthread helper([&] {
            try {
                HttpExchange exchange(limits, bodyCap);
                // A cancel reaches the exchange only while it exists.
                struct Registration {
                    BeastTransfer& transfer;
                    ~Registration() {
                        std::lock_guard lock(transfer.mutex_);
                        transfer.exchange_ = nullptr;
                    }
                } registration{*this};
                bool go = false;
                {
                    std::lock_guard lock(mutex_);
                    go = !cancelRequested_;
                    if (go) exchange_ = &exchange;
                }
                if (go) exchangeOk = exchange.run(url, outcome.body);
            } catch (...) {
                exchangeOk = false;
            }
            {
                std::lock_guard lock(mutex_);
                finished_ = true;
            }
            loop_.wake();
        });

        loop_.waitUntil([this] {
            std::lock_guard lock(mutex_);
            return finished_;
        });
    }  // the helper thread is joined here

    std::lock_guard lock(mutex_);
    outcome.complete = exchangeOk && !cancelRequested_;
    if (!outcome.complete) outcome.body.clear();
    return outcome;
}

}  // namespace tavik
