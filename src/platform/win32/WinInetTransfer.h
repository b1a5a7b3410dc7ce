#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/EventLoop.h"
#include "platform/HttpTransfer.h"

namespace tavik {

// The transfer on WinINet, with the system's proxy settings. The exchange
// runs on a helper thread while the caller waits in the event loop; the
// receive time-out sits on the request handle, and on cancel or when the
// total deadline passes the caller closes the handles and stops waiting.
// As on Linux, it follows up to five redirects on the host and port asked
// for and fails on headers above the header limit; WinINet reads a header
// whole before it returns, so headers without end fail at the total
// deadline. One transfer at a time.
class WinInetTransfer : public HttpTransfer {
public:
    using Timeouts = HttpTimeouts;

    explicit WinInetTransfer(EventLoop& loop, Timeouts timeouts = {});
    ~WinInetTransfer() override;
    WinInetTransfer(const WinInetTransfer&) = delete;
    WinInetTransfer& operator=(const WinInetTransfer&) = delete;

    std::string openUrl(const std::string& url, std::size_t bodyCap,
                        const std::function<void(int state)>& onState) override;
    void cancel() override;
    void limitTotalTime(std::chrono::milliseconds total) override;

private:
    struct Exchange;
    std::shared_ptr<void> session();
    bool runExchange(const std::shared_ptr<Exchange>& exchange);

    EventLoop& loop_;
    const Timeouts timeouts_;
    // The WinINet session, opened on first use; an exchange left to end on
    // its own keeps it open until it has.
    std::shared_ptr<void> session_;

    std::mutex mutex_;
    bool running_ = false;
    bool cancelRequested_ = false;
    std::chrono::milliseconds totalLimit_ = std::chrono::milliseconds::max();
};

}  // namespace tavik
