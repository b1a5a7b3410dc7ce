#include <fstream>

#include "StartformFixture.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

class StartUp : public StartformFixture {};

TEST_F(StartUp, ProfileIsTheWholeCommandLineUnlessItHoldsAnEqualsSign) {
    struct Row {
        std::string commandLine, profile;
    };
    for (const Row& row : {Row{"", "Tavik6"}, Row{"Büro 2", "Büro 2"}, Row{"user=1;x=2", "Tavik6"},
                           Row{" lead", " lead"}}) {
        environment.arguments = row.commandLine;
        TavikGlobal fresh;
        g = fresh;
        load();
        EXPECT_EQ(g.Profil, row.profile) << row.commandLine;
        EXPECT_EQ(form->profilName(), row.profile);
    }
}

TEST_F(StartUp, CaptionVersionAndTooltipOfTheConnectedState) {
    environment.arguments = "Büro 2";
    store("Install", "");  // the wizard will run for the new profile; cancel it
    dialogs.answers = {std::string("cancel")};
    load();
    EXPECT_EQ(g.ProgVersion, "6.10");
    EXPECT_EQ(form->caption(), "Tavik6 Version 6.10");
    EXPECT_EQ(form->form().picTaskIconTag[kIconConnected], "Büro 2 V6.10\rStand : 14. April 2005");
}

TEST_F(StartUp, StartsOfflineWithTheInfoIconAndTheTimerAtHalfASecond) {
    load();
    EXPECT_EQ(form->form().MerkerFrame1(), "Offline");
    EXPECT_FALSE(tray.statusOnline);
    ASSERT_FALSE(tray.changes.empty());
    EXPECT_EQ(tray.calls.front(), "hook");
    EXPECT_EQ(tray.changes.back().state, kIconInformation);
    EXPECT_EQ(tray.changes.back().tooltip, "");
    EXPECT_TRUE(tray.present);
    EXPECT_TRUE(form->timer1().enabled());
    EXPECT_EQ(form->timer1().interval(), 500ms);
    EXPECT_TRUE(transfer.requested.empty()) << "the first request waits for the first tick";
}

TEST_F(StartUp, LoadsUserDataAndCreatesTheUpdatesFolder) {
    std::filesystem::create_directories(folder / "Updates");  // an existing folder is no error
    load();
    EXPECT_EQ(g.User, "k1");
    EXPECT_EQ(g.Passwort, "pw");
    EXPECT_EQ(g.Proxyserver, "1");
    EXPECT_EQ(g.HostsDatei, environment.hosts.string());
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Updates"));
    EXPECT_EQ(std::filesystem::path(g.UpdatePfad), folder / "Updates");
}

TEST_F(StartUp, UnreadableHostsFileLeavesTheHostsPathEmpty) {
    hostsStore.files.clear();
    load();
    EXPECT_EQ(g.HostsDatei, "");
}

TEST_F(StartUp, RestoresTheStoredHostsEntryOnlyForNamesLongerThanTwoCharacters) {
    const std::string section = "Tavik6\\VPN\\k1";
    registry.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\" + section, "ServerIP", {kRegSz, "10.0.0.7"});

    registry.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\" + section, "ServerName", {kRegSz, "ab"});
    load();
    EXPECT_EQ(hostsStore.files[environment.hosts], "127.0.0.1 localhost\n");
    EXPECT_EQ(g.ServerName, "ab");

    registry.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\" + section, "ServerName", {kRegSz, "abc"});
    load();
    EXPECT_NE(hostsStore.files[environment.hosts].find("10.0.0.7    abc"), std::string::npos);
}

TEST_F(StartUp, ClearsTheStoredServerStatus) {
    registry.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6\\VPN\\k1", "(Status)",
                        {kRegSz, "50+1.2.3.4+srv"});
    load();
    EXPECT_EQ(form->settings().read("Tavik6\\VPN\\k1", "(Status)"), "");
}

TEST_F(StartUp, FirstStartOfAProfileRunsTheWizard) {
    store("Install", "");
    dialogs.answers = {std::string("cancel")};
    load();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].stepText, "Schritt 1 von 3");
    EXPECT_TRUE(form->timer1().enabled()) << "start-up continues after a cancelled wizard";
}

TEST_F(StartUp, InstalledProfileSkipsTheWizard) {
    load();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(StartUp, RewritesTheModuleDateStampWhenTheSourceFileIsPresent) {
    std::ofstream(folder / "tavik_global.bas") << "Global Const PRG_UPDATEDATE$ = \"1. Januar 2000\"\n";
    clock.current = {2026, 3, 9, 8, 0, 0};
    load();
    std::ifstream in(folder / "tavik_global.bas");
    std::string line;
    std::getline(in, line);
    EXPECT_NE(line.find("09. "), std::string::npos) << line;
    EXPECT_NE(line.find("2026"), std::string::npos) << line;
}

class Exit : public StartformFixture {};

TEST_F(Exit, SendsTheOfflineNoticeRemovesTheLineAndTheIcon) {
    load();
    answerIpRequests("220;;;50+10.0.0.7+firma-server;1;Firma;;6.10;;;");
    form->Timer1_Timer();
    ASSERT_NE(hostsStore.files[environment.hosts].find("firma-server"), std::string::npos);

    EXPECT_THROW(form->menu_popup_exit_Click(), ProgramEnded);
    EXPECT_EQ(transfer.requested.back(), "http://" + environment.service + "/cgi-bin/server/offline.cgi?k1");
    EXPECT_EQ(hostsStore.files[environment.hosts].find("firma-server"), std::string::npos);
    EXPECT_FALSE(tray.present);
    EXPECT_FALSE(tray.hooked);
}

TEST_F(Exit, FailedOfflineNoticeStillRemovesTheLine) {
    load();
    answerIpRequests("220;;;50+10.0.0.7+firma-server;1;Firma;;6.10;;;");
    form->Timer1_Timer();
    EXPECT_THROW(form->menu_popup_exit_Click(), ProgramEnded);  // no answer to the offline notice
    EXPECT_EQ(hostsStore.files[environment.hosts].find("firma-server"), std::string::npos);
    EXPECT_FALSE(tray.present);
}

TEST_F(Exit, AnEndOrderedByTheOfflineNoticesReplyRunsTheExitOnce) {
    load();
    answerIpRequests("220;;;50+10.0.0.7+firma-server;1;Firma;;6.10;;;");
    form->Timer1_Timer();
    transfer.standing["http://" + environment.service + "/cgi-bin/server/offline.cgi?k1"] = {
        true, "220;;;;;;Tavik beenden;6.10;;;"};
    EXPECT_THROW(form->menu_popup_exit_Click(), ProgramEnded);
    EXPECT_EQ(std::count(transfer.requested.begin(), transfer.requested.end(),
                         "http://" + environment.service + "/cgi-bin/server/offline.cgi?k1"),
              1);
    EXPECT_EQ(std::count(tray.calls.begin(), tray.calls.end(), "remove"), 1);
    EXPECT_EQ(hostsStore.files[environment.hosts].find("firma-server"), std::string::npos)
        << "the line goes even when the end is ordered during the exit";
}

}  // namespace
}  // namespace tavik
