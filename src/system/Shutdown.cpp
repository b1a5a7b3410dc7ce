#include "system/Shutdown.h"

#include "state/TavikGlobal.h"

namespace tavik {
namespace {

// Flag word of the session end.
constexpr unsigned kFlagForce = 4;
constexpr unsigned kFlagPowerOff = 8;
constexpr unsigned kFlagForceIfHung = 16;

constexpr int kModeLogOff = 0;
constexpr int kModeReboot = 2;

constexpr int kPlatformOlder = 1;
constexpr int kPlatformNewer = 2;
constexpr int kPlatformNewerAbove4 = 3;

constexpr const char* kShellNotEnded =
    "Explorer konnte nicht beendet werden.\r\nWählen Sie Shutdown oder Reboot";
constexpr const char* kNoPrivilege =
    "Privileg \"SeShutdownPrivilege\"\r\nkonnte nicht gesetzt werden!";

}  // namespace

Shutdown::Shutdown(SessionControl& session, Dialogs& dialogs) : session_(session), dialogs_(dialogs) {}

bool Shutdown::SystemShutdown(int mode, bool force, bool powerOff) {
    if (mode < kModeLogOff || mode > kModeReboot) return false;
    unsigned flags = static_cast<unsigned>(mode);
    if (force) flags += kFlagForce;
    if (powerOff) flags += kFlagPowerOff;

    int platform = 0;
    if (!GetPlatform(platform)) return false;

    if (platform == kPlatformOlder) {
        // The older family logs off only once its shell is gone.
        if (mode == kModeLogOff && !KillExplorer()) {
            dialogs_.messageBox(kShellNotEnded, kProgramTitle, MessageIcon::Exclamation);
            return false;
        }
    } else {
        if (!SetShutdownPrivilege()) {
            dialogs_.messageBox(kNoPrivilege, kProgramTitle, MessageIcon::Exclamation);
            return false;
        }
        if (platform == kPlatformNewerAbove4 && force) flags += kFlagForceIfHung;
    }
    return session_.exitSession(flags);
}

bool Shutdown::GetPlatform(int& platform) {
    const auto os = session_.version();
    if (!os) return false;
    platform = os->platformId;
    if (platform == kPlatformOlder) return true;
    if (platform == kPlatformNewer) {
        if (os->majorVersion > 4) platform = kPlatformNewerAbove4;
        return true;
    }
    return false;
}

bool Shutdown::SetShutdownPrivilege() { return session_.acquireShutdownRight(); }

bool Shutdown::KillExplorer() { return session_.endShell(); }

}  // namespace tavik
