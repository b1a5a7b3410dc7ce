#include "platform/posix/LogindSession.h"

#include <cstdlib>
#include <utility>

namespace tavik {
namespace {

constexpr unsigned kModeMask = 3;
constexpr unsigned kModeLogOff = 0;
constexpr unsigned kModePowerOff = 1;
constexpr unsigned kModeReboot = 2;

}  // namespace

LogindSession::LogindSession(std::string busctlPath) : busctl_(std::move(busctlPath)) {}

std::optional<OsVersion> LogindSession::version() { return OsVersion{2, 5}; }

bool LogindSession::acquireShutdownRight() {
    const auto outcome = callManager({"CanReboot"});
    if (!outcome || outcome->exitCode != 0) return false;
    // busctl prints the answer as: s "yes"
    const std::string& answer = outcome->output;
    return answer.find("\"yes\"") != std::string::npos || answer.find("\"challenge\"") != std::string::npos;
}

bool LogindSession::endShell() { return false; }

bool LogindSession::exitSession(unsigned flags) {
    std::optional<ProgramOutcome> outcome;
    switch (flags & kModeMask) {
        case kModeReboot:
            outcome = callManager({"Reboot", "b", "false"});
            break;
        case kModePowerOff:
            outcome = callManager({"PowerOff", "b", "false"});
            break;
        case kModeLogOff: {
            const char* session = std::getenv("XDG_SESSION_ID");
            if (session == nullptr || *session == '\0') return false;
            outcome = callManager({"TerminateSession", "s", session});
            break;
        }
        default:
            return false;
    }
    return outcome && outcome->exitCode == 0;
}

std::optional<ProgramOutcome> LogindSession::callManager(const std::vector<std::string>& methodAndArguments) const {
    std::vector<std::string> words = {busctl_, "call", "org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager"};
    words.insert(words.end(), methodAndArguments.begin(), methodAndArguments.end());
    return runAndWait(std::move(words), true);
}

}  // namespace tavik
