#pragma once
#include <optional>

namespace tavik {

// What the version query reports: platform id (1 older family, 2 newer
// family) and major version.
struct OsVersion {
    int platformId = 0;
    int majorVersion = 0;
};

// Ending or restarting the user's session or the machine.
class SessionControl {
public:
    virtual ~SessionControl() = default;
    // Empty when the version cannot be asked for.
    virtual std::optional<OsVersion> version() = 0;
    // Obtains the right to end the session; false when it is not granted.
    virtual bool acquireShutdownRight() = 0;
    // Ends the desktop shell (needed before a log-off on the older family).
    virtual bool endShell() = 0;
    // Ends the session with the flag word: 0 log off, 1 shut down, 2 reboot,
    // +4 force, +8 power off, +16 force if hung. True when it was started.
    virtual bool exitSession(unsigned flags) = 0;
};

}  // namespace tavik
