#pragma once
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace tavik {

// Transfer states as the transfer reports them; 11 is the error state.
constexpr int kStateError = 11;
constexpr int kStateResponseCompleted = 12;

// Time limits of one transfer, the same on every system. The total deadline
// ends a transfer that keeps trickling data and so never runs into the
// receive time-out; it covers the redirects of the transfer too.
struct HttpTimeouts {
    std::chrono::milliseconds connect{std::chrono::seconds(60)};
    std::chrono::milliseconds receive{std::chrono::seconds(60)};
    std::chrono::milliseconds send{std::chrono::seconds(60)};
    std::chrono::milliseconds total{std::chrono::seconds(90)};

    // Every limit times `factor`: the test build shortens them with its
    // cycle, so a hostile server costs it no more cycles than the program.
    HttpTimeouts scaledBy(double factor) const {
        return withEach([factor](std::chrono::milliseconds limit) {
            return std::chrono::milliseconds(static_cast<long long>(static_cast<double>(limit.count()) * factor));
        });
    }

    // Every limit at most `most`: a limit on the whole transfer set from
    // outside shortens each step too, so that not even the opening of the
    // connection outlasts it.
    HttpTimeouts cappedAt(std::chrono::milliseconds most) const {
        return withEach([most](std::chrono::milliseconds limit) { return std::min(limit, most); });
    }

private:
    template <typename Change>
    HttpTimeouts withEach(Change change) const {
        HttpTimeouts changed = *this;
        for (auto* limit : {&changed.connect, &changed.receive, &changed.send, &changed.total}) *limit = change(*limit);
        return changed;
    }
};

// One synchronous HTTP GET of a whole body. The caller blocks; the adapter may
// keep the event loop running meanwhile. Every failure (no connection,
// time-out, body above the cap, HTTP error, cancel) is reported as state 11
// through onState, and the body is then empty.
class HttpTransfer {
public:
    virtual ~HttpTransfer() = default;
    virtual std::string openUrl(const std::string& url, std::size_t bodyCap,
                                const std::function<void(int state)>& onState) = 0;
    // Ends a transfer that is running; does nothing when none is.
    virtual void cancel() = 0;
    // From now on no transfer takes longer than `total` in all, whatever the
    // adapter's own time limits allow: the exit uses it so that a silent or
    // trickling server cannot hold the program up.
    virtual void limitTotalTime(std::chrono::milliseconds total) = 0;
};

}  // namespace tavik
