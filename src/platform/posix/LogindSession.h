#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/SessionControl.h"
#include "platform/posix/RunAndWait.h"

namespace tavik {

// Ends the session or the machine through systemd-logind, by running busctl
// (an argument vector, never a shell). logind's CanReboot answer stands in
// for the shutdown privilege.
class LogindSession : public SessionControl {
public:
    explicit LogindSession(std::string busctlPath = "/usr/bin/busctl");

    // Always the newer family with a major version above 4.
    std::optional<OsVersion> version() override;
    // Granted when logind answers CanReboot with "yes" or "challenge".
    bool acquireShutdownRight() override;
    // There is no shell to end before a log-off here.
    bool endShell() override;
    // Mode 2 reboots, mode 1 powers off (with or without the power-off flag),
    // mode 0 ends the session named by XDG_SESSION_ID. logind has no use for
    // the force flags.
    bool exitSession(unsigned flags) override;

private:
    // Runs busctl's "call" on the logind manager; empty when it could not run.
    std::optional<ProgramOutcome> callManager(const std::vector<std::string>& methodAndArguments) const;

    std::string busctl_;
};

}  // namespace tavik
