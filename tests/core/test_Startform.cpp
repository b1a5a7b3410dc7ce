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

// Another program keeps the store locked at start: that is no new profile and
// no profile without user data. Nothing is asked until the store can be read,
// and the user hears of it once.
TEST_F(StartUp, AStoreThatCannotBeReadRunsNoWizardAndAsksTheServerNothing) {
    answerIpRequests("220;;;50+10.0.0.7+firma-server;1;Firma;;6.10;;;");
    registry.unreadable = true;
    load();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
    for (int tick = 0; tick < 3; ++tick) form->Timer1_Timer();
    EXPECT_TRUE(transfer.requested.empty());
    ASSERT_EQ(environment.errors.size(), 1u);
    EXPECT_NE(environment.errors[0].find("Einstellungen können nicht gelesen werden"), std::string::npos);
    std::ifstream log(folder / "logTavik.TXT");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(log), {}).find(environment.errors[0]), std::string::npos);

    registry.unreadable = false;
    form->Timer1_Timer();
    EXPECT_EQ(transfer.requested, std::vector<std::string>{ipUrl()});
    EXPECT_TRUE(dialogs.questions.empty()) << "the profile was set up all along";
    EXPECT_EQ(environment.errors.size(), 2u) << "and says that it works again";
}

// A second start of a running profile would remove the other one's hosts line
// when it ends; it says so and ends before it touches anything.
TEST_F(StartUp, ASecondStartOfAProfileSaysSoAndEnds) {
    environment.arguments = "Büro 2/ä";
    environment.claim = ProfileClaim::InUse;
    try {
        load();
        ADD_FAILURE() << "the second start went on";
    } catch (const ProgramEnded& end) {
        EXPECT_NE(end.code, 0);
    }
    EXPECT_EQ(environment.claimed, std::vector<std::string>{"Büro 2/ä"});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("„Büro 2/ä“ läuft bereits"), std::string::npos);
    ASSERT_EQ(environment.errors.size(), 1u);
    EXPECT_NE(environment.errors[0].find("läuft bereits"), std::string::npos);
    EXPECT_TRUE(registry.reads.empty());
    EXPECT_FALSE(tray.present);

    // When the claim cannot be checked, the program says so and runs.
    environment.claim = ProfileClaim::Unchecked;
    environment.errors.clear();
    load();
    EXPECT_TRUE(tray.present);
    ASSERT_EQ(environment.errors.size(), 1u);
    EXPECT_NE(environment.errors[0].find("lässt sich nicht prüfen"), std::string::npos);
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
    // A silent server may hold the notice only a few seconds, the cycle's
    // requests keep the transfer's own limits.
    ASSERT_TRUE(transfer.limitsAtRequest.back().has_value());
    EXPECT_LE(*transfer.limitsAtRequest.back(), 10s);
    EXPECT_FALSE(transfer.limitsAtRequest.front().has_value());
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
