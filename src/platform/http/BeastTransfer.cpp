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
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include "platform/http/HttpUrl.h"
#include "platform/http/TlsModule.h"
#include "platform/posix/DynamicLibrary.h"
#include "platform/posix/JournalStream.h"
#include "platform/posix/UniqueFd.h"

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

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// The throwing forms of read_some and write_some that Beast's stream
// concepts ask for, on top of a stream's forms with an error_code.
template <class Stream>
class ThrowingForms {
public:
    template <class MutableBuffers>
    std::size_t read_some(const MutableBuffers& buffers) {
        error_code ec;
        const std::size_t n = static_cast<Stream&>(*this).read_some(buffers, ec);
        if (ec) throw boost::system::system_error(ec);
        return n;
    }
    template <class ConstBuffers>
    std::size_t write_some(const ConstBuffers& buffers) {
        error_code ec;
        const std::size_t n = static_cast<Stream&>(*this).write_some(buffers, ec);
        if (ec) throw boost::system::system_error(ec);
        return n;
    }
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
class SocketStream : public ThrowingForms<SocketStream> {
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
            if ((ec = waiter_.wait(fd_, POLLIN, timeouts_.receive))) return 0;
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
            if ((ec = waiter_.wait(fd_, POLLOUT, timeouts_.send))) return 0;
        }
    }

    using ThrowingForms::read_some;
    using ThrowingForms::write_some;

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

// The socket lent to the TLS module: its reads and writes keep their time
// limits and the cancel, through the handshake as afterwards.
long lentRead(void* context, void* data, unsigned long size) {
    error_code ec;
    const std::size_t n = static_cast<SocketStream*>(context)->read_some(net::buffer(data, size), ec);
    if (ec) return ec == net::error::eof ? 0 : -1;
    return static_cast<long>(n);
}

long lentWrite(void* context, const void* data, unsigned long size) {
    error_code ec;
    const std::size_t n = static_cast<SocketStream*>(context)->write_some(net::buffer(data, size), ec);
    if (ec || n == 0) return -1;
    return static_cast<long>(n);
}

// A TLS session of the module over a connected socket, as Beast's
// synchronous stream.
class TlsStream : public ThrowingForms<TlsStream> {
public:
    TlsStream(const TavikTlsFunctions& tls, SocketStream& socket, const std::string& host)
        : tls_(tls), io_{&socket, lentRead, lentWrite},
          session_(tls.open(&io_, host.c_str(), refusal_, sizeof refusal_)) {}
    ~TlsStream() {
        if (session_) tls_.close(session_);
    }
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // False when the handshake or the check of the certificate failed.
    bool open() const { return session_ != nullptr; }
    // Why the certificate was refused; empty when it was not.
    std::string refusal() const { return refusal_; }

    template <class MutableBuffers>
    std::size_t read_some(const MutableBuffers& buffers, error_code& ec) {
        for (auto it = net::buffer_sequence_begin(buffers); it != net::buffer_sequence_end(buffers); ++it) {
            const net::mutable_buffer buffer = *it;
            if (buffer.size() == 0) continue;
            const long n = tls_.read(session_, buffer.data(), buffer.size());
            if (n > 0) {
                ec = {};
                return static_cast<std::size_t>(n);
            }
            ec = n == 0 ? error_code(net::error::eof) : error_code(net::error::connection_aborted);
            return 0;
        }
        ec = {};
        return 0;
    }

    // The request's pieces go out gathered, so that a short request takes
    // one TLS record and not one per header piece.
    template <class ConstBuffers>
    std::size_t write_some(const ConstBuffers& buffers, error_code& ec) {
        char gathered[4096];
        std::size_t size = 0;
        for (auto it = net::buffer_sequence_begin(buffers);
             it != net::buffer_sequence_end(buffers) && size < sizeof gathered; ++it) {
            const net::const_buffer buffer = *it;
            const std::size_t take = std::min(buffer.size(), sizeof gathered - size);
            std::memcpy(gathered + size, buffer.data(), take);
            size += take;
        }
        if (size == 0) {
            ec = {};
            return 0;
        }
        const long n = tls_.write(session_, gathered, size);
        if (n <= 0) {
            ec = net::error::connection_aborted;
            return 0;
        }
        ec = {};
        return static_cast<std::size_t>(n);
    }

    using ThrowingForms::read_some;
    using ThrowingForms::write_some;

private:
    const TavikTlsFunctions& tls_;
    TavikTlsIo io_;
    char refusal_[kTlsRefusalSize] = {};
    void* session_;
};

// One request and its answer over an open stream, plain or TLS alike: the
// caps on header and body hold for both. False on any failure.
template <class Stream>
bool exchangeOnce(Stream& stream, const HttpUrl& url, std::size_t bodyCap,
                  http::response<http::string_body>& response) {
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
    parser.body_limit(static_cast<std::uint64_t>(bodyCap));
    // The header first and on its own: Beast's parser (1.74) loses its
    // body limit error when the first body bytes come in the same read
    // as the header, and would then take a declared length of any size.
    http::read_header(stream, buffer, parser, ec);
    if (ec) return false;
    const auto declared = parser.content_length();
    if (declared && *declared > bodyCap) return false;
    http::read(stream, buffer, parser, ec);
    if (ec) return false;
    response = parser.release();
    return true;
}

}  // namespace

// One transfer, run on the helper thread: connect, send the request, read the
// answer, and again for each redirect. Plain blocking-style I/O on a
// non-blocking socket keeps the code small; every wait has its time limit,
// the total deadline bounds them all, and a cancel ends whichever runs.
class HttpExchange {
public:
    HttpExchange(const HttpTimeouts& timeouts, std::size_t bodyCap, const TavikTlsFunctions* tls)
        : timeouts_(timeouts), bodyCap_(bodyCap), tls_(tls), cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
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
            const UniqueFd socket = connect(addresses.get());
            if (socket.get() < 0) return false;
            SocketStream plain(socket.get(), waiter_, timeouts_);
            http::response<http::string_body> response;
            if (url.secure) {
                // An https address never goes out without TLS: such a
                // transfer starts only with the module loaded, redirects keep
                // the scheme, and no handshake or no trusted certificate
                // fails the transfer.
                TlsStream secure(*tls_, plain, url.host);
                if (!secure.open()) {
                    refusal_ = secure.refusal();
                    return false;
                }
                if (!exchangeOnce(secure, url, bodyCap_, response)) return false;
            } else if (!exchangeOnce(plain, url, bodyCap_, response)) {
                return false;
            }

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

    // Why the server's certificate was refused, when that ended the run.
    const std::string& refusal() const { return refusal_; }

    // May be called from any thread while the exchange exists.
    void abort() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(cancel_.get(), &one, sizeof one);
    }

private:
    // A connected socket to the first address that takes the connection; -1
    // when none does in time.
    UniqueFd connect(const addrinfo* addresses) {
        for (const addrinfo* a = addresses; a; a = a->ai_next) {
            UniqueFd socket(::socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (socket.get() < 0) continue;
            if (::connect(socket.get(), a->ai_addr, a->ai_addrlen) == 0) return socket;
            if (errno != EINPROGRESS) continue;
            // A time-out or a cancel ends the attempt; a refusal tries the next address.
            if (waiter_.wait(socket.get(), POLLOUT, timeouts_.connect)) return UniqueFd();
            int error = 0;
            socklen_t size = sizeof error;
            if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) return socket;
        }
        return UniqueFd();
    }

    const HttpTimeouts timeouts_;
    const std::size_t bodyCap_;
    const TavikTlsFunctions* tls_;  // set for every https transfer, null otherwise
    std::string refusal_;
    UniqueFd cancel_;
    const Waiter waiter_;
};

BeastTransfer::BeastTransfer(EventLoop& loop, HttpTimeouts timeouts, std::filesystem::path tlsModule)
    : loop_(loop), timeouts_(timeouts), tlsModule_(std::move(tlsModule)) {}

const TavikTlsFunctions* BeastTransfer::loadTls() {
    if (tlsTried_) return tls_;
    tlsTried_ = true;
    // Loaded once and kept for the rest of the run: OpenSSL does not take
    // being unloaded well.
    std::string reason;
    if (tlsModule_.empty()) {
        reason = "kein Modul angegeben";
    } else if (void* module = openLibrary(tlsModule_.string(), reason)) {
        const TavikTlsFunctions* (*entry)() = nullptr;
        const TavikTlsFunctions* functions = loadSymbol(module, kTlsEntry, entry) ? entry() : nullptr;
        if (functions && functions->version == kTavikTlsVersion && functions->open && functions->read &&
            functions->write && functions->close) {
            tls_ = functions;
            return tls_;
        }
        reason = tlsModule_.string() + " passt nicht zu dieser Programmversion";
    }
    sayOnStandardError("Tavik6: Die TLS-Unterstützung konnte nicht geladen werden (" + reason +
                           "). Adressen mit https:// sind so nicht erreichbar.\n",
                       Severity::Error);
    return nullptr;
}

BeastTransfer::~BeastTransfer() = default;

std::string BeastTransfer::openUrl(const std::string& url, std::size_t bodyCap,
                                   const std::function<void(int state)>& onState) {
    Outcome outcome;
    try {
        const auto parsed = parseHttpUrl(url);
        // An https address without its TLS module fails before any
        // connection is made: it never goes out as plain HTTP.
        const TavikTlsFunctions* tls = parsed && parsed->secure ? loadTls() : nullptr;
        if (parsed && (!parsed->secure || tls) && beginTransfer()) {
            report(onState, kStateConnecting);
            try {
                outcome = runExchange(*parsed, bodyCap, tls);
            } catch (...) {
                outcome = {};
            }
            endTransfer();
            sayRefusal(hostField(*parsed), outcome.refusal);
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

void BeastTransfer::sayRefusal(const std::string& server, const std::string& refusal) {
    // A refused certificate is said once, and again only after the reason
    // has changed: the program asks again every half minute.
    if (refusal == lastRefusal_) return;
    lastRefusal_ = refusal;
    if (refusal.empty()) return;
    sayOnStandardError("Tavik6: Die sichere Verbindung zu " + server + " kam nicht zustande. " + refusal + "\n",
                       Severity::Error);
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

BeastTransfer::Outcome BeastTransfer::runExchange(const HttpUrl& url, std::size_t bodyCap,
                                                  const TavikTlsFunctions* tls) {
    Outcome outcome;
    bool exchangeOk = false;
    HttpTimeouts limits;
    {
        std::lock_guard lock(mutex_);
        limits = timeouts_.cappedAt(totalLimit_);
    }
    {
        std::jthread helper([&] {
            try {
                HttpExchange exchange(limits, bodyCap, tls);
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
                outcome.refusal = exchange.refusal();
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
