#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "platform/EventLoop.h"
#include "platform/HttpTransfer.h"
#include "platform/http/HttpUrl.h"

struct TavikTlsFunctions;

namespace tavik {

class HttpExchange;

// The transfer on Boost.Beast's HTTP parser and serializer, header-only, over
// a plain socket with poll-bounded waits: plain HTTP needs no library beyond
// the C and C++ runtimes, and no TLS code is in the program. The exchange
// runs on a helper thread while the caller waits in the event loop; state
// events reach the caller on its own thread after the exchange has ended. One
// transfer at a time.
//
// An https:// address gets its TLS stack only when it is used: from the
// module `tlsModule` (libtavik6-tls.so in the program folder), loaded at the
// first https transfer as the desktop front end is loaded. The same exchange
// then runs over the module's TLS session, with the same caps, time limits,
// cancel and redirect rules. Without the module such an address fails like
// any other unusable one (and says so once on standard error); it never
// goes out as plain HTTP.
class BeastTransfer : public HttpTransfer {
public:
    explicit BeastTransfer(EventLoop& loop, HttpTimeouts timeouts = {}, std::filesystem::path tlsModule = {});
    ~BeastTransfer() override;
    BeastTransfer(const BeastTransfer&) = delete;
    BeastTransfer& operator=(const BeastTransfer&) = delete;

    std::string openUrl(const std::string& url, std::size_t bodyCap,
                        const std::function<void(int state)>& onState) override;
    void cancel() override;
    void limitTotalTime(std::chrono::milliseconds total) override;

private:
    struct Outcome {
        bool complete = false;
        std::string body;
        std::string refusal;  // why a server's certificate was refused
    };

    bool beginTransfer();
    void endTransfer();
    Outcome runExchange(const HttpUrl& url, std::size_t bodyCap, const TavikTlsFunctions* tls);
    // The TLS module's functions, loaded at the first call; null when it
    // cannot be loaded.
    const TavikTlsFunctions* loadTls();
    void sayRefusal(const std::string& server, const std::string& refusal);

    EventLoop& loop_;
    const HttpTimeouts timeouts_;
    const std::filesystem::path tlsModule_;
    bool tlsTried_ = false;  // only the caller's thread touches these two
    const TavikTlsFunctions* tls_ = nullptr;
    std::string lastRefusal_;  // caller's thread only

    // Guards the fields below; shared by the caller and the helper thread of
    // the running transfer.
    std::mutex mutex_;
    bool running_ = false;
    bool finished_ = false;
    bool cancelRequested_ = false;
    std::chrono::milliseconds totalLimit_ = std::chrono::milliseconds::max();
    HttpExchange* exchange_ = nullptr;  // while the helper thread runs one
};

}  // namespace tavik
