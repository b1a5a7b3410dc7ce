#pragma once
#include "platform/BrowserLookup.h"
#include "platform/DialUp.h"
#include "platform/SessionControl.h"

namespace tavik {

// Ending the Windows session: the version query, the SE_SHUTDOWN privilege
// of the process token, the shell of the older family, ExitWindowsEx.
class Win32Session : public SessionControl {
public:
    std::optional<OsVersion> version() override;
    // True only when the privilege is really held: AdjustTokenPrivileges
    // also succeeds when it could assign none.
    bool acquireShutdownRight() override;
    bool endShell() override;
    bool exitSession(unsigned flags) override;
};

// The dial-up state from the remote access service (RasEnumConnectionsW).
class RasDialUp : public DialUp {
public:
    bool firstConnectionConnected() override;
};

// The program registered for http (AssocQueryStringW), else the one that
// opens .html files (FindExecutableW).
class Win32BrowserLookup : public BrowserLookup {
public:
    std::string findBrowser() override;
};

}  // namespace tavik
