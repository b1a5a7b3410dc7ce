#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/Startform.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialUp.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeEventLoop.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/FakeSessionControl.h"
#include "platform/fakes/FakeSignatureCheck.h"
#include "platform/fakes/FakeTransfer.h"
#include "platform/fakes/FakeTray.h"
#include "platform/fakes/FakeWindows.h"
#include "platform/fakes/MemoryHostsFileStore.h"
#include "platform/fakes/MemoryRegistry.h"
#include "platform/headless/NoBrowser.h"

namespace tavik {

// A main form over fakes, in a temporary program folder, with the profile
// already set up for customer "k1" so that no wizard runs.
class StartformFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stores a value in the profile's section before the form loads.
    void store(const std::string& name, const std::string& value);
    std::string stored(const std::string& section, const std::string& name);
    // Builds the form; load() also runs its start-up.
    Startform& build();
    Startform& load();
    // The tray the form is built with; a fixture may give a real one.
    virtual Tray& trayPort() { return tray; }
    // The standing answer to every IP request.
    void answerIpRequests(const std::string& body);
    void failIpRequests();
    std::string ipUrl() const;
    // States passed to the tray after `from`.
    std::vector<int> trayStatesSince(std::size_t from) const;

    std::filesystem::path folder;
    FakeEnvironment environment;
    MemoryRegistry registry;
    MemoryHostsFileStore hostsStore;
    FakeTransfer transfer;
    FakeEventLoop loop;
    FakeClock clock;
    FakeDialogs dialogs;
    FakeTray tray;
    FakeProcesses processes;
    FakeDialUp dialUp;
    FakeSessionControl session;
    NoBrowser browser;
    FakeWindows windows;
    FakeSignatureCheck signatures;
    TavikGlobal g;
    std::unique_ptr<Startform> form;
};

}  // namespace tavik
