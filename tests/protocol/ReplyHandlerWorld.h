#pragma once
#include <string>

#include "RecordingActions.h"
#include "state/FormState.h"
#include "hosts/HostsFile.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeSessionControl.h"
#include "platform/fakes/FakeTransfer.h"
#include "platform/fakes/MemoryHostsFileStore.h"
#include "platform/fakes/MemoryRegistry.h"
#include "protocol/Inet1.h"
#include "protocol/ReplyHandler.h"
#include "settings/RwModul.h"
#include "system/Shutdown.h"

namespace tavik {

// The reply handling wired to in-memory stores and recording fakes, for a
// customer "kd4711" of profile "Tavik6" with version 6.10 whose hosts file
// lies at `hostsPath` (its content is the user's to set).
struct ReplyHandlerWorld {
    explicit ReplyHandlerWorld(std::string hostsFile) : hostsPath(std::move(hostsFile)) {
        g.Profil = "Tavik6";
        g.ProgVersion = "6.10";
        g.User = "kd4711";
        g.Passwort = "geheim";
        g.HostsDatei = hostsPath;
    }

    const std::string hostsPath;
    const std::string section = "Tavik6\\VPN\\kd4711";

    TavikGlobal g;
    FormState form;
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
    MemoryHostsFileStore hostsStore;
    FakeClock clock;
    HostsFile hosts{hostsStore, clock};
    FakeTransfer transfer;
    Inet1 inet{transfer, g};
    FakeSessionControl session;
    Shutdown shutdown{session, dialogs};
    RecordingActions actions;
    FakeEnvironment env;
    ReplyHandler handler{g, form, rw, hosts, dialogs, inet, shutdown, actions, clock, env};
};

}  // namespace tavik
