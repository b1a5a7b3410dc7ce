#pragma once
#include <memory>
#include <optional>
#include <string>

#include "platform/SessionControl.h"

namespace tavik {

// Ends the session or the machine through systemd-logind on the system bus,
// with sd-bus from libsystemd. The library is opened only when a session end
// is asked for, so a client that never gets that order never maps it.
// logind's CanReboot answer stands in for the shutdown privilege. What goes
// wrong (no library, no bus, a refusal) is said on standard error; the
// result tells the caller.
class LogindSession : public SessionControl {
public:
    explicit LogindSession(std::string library = "libsystemd.so.0");
    ~LogindSession() override;
    LogindSession(const LogindSession&) = delete;
    LogindSession& operator=(const LogindSession&) = delete;

    // Always the newer family with a major version above 4.
    std::optional<OsVersion> version() override;
    // Granted when logind answers CanReboot with "yes" or "challenge".
    bool acquireShutdownRight() override;
    // There is no shell to end before a log-off here.
    bool endShell() override;
    // Mode 2 reboots, mode 1 powers off (with or without the power-off flag),
    // mode 0 ends the session named by XDG_SESSION_ID. logind has no use for
    // the force flags; nobody is asked for a password on the way.
    bool exitSession(unsigned flags) override;

    struct Api;

private:
    // The sd-bus functions, loaded on first use; null when they cannot be.
    const Api* api();
    // Calls a method of logind's manager with the given sd-bus signature and
    // arguments; `answer`, when given, receives a text reply. False when the
    // library or the bus is missing or logind refuses; the message names
    // `action`, the user's word for what failed.
    template <typename... Arguments>
    bool callManager(const char* action, const char* member, std::string* answer, const char* types,
                     Arguments... arguments);

    std::string library_;
    std::unique_ptr<Api> api_;
    std::string loadError_;  // why the library could not be loaded
    bool tried_ = false;
};

}  // namespace tavik
