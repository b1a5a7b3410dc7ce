#include "platform/http/HttplibTransfer.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <thread>

#include "platform/http/HttpUrl.h"
#include "platform/http/ReceivedBytes.h"

namespace tavik {
namespace {

constexpr int kStateConnecting = 3;
constexpr int kStateResponseReceived = 8;

// How often the watchdog repeats its stop while an exchange is still opening
// its connection (a stop at that moment does not reach the socket yet).
constexpr std::chrono::milliseconds kStopRetry{50};

// What the server may send besides the body: honest headers and chunk lines
// take a few hundred bytes. The count is looked at every kBudgetCheck, so a
// flood of header lines ends after a few megabytes at most, whatever the
// time limits.
constexpr std::uint64_t kHeaderAllowance = 64 * 1024;
constexpr std::chrono::milliseconds kBudgetCheck{10};

// The caller's state handler must not be able to break the transfer's own
// bookkeeping by throwing.
void report(const std::function<void(int)>& onState, int state) {
    if (!onState) return;
    try {
        onState(state);
    } catch (...) {
    }
}

std::optional<std::uint64_t> contentLength(const httplib::Response& response) {
    if (!response.has_header("Content-Length")) return std::nullopt;
    const std::string text = response.get_header_value("Content-Length");
    std::uint64_t length = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), length);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return length;
}

template <class Setter>
void applyTimeout(std::chrono::milliseconds timeout, Setter set) {
    const auto ms = timeout.count() < 0 ? 0 : timeout.count();
    set(static_cast<time_t>(ms / 1000), static_cast<time_t>((ms % 1000) * 1000));
}

}  // namespace

HttplibTransfer::HttplibTransfer(EventLoop& loop, HttpTimeouts timeouts)
    : loop_(loop), timeouts_(timeouts) {}

HttplibTransfer::~HttplibTransfer() = default;

std::string HttplibTransfer::openUrl(const std::string& url, std::size_t bodyCap,
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

void HttplibTransfer::cancel() {
    {
        std::lock_guard lock(mutex_);
        if (!running_) return;
        cancelRequested_ = true;
    }
    changed_.notify_all();
}

void HttplibTransfer::limitTotalTime(std::chrono::milliseconds total) {
    std::lock_guard lock(mutex_);
    totalLimit_ = total;
}

bool HttplibTransfer::beginTransfer() {
    std::lock_guard lock(mutex_);
    if (running_) return false;  // a second request while one is in flight
    running_ = true;
    finished_ = false;
    cancelRequested_ = false;
    abort_ = false;
    return true;
}

void HttplibTransfer::endTransfer() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

HttplibTransfer::Outcome HttplibTransfer::runExchange(const HttpUrl& url, std::size_t bodyCap) {
    // A limit set from outside shortens every time limit, so that not even
    // the opening of the connection outlasts it.
    HttpTimeouts limits = timeouts_;
    {
        std::lock_guard lock(mutex_);
        if (cancelRequested_) return {};
        for (auto* limit : {&limits.connect, &limits.read, &limits.write, &limits.total})
            *limit = std::min(*limit, totalLimit_);
    }

    // Declared before the threads so that they outlive both of them.
    ReceivedBytes received;
    httplib::Client client(url.host, url.port);
    client.set_socket_options([&received](socket_t socket) { received.watch(socket); });
    const std::uint64_t budget =
        bodyCap > UINT64_MAX - kHeaderAllowance ? UINT64_MAX : bodyCap + kHeaderAllowance;
    applyTimeout(limits.connect, [&](time_t s, time_t us) { client.set_connection_timeout(s, us); });
    applyTimeout(limits.read, [&](time_t s, time_t us) { client.set_read_timeout(s, us); });
    applyTimeout(limits.write, [&](time_t s, time_t us) { client.set_write_timeout(s, us); });
    client.set_follow_location(false);
    client.set_keep_alive(false);
    client.set_url_encode(false);  // the target is encoded already, and only as far as needed

    Outcome outcome;
    bool exchangeOk = false;
    const auto deadline = std::chrono::steady_clock::now() + limits.total;
    auto aborted = [this] {
        std::lock_guard lock(mutex_);
        return abort_;
    };

    {
        std::jthread worker([&] {
            try {
                httplib::ResponseHandler onHeaders = [&](const httplib::Response& response) {
                    if (aborted()) return false;
                    // A declared length above the cap needs no reading at all.
                    const auto length = contentLength(response);
                    return !(length && *length > bodyCap);
                };
                httplib::ContentReceiver onData = [&](const char* data, std::size_t size) {
                    if (aborted()) return false;
                    if (size > bodyCap - outcome.body.size()) return false;
                    outcome.body.append(data, size);
                    return true;
                };
                exchangeOk = static_cast<bool>(client.Get(url.target, onHeaders, onData));
            } catch (...) {
                exchangeOk = false;
            }
            {
                std::lock_guard lock(mutex_);
                finished_ = true;
            }
            changed_.notify_all();
            loop_.wake();
        });

        // Ends the exchange on cancel, when the total deadline passes, or
        // when the server has sent more than the body cap allows: header
        // lines never reach the cap and would otherwise pile up in memory
        // until the deadline.
        std::jthread watchdog([&] {
            std::unique_lock lock(mutex_);
            const auto done = [&] { return finished_ || cancelRequested_; };
            while (!changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + kBudgetCheck),
                                        done)) {
                if (std::chrono::steady_clock::now() >= deadline || received.total() > budget) break;
            }
            if (finished_) return;
            abort_ = true;
            while (!finished_) {
                lock.unlock();
                client.stop();
                lock.lock();
                changed_.wait_for(lock, kStopRetry, [&] { return finished_; });
            }
        });

        loop_.waitUntil([this] {
            std::lock_guard lock(mutex_);
            return finished_;
        });
    }  // both threads are joined here

    std::lock_guard lock(mutex_);
    outcome.complete = exchangeOk && !abort_ && !cancelRequested_;
    if (!outcome.complete) outcome.body.clear();
    return outcome;
}

}  // namespace tavik
