#pragma once
#include "platform/Dialogs.h"
#include "platform/SessionControl.h"

namespace tavik {

// Ending the session or restarting the machine on the server's order; hides
// the differences between the older platform (1) and the newer ones (2, 3).
class Shutdown {
public:
    Shutdown(SessionControl& session, Dialogs& dialogs);

    // mode 0 log off, 1 shut down, 2 reboot. True when the end was started.
    bool SystemShutdown(int mode, bool force, bool powerOff);
    // 1 older family, 2 newer family up to major version 4, 3 above that.
    // False when the version is unknown or the platform not recognised.
    bool GetPlatform(int& platform);
    bool SetShutdownPrivilege();
    bool KillExplorer();

private:
    SessionControl& session_;
    Dialogs& dialogs_;
};

}  // namespace tavik
