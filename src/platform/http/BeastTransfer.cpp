#include "platform/http/BeastTransfer.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <optional>
#include <thread>

#include "platform/http/HttpUrl.h"

namespace tavik {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr int kStateConnecting = 3;
constexpr int kStateResponseReceived = 8;

// What the server may send before the body: honest headers take a few
// hundred bytes, and a few thousand fields still fit. The read buffer never
// holds more than the header and one read, so a flood of header lines ends
// there, whatever the time limits.
constexpr std::uint32_t kHeaderLimit = 1 << 20;
constexpr std::size_t kReadBuffer = kHeaderLimit + (64 << 10);

// The caller's state handler must not be able to break the transfer's own
// bookkeeping by throwing.
void report(const std::function<void(int)>& onState, int state) {
    if (!onState) return;
    try {
        onState(state);
    } catch (...) {
    }
}

bool isRedirect(unsigned status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

// One transfer on its own I/O context: connect, send the request, read the
// answer, and again for each redirect, all driven by the helper thread that
// runs the context. Every wait has its time limit; the total deadline and a
// cancel close the connection, which ends whatever is waiting on it.
class HttpExchange {
public:
    HttpExchange(const HttpTimeouts& timeouts, std::size_t bodyCap)
        : timeouts_(timeouts), bodyCap_(bodyCap), deadline_(io_) {}

    // Runs the whole exchange on the calling thread; true when a complete
    // answer that is no redirect arrived, its body then in `body`.
    bool run(const HttpUrl& url, std::string& body) {
        deadline_.expires_after(timeouts_.total);
        deadline_.async_wait([this](beast::error_code ec) {
            if (!ec) fail();
        });
        // The service's host is resolved once: redirects stay on it.
        beast::error_code ec;
        tcp::resolver resolver(io_);
        endpoints_ = resolver.resolve(url.host, std::to_string(url.port), tcp::resolver::numeric_service, ec);
        if (ec || endpoints_.empty()) return false;
        url_ = url;
        asio::post(io_, [this] { startHop(); });
        io_.run();
        if (!ok_) return false;
        body = std::move(body_);
        return true;
    }

    // May be called from any thread while run() has not returned.
    void abort() {
        asio::post(io_, [this] { fail(); });
    }

private:
    void startHop() {
        if (done_) return;
        stream_.emplace(io_);
        buffer_.emplace(kReadBuffer);
        parser_.emplace();
        parser_->header_limit(kHeaderLimit);
        parser_->body_limit(static_cast<std::uint64_t>(bodyCap_));
        request_ = {};
        request_.method(http::verb::get);
        request_.target(url_.target);
        request_.version(11);
        request_.set(http::field::host, hostField(url_));
        request_.set(http::field::user_agent, "Tavik6");
        request_.set(http::field::accept, "*/*");
        request_.set(http::field::connection, "close");

        stream_->expires_after(timeouts_.connect);
        stream_->async_connect(endpoints_, [this](beast::error_code ec, const tcp::endpoint&) {
            if (ec) return fail();
            stream_->expires_after(timeouts_.write);
            http::async_write(*stream_, request_, [this](beast::error_code ec, std::size_t) {
                if (ec) return fail();
                readSome();
            });
        });
    }

    // Read by read, so that the read time-out counts silence, not the
    // length of the whole answer.
    void readSome() {
        stream_->expires_after(timeouts_.read);
        http::async_read_some(*stream_, *buffer_, *parser_, [this](beast::error_code ec, std::size_t) {
            if (ec) return fail();
            if (!parser_->is_done()) return readSome();
            answered();
        });
    }

    void answered() {
        auto& response = parser_->get();
        stream_->close();
        if (!isRedirect(response.result_int())) return succeed(std::move(response.body()));
        const auto location = response[http::field::location];
        const auto next = redirectTarget(url_, std::string_view(location.data(), location.size()));
        if (!next || ++redirects_ > kMaxRedirects) return fail();
        url_ = *next;
        // The next connection starts once the handler of this one has returned.
        asio::post(io_, [this] { startHop(); });
    }

    void succeed(std::string body) {
        if (done_) return;
        done_ = true;
        ok_ = true;
        body_ = std::move(body);
        deadline_.cancel();
    }

    void fail() {
        if (done_) return;
        done_ = true;
        deadline_.cancel();
        if (stream_) stream_->close();
    }

    const HttpTimeouts timeouts_;
    const std::size_t bodyCap_;
    asio::io_context io_;
    asio::steady_timer deadline_;
    tcp::resolver::results_type endpoints_;
    HttpUrl url_;
    int redirects_ = 0;
    std::optional<beast::tcp_stream> stream_;
    std::optional<beast::flat_buffer> buffer_;
    std::optional<http::response_parser<http::string_body>> parser_;
    http::request<http::empty_body> request_;
    bool done_ = false;
    bool ok_ = false;
    std::string body_;
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

void BeastTransfer::endTransfer() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

BeastTransfer::Outcome BeastTransfer::runExchange(const HttpUrl& url, std::size_t bodyCap) {
    Outcome outcome;
    bool exchangeOk = false;
    {
        std::jthread helper([&] {
            try {
                HttpExchange exchange(timeouts_, bodyCap);
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
