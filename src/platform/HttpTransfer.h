#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace tavik {

// Transfer states as the transfer reports them; 11 is the error state.
constexpr int kStateError = 11;
constexpr int kStateResponseCompleted = 12;

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
