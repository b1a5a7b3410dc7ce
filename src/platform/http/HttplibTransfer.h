#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

#include "platform/EventLoop.h"
#include "platform/HttpTransfer.h"

namespace tavik {

struct HttpUrl;

// Time limits of one transfer. The total deadline ends a transfer that keeps
// trickling data and so never runs into the read time-out.
struct HttpTimeouts {
    std::chrono::milliseconds connect{std::chrono::seconds(60)};
    std::chrono::milliseconds read{std::chrono::seconds(60)};
    std::chrono::milliseconds write{std::chrono::seconds(60)};
    std::chrono::milliseconds total{std::chrono::seconds(90)};
};

// The transfer on cpp-httplib. The exchange runs on a helper thread while the
// caller waits in the event loop; state events reach the caller on its own
// thread after the exchange has ended. One transfer at a time.
class HttplibTransfer : public HttpTransfer {
public:
    explicit HttplibTransfer(EventLoop& loop, HttpTimeouts timeouts = {});
    ~HttplibTransfer() override;
    HttplibTransfer(const HttplibTransfer&) = delete;
    HttplibTransfer& operator=(const HttplibTransfer&) = delete;

    std::string openUrl(const std::string& url, std::size_t bodyCap,
                        const std::function<void(int state)>& onState) override;
    void cancel() override;
    void limitTotalTime(std::chrono::milliseconds total) override;

private:
    struct Outcome {
        bool complete = false;
        std::string body;
    };

    bool beginTransfer();
    void endTransfer();
    Outcome runExchange(const HttpUrl& url, std::size_t bodyCap);

    EventLoop& loop_;
    const HttpTimeouts timeouts_;

    // Guards the flags below; shared by the caller, the exchange thread and
    // the watchdog thread of the running transfer.
    std::mutex mutex_;
    std::condition_variable changed_;
    bool running_ = false;
    bool finished_ = false;
    bool cancelRequested_ = false;
    bool abort_ = false;
    std::chrono::milliseconds totalLimit_ = std::chrono::milliseconds::max();
};

}  // namespace tavik
