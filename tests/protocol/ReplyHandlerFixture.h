#pragma once
#include <gtest/gtest.h>

#include <string>

#include "RecordingActions.h"
#include "core/FormState.h"
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
// customer "kd4711" of profile "Tavik6" with version 6.10.
class ReplyHandlerFixture : public ::testing::Test {
protected:
    ReplyHandlerFixture() {
        g.Profil = "Tavik6";
        g.ProgVersion = "6.10";
        g.User = "kd4711";
        g.Passwort = "geheim";
        g.AutoUpdate = "0";
        g.HostsDatei = hostsPath;
        g.AntwortCode = 1;
        hostsStore.files[hostsPath] = "127.0.0.1    localhost\n";
    }

    std::string stored(const std::string& valueName) { return rw.read(section, valueName); }
    const std::string& hostsText() { return hostsStore.files[hostsPath]; }

    const std::string hostsPath = "/tmp/tavik-fake/hosts";
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
