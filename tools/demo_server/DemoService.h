#pragma once
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DemoAccounts.h"

namespace tavik::demo {

struct DemoReply {
    int status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // beyond Content-Type
};

// Time since an arbitrary fixed point; by default the steady clock, which on
// Linux is CLOCK_MONOTONIC, the clock other local programs can compare with.
using MonotonicClock = std::function<std::chrono::nanoseconds()>;
std::chrono::nanoseconds steadyClockNow();

// The service's web server without the HTTP: it takes the request target as
// received (path and raw query) and composes the answer. Safe to call from
// several server threads at once.
class DemoService {
public:
    DemoService(std::string newestVersion, std::filesystem::path updatesDir,
                MonotonicClock clock = steadyClockNow);

    void addAccount(DemoAccount account);
    // authorization: the request's Authorization header, empty when absent.
    DemoReply handle(std::string_view target, std::string_view remoteAddress,
                     std::string_view authorization = {});

    std::optional<DemoAccount> account(std::string_view customer) const;
    std::vector<std::string> requests() const;

private:
    using Parts = std::vector<std::string>;

    DemoReply readIp(const Parts& parts);
    DemoReply offline(const Parts& parts);
    DemoReply report(const Parts& parts, std::string_view remoteAddress);
    DemoReply settingsPage(std::string_view rawQuery);
    DemoReply testPage(const Parts& parts);
    DemoReply updatePage() const;
    DemoReply updateFile(std::string_view rawName) const;
    DemoReply demoSet(std::string_view rawQuery);
    DemoReply demoReply(std::string_view rawQuery);
    DemoReply demoRequests(std::string_view rawQuery) const;
    DemoReply nicUpdate(std::string_view rawQuery, std::string_view remoteAddress,
                        std::string_view authorization);

    DemoAccount* find(std::string_view customer);
    const DemoAccount* find(std::string_view customer) const;
    bool loginOk(const DemoAccount* account, std::string_view password) const;

    const std::string newestVersion_;
    const std::filesystem::path updatesDir_;
    const MonotonicClock clock_;

    mutable std::mutex mutex_;
    std::map<std::string, DemoAccount> accounts_;                // by lower-case customer
    std::map<std::string, std::deque<std::string>> queued_;      // raw replies, by lower-case customer
    std::vector<std::string> requests_;
    std::vector<std::chrono::nanoseconds> receivedAt_;  // parallel to requests_
};

}  // namespace tavik::demo
