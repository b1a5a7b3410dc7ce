#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "../TempDirectory.h"
#include "state/TavikGlobal.h"
#include "platform/PlatformFacts.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/MemoryRegistry.h"
#include "settings/RwModul.h"
#include "system/ServiceRegistration.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

const std::string kHint =
    "Bitte überprüfen Sie ob das Programm eingetragen wurde und ändern Sie ggf. die Parameter ab.\r\r"
    "Diese finden Sie unter >Verwaltung>Dienste>AppToService Davodor.\r\r"
    "Wichtig!!\r"
    "Bedenken Sie dass die Internetverbindung auch gestartet werden muss.\r\r"
    ">>Das Programm wird vor der Anmeldemaske gestartet.<<\r";

TEST(ChangeSlash, TurnsEveryBackslashAndLeavesTheResultInTheArgument) {
    const struct {
        std::string in, out;
    } rows[] = {
        {"C:\\Prog\\Client", "C:/Prog/Client"},
        {"\\\\server\\share\\", "//server/share/"},
        {"/opt/tavik6", "/opt/tavik6"},
        {"", ""},
    };
    for (const auto& row : rows) {
        std::string text = row.in;
        EXPECT_EQ(ChangeSlash(text), row.out);
        EXPECT_EQ(text, row.out);
    }
}

// A program folder in a temporary directory; its name holds a blank and a
// backslash so the slashed form differs from the folder itself.
class ServiceRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        top = testing_support::makeTempDirectory("tavik-svc-");
        ASSERT_FALSE(top.empty());
        folder = top / "Prog\\Client 2";  // one folder here, two where "\\" separates
        fs::create_directories(folder);
        env.folder = folder;
        g.Profil = "Tavik6";
    }
    void TearDown() override { fs::remove_all(top); }

    void addTool(const std::string& name = "AppToService") {
        std::ofstream(folder / (name + kExecutableSuffix)) << "#!/bin/sh\n";
    }
    bool click(bool on, bool loading = false) {
        return service.ntdienst_Click(on, loading, [this] { ++linkEnabled; });
    }
    std::string stored() { return rw.read(g.Profil, "ntdienst"); }
    std::string tool() const { return (folder / (std::string("AppToService") + kExecutableSuffix)).string(); }

    fs::path top, folder;
    TavikGlobal g;
    MemoryRegistry registry;
    FakeDialogs dialogs;
    FakeProcesses processes;
    FakeEnvironment env;
    RwModul rw{registry, dialogs};
    ServiceRegistration service{g, rw, dialogs, processes, env};
    int linkEnabled = 0;
};

TEST_F(ServiceRegistrationTest, WhileLoadingNothingHappens) {
    addTool();
    EXPECT_TRUE(click(true, true));
    EXPECT_TRUE(click(false, true));
    EXPECT_TRUE(processes.started.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(registry.writeCalls, 0);
}

TEST_F(ServiceRegistrationTest, MissingToolSwitchedOnAsksForItAndStoresNothing) {
    EXPECT_FALSE(click(true));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Um diese Funktion ausführen zu können, benötigen Sie das Programm AppToService.\r"
              "Kopieren Sie dieses nach " + (folder / "").string());
    EXPECT_EQ(dialogs.boxes[0].title, "Programm nicht gefunden.");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(linkEnabled, 1);

    // The window switches the box back off, which runs the handler again.
    EXPECT_TRUE(click(false));
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(linkEnabled, 1);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(registry.writeCalls, 0);
}

TEST_F(ServiceRegistrationTest, AFolderNamedLikeTheToolIsNoTool) {
    fs::create_directory(folder / (std::string("AppToService") + kExecutableSuffix));
    EXPECT_FALSE(service.toolPresent());
    EXPECT_FALSE(click(true));
    EXPECT_TRUE(processes.started.empty());
}

TEST_F(ServiceRegistrationTest, SwitchedOffRemovesTheServiceSilently) {
    addTool();
    rw.write(g.Profil, "ntdienst", "1");
    EXPECT_TRUE(click(false));
    EXPECT_EQ(stored(), "0");
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0], tool() + " /Remove \"Tavik6\"");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ServiceRegistrationTest, InstallCommandLineWithAndWithoutProfile) {
    addTool();
    std::string slashed = top.string() + "/Prog/Client 2/";
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const std::string program = std::string("Tavik6") + kExecutableSuffix;
    const struct {
        std::string arguments, expected;
    } rows[] = {
        {"", tool() + " /Install /Startup:A \"" + slashed + "\" " + program + "\""},
        {"Büro 2", tool() + " /Install /Startup:A \"" + slashed + "\" " + program + "\" /Arguments:\"Büro 2\""},
    };
    for (const auto& row : rows) {
        env.arguments = row.arguments;
        processes.started.clear();
        EXPECT_TRUE(click(true));
        EXPECT_EQ(stored(), "1");
        EXPECT_EQ(processes.started, std::vector<std::string>{row.expected});
    }
}

TEST_F(ServiceRegistrationTest, InstallShowsTheHintOrTheTextsAlreadyInTheTable) {
    addTool();
    click(true);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kHint);
    EXPECT_EQ(dialogs.boxes[0].title, "Dienst Installiert.");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(g.Meldung[234], kHint);
    EXPECT_EQ(g.Meldung[235], "Dienst Installiert.");

    g.Meldung[234] = "Eigener Hinweis";
    g.Meldung[235] = "Eigener Titel";
    click(true);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Eigener Hinweis");
    EXPECT_EQ(dialogs.boxes[1].title, "Eigener Titel");
}

TEST_F(ServiceRegistrationTest, ToolFoundInAnySpellingAndNamedAsItIs) {
    addTool("apptoservice");
    EXPECT_TRUE(service.toolPresent());
    EXPECT_TRUE(click(false));
    ASSERT_EQ(processes.started.size(), 1u);
    const std::string arguments = " /Remove \"Tavik6\"";
    const std::string& started = processes.started[0];
    ASSERT_GT(started.size(), arguments.size());
    EXPECT_EQ(started.substr(started.size() - arguments.size()), arguments);
    EXPECT_TRUE(fs::equivalent(started.substr(0, started.size() - arguments.size()),
                               folder / (std::string("apptoservice") + kExecutableSuffix)))
        << started;
}

TEST_F(ServiceRegistrationTest, AFailedStartStillStoresAndShowsTheHint) {
    // The tool's outcome is never checked; the hint asks the user to look.
    addTool();
    processes.startSucceeds = false;
    EXPECT_TRUE(click(true));
    EXPECT_EQ(stored(), "1");
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

}  // namespace
}  // namespace tavik
