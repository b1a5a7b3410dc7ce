// The settings window's behaviour over a view without a window.
#include <gtest/gtest.h>

#include <fstream>

#include "FakeViews.h"
#include "../TempDirectory.h"
#include "platform/PlatformFacts.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/MemoryRegistry.h"

namespace tavik {
namespace {

using Box = ParameterView::Box;
using Control = ParameterView::Control;

class ParameterFormTest : public ::testing::Test {
protected:
    ParameterFormTest() {
        g.Profil = "Tavik6";
        env.folder = testing_support::makeTempDirectory("tavik-forms-");
    }
    ~ParameterFormTest() override {
        std::error_code ec;
        std::filesystem::remove_all(env.folder, ec);
    }
    void SetUp() override { ASSERT_FALSE(env.folder.empty()); }

    void store(const char* name, const std::string& value) { rw.write(g.Profil, name, value); }
    std::string stored(const char* name) { return rw.read(g.Profil, name); }
    void addUpdater() { std::ofstream(updater()) << "updater"; }
    std::filesystem::path updater() const { return env.folder / (std::string("Velmora4") + kExecutableSuffix); }
    // A fresh window, loaded as opening it does.
    ParameterForm& open() {
        view = FakeParameterView{};
        form.emplace(context, view);
        form->Form_Load();
        return *form;
    }

    TavikGlobal g;
    FormState state;
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
    FakeProcesses processes;
    FakeEnvironment env;
    FakeClock clock;
    FormContext context{g, state, rw, dialogs, processes, env, clock};
    FakeParameterView view;
    std::optional<ParameterForm> form;
};

TEST_F(ParameterFormTest, OnlyAStoredZeroOrOneSetsABox) {
    const std::pair<const char*, bool> rows[] = {{"", false}, {"2", false}, {"-1", false}, {"ja", false},
                                                 {"1x", false}, {" 1 ", true}, {"1", true}, {"0", false}};
    for (const auto& [text, on] : rows) {
        store("Proxyserver", text);
        open();
        EXPECT_EQ(view.isChecked(Box::proxyserver), on) << '"' << text << '"';
    }
}

TEST_F(ParameterFormTest, SetupButtonOnlyWhileOnline) {
    const std::pair<const char*, bool> rows[] = {{"Online", true}, {"Offline", false}, {"", false}, {"online", false}};
    for (const auto& [caption, enabled] : rows) {
        state.setMerkerFrame1(caption);
        open();
        EXPECT_EQ(view.enabled[Control::SetUP_Button], enabled) << caption;
    }
}

// Automatic update and restart need the updater: without it, switching
// either on (stored or clicked) is refused with one message and the box goes
// back off; automatic update is then stored empty at once, restart "0" on
// closing. Switching off never asks.
TEST_F(ParameterFormTest, AutoUpdateAndRestartNeedTheUpdater) {
    struct Row {
        const char* name;
        bool updater;
        const char* storedAutoUpdate;
        const char* storedRestart;
        bool clickAutoUpdate;  // then switch it on by a click after loading
        std::size_t messages;
        bool autoUpdateOn, restartOn;
        const char* autoUpdateAfter;
        const char* restartAfterClosing;
    };
    const Row rows[] = {
        {"stored on, no updater", false, "1", "1", false, 2, false, false, "", "0"},
        {"stored on, updater", true, "1", "1", false, 0, true, true, "1", "1"},
        {"clicked on, no updater", false, "0", "0", true, 1, false, false, "", "0"},
        {"clicked on, updater", true, "0", "0", true, 0, true, false, "1", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(updater());
        if (row.updater) addUpdater();
        store("AutoUpdate", row.storedAutoUpdate);
        store("Restart", row.storedRestart);
        dialogs.boxes.clear();
        auto& f = open();
        if (row.clickAutoUpdate) {
            view.setChecked(Box::AutoUpdate, true);
            f.boxChanged(Box::AutoUpdate);
        }
        ASSERT_EQ(dialogs.boxes.size(), row.messages);
        for (const auto& box : dialogs.boxes) {
            EXPECT_EQ(box.title, "Programm nicht gefunden.");
            EXPECT_EQ(box.icon, MessageIcon::Information);
            EXPECT_EQ(box.text, "Um diese Funktion ausführen zu können, benötigen Sie das Programm Velmora4.\r"
                                "Kopieren Sie dieses nach " + (env.folder / "").string());
        }
        EXPECT_EQ(view.isChecked(Box::AutoUpdate), row.autoUpdateOn);
        EXPECT_EQ(view.isChecked(Box::Restart), row.restartOn);
        EXPECT_EQ(stored("AutoUpdate"), row.autoUpdateAfter);
        // A refused automatic update offers the download page.
        EXPECT_EQ(view.enabled[Control::AppToServiceDownload], !row.updater && row.autoUpdateAfter == std::string());

        const auto messages = dialogs.boxes.size();
        for (const Box box : {Box::AutoUpdate, Box::Restart}) {
            view.setChecked(box, false);
            f.boxChanged(box);
        }
        EXPECT_EQ(dialogs.boxes.size(), messages) << "switching off asks nothing";
        view.setChecked(Box::Restart, row.restartOn);
        f.Form_Unload();
        EXPECT_EQ(stored("Restart"), row.restartAfterClosing);
    }
}

// Where the program may not replace itself, automatic update cannot happen:
// the box shows off and disabled with the reason, nothing asks for the
// updater, and the stored value stays, whatever a click would do. Restart
// needs no updater there (it restarts in place) and stays on.
TEST_F(ParameterFormTest, AutoUpdateIsUnavailableWhereTheProgramMayNotReplaceItself) {
    const std::pair<ProgramInstall, const char*> rows[] = {
        {ProgramInstall::PackageManaged, "Paketverwaltung"},
        {ProgramInstall::NotWritable, "nicht beschreibbar"},
    };
    for (const auto& [install, reason] : rows) {
        SCOPED_TRACE(reason);
        env.installKind = install;
        for (const char* storedValue : {"1", "0", ""}) {
            store("AutoUpdate", storedValue);
            store("Restart", "1");
            dialogs.boxes.clear();
            auto& f = open();
            EXPECT_FALSE(view.isChecked(Box::AutoUpdate));
            EXPECT_TRUE(view.isChecked(Box::Restart));
            EXPECT_NE(view.unavailable[Box::AutoUpdate].find(reason), std::string::npos);
            view.setChecked(Box::AutoUpdate, true);
            f.boxChanged(Box::AutoUpdate);
            f.quit_button_Click();
            f.Form_Unload();
            EXPECT_TRUE(dialogs.boxes.empty());
            EXPECT_EQ(stored("AutoUpdate"), storedValue);
            EXPECT_EQ(stored("Restart"), "1");
        }
    }
    env.installKind = ProgramInstall::SelfManaged;
    addUpdater();
    store("AutoUpdate", "1");
    open();
    EXPECT_TRUE(view.isChecked(Box::AutoUpdate));
    EXPECT_TRUE(view.unavailable.empty());
}

// The service box's handler tells loading from a click by the tag "START".
TEST_F(ParameterFormTest, ServiceBoxActsOnlyOnAClick) {
    std::ofstream(env.folder / (std::string("AppToService") + kExecutableSuffix)) << "tool";
    store("ntdienst", "1");
    auto& f = open();
    EXPECT_TRUE(view.isChecked(Box::ntdienst));
    EXPECT_TRUE(f.tag().empty());
    EXPECT_TRUE(processes.started.empty()) << "loading registers nothing";

    std::filesystem::remove(env.folder / (std::string("AppToService") + kExecutableSuffix));
    view.setChecked(Box::ntdienst, false);
    view.setChecked(Box::ntdienst, true);
    f.boxChanged(Box::ntdienst);
    EXPECT_FALSE(view.isChecked(Box::ntdienst)) << "without the tool the box goes back off";
    EXPECT_TRUE(view.enabled[Control::AppToServiceDownload]);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].title, "Programm nicht gefunden.");
}

// The account page gets the fields as typed; the window steps aside while the
// page is open and closes afterwards. A page window that does not open is
// told, without the address, which holds the password.
TEST_F(ParameterFormTest, SetupOpensTheAccountPageAndSaysWhenItCannot) {
    state.setMerkerFrame1("Online");
    for (const bool opens : {true, false}) {
        auto& f = open();
        view.browserWindowOpens = opens;
        view.fields = {"K1001", "Pw X&y"};
        env.errors.clear();
        f.SetUP_Button_Click();
        EXPECT_EQ(view.calls, (std::vector<std::string>{
                                  "topmost", "hide",
                                  "browser http://127.0.0.1:8080/cgi-bin/server/tavik6/edit.cgi?name=K1001&passwort=Pw X&y",
                                  "close"}));
        if (opens) {
            EXPECT_TRUE(env.errors.empty());
        } else {
            ASSERT_EQ(env.errors.size(), 1u);
            EXPECT_EQ(env.errors[0], "Das Browserfenster für die Einstellungsseite konnte nicht geöffnet werden.");
        }
    }
}

TEST_F(ParameterFormTest, LinksSayWhenTheBrowserDoesNotStart) {
    for (const bool starts : {true, false}) {
        for (const bool download : {false, true}) {
            auto& f = open();
            processes.startSucceeds = starts;
            env.errors.clear();
            download ? f.AppToServiceDownload_Click() : f.Image1_Click();
            EXPECT_EQ(processes.started.size(), 1u);
            EXPECT_EQ(env.errors, starts ? std::vector<std::string>{}
                                         : std::vector<std::string>{
                                               "Der Browser für die Internetseite konnte nicht gestartet werden."})
                << "download " << download;
            processes.started.clear();
        }
    }
}

}  // namespace
}  // namespace tavik
