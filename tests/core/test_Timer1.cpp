#include <fstream>

#include "StartformFixture.h"
#include "platform/PlatformFacts.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

const std::string kAccepted = "220;;;50+10.0.0.7+firma-server;1;;;6.10;;;";

class Cycle : public StartformFixture {
protected:
    std::size_t requestsAfterTicks(int ticks) {
        const std::size_t before = transfer.requested.size();
        for (int i = 0; i < ticks; ++i) form->Timer1_Timer();
        return transfer.requested.size() - before;
    }
    // Puts an updater and a program file into the program folder.
    void provideUpdaterAndProgram() {
        std::ofstream(folder / (std::string("Velmora4") + kExecutableSuffix)) << "#!/bin/sh\n";
        std::ofstream(folder / (std::string("Tavik6") + kExecutableSuffix)) << "program bytes";
    }
};

TEST_F(Cycle, FirstTickAfterStartSendsTheRequestAtOnce) {
    load();
    answerIpRequests(kAccepted);
    form->Timer1_Timer();
    ASSERT_EQ(transfer.requested.size(), 1u);
    EXPECT_EQ(transfer.requested[0], ipUrl());
}

TEST_F(Cycle, SuccessGoesOnlineWithTheConnectedPictureAndAMinuteInterval) {
    load();
    answerIpRequests(kAccepted);
    const auto from = tray.changes.size();
    g.OfflineCount = 4;
    form->Timer1_Timer();
    EXPECT_EQ(form->form().MerkerFrame1(), "Online");
    EXPECT_TRUE(tray.statusOnline);
    EXPECT_EQ(g.OfflineCount, 0);
    EXPECT_EQ(trayStatesSince(from), (std::vector<int>{kIconRequestStarted, kIconConnected}));
    EXPECT_EQ(form->timer1().interval(), 60000ms);
    EXPECT_TRUE(form->timer1().enabled());
    EXPECT_TRUE(tray.exitEnabled);
}

TEST_F(Cycle, NewerVersionAnnouncedShowsTheUpdatePicture) {
    load();
    answerIpRequests("220;;;50+10.0.0.7+firma-server;1;;;6.20;;;");
    const auto from = tray.changes.size();
    form->Timer1_Timer();
    EXPECT_EQ(trayStatesSince(from), (std::vector<int>{kIconRequestStarted, kIconUpdateOffered}));
}

TEST_F(Cycle, TimerAndExitEntryAreOffWhileTheRequestRuns) {
    load();
    answerIpRequests(kAccepted);
    bool timerWasOn = true, exitWasOn = true;
    transfer.duringRequest = [&](const std::string&) {
        timerWasOn = form->timer1().enabled();
        exitWasOn = tray.exitEnabled;
    };
    form->Timer1_Timer();
    EXPECT_FALSE(timerWasOn);
    EXPECT_FALSE(exitWasOn);
}

TEST_F(Cycle, OnlinePeriodFollowsTheAccountClass) {
    struct Row {
        std::string klasse;
        int period;
    };
    for (const Row& row : {Row{"", 20}, Row{"Standard", 20}, Row{"Privat", 10}, Row{"Firma", 3},
                           Row{"Privat und Firma", 3}, Row{"privat", 20}}) {
        load();
        answerIpRequests("220;;;50+10.0.0.7+firma-server;1;" + row.klasse + ";;6.10;;;");
        form->Timer1_Timer();  // goes online
        ASSERT_EQ(form->form().MerkerFrame1(), "Online");
        EXPECT_EQ(requestsAfterTicks(row.period - 1), 0u) << row.klasse;
        EXPECT_EQ(requestsAfterTicks(1), 1u) << row.klasse;
        EXPECT_EQ(form->form().MerkerFrame2Tag, "") << "counting starts again after a request";
    }
}

TEST_F(Cycle, FailureGoesOfflineAndRetriesEveryHalfMinute) {
    load();
    failIpRequests();
    const auto from = tray.changes.size();
    form->Timer1_Timer();
    EXPECT_EQ(form->form().MerkerFrame1(), "Offline");
    EXPECT_EQ(g.OfflineCount, 1);
    EXPECT_EQ(trayStatesSince(from), (std::vector<int>{kIconRequestStarted, kIconOffline}));
    EXPECT_EQ(form->timer1().interval(), 30000ms);
    EXPECT_TRUE(form->timer1().enabled());
    EXPECT_EQ(requestsAfterTicks(3), 3u) << "while offline every tick sends a request";
    EXPECT_EQ(g.OfflineCount, 4);
}

TEST_F(Cycle, FirstSuccessAfterFailuresClearsTheCount) {
    load();
    failIpRequests();
    requestsAfterTicks(5);
    answerIpRequests(kAccepted);
    form->Timer1_Timer();
    EXPECT_EQ(g.OfflineCount, 0);
    EXPECT_EQ(form->form().MerkerFrame1(), "Online");
    EXPECT_EQ(form->form().MerkerFrame2Tag, "");
}

TEST_F(Cycle, IndirectConnectionNeverAsksForTheDialUpLine) {
    load();
    answerIpRequests(kAccepted);
    form->Timer1_Timer();
    EXPECT_EQ(dialUp.asked, 0);
}

TEST_F(Cycle, DirectConnectionWithTheLineDownStillSendsTheRequest) {
    store("Proxyserver", "0");
    load();
    answerIpRequests(kAccepted);
    dialUp.connected = false;
    const auto from = tray.changes.size();
    form->Timer1_Timer();
    EXPECT_EQ(dialUp.asked, 1);
    EXPECT_EQ(transfer.requested.size(), 1u);
    EXPECT_EQ(trayStatesSince(from), (std::vector<int>{kIconRequestStarted, kIconOffline, kIconConnected}));
    EXPECT_EQ(form->form().MerkerFrame1(), "Online");
    EXPECT_EQ(form->timer1().interval(), 30000ms) << "the success path does not set the interval back";
}

TEST_F(Cycle, DirectConnectionWithTheLineUpMarksTheUserFlagOnline) {
    store("Proxyserver", "");  // never chosen counts as direct
    load();
    answerIpRequests(kAccepted);
    dialUp.connected = true;
    const auto from = tray.changes.size();
    form->Timer1_Timer();
    EXPECT_EQ(form->form().MerkerFalscherBenutzerCaption, "Online");
    EXPECT_EQ(trayStatesSince(from), (std::vector<int>{kIconRequestStarted, kIconConnected, kIconConnected}));
}

TEST_F(Cycle, EachPictureIsHeldASecondWhereSomeoneCanSeeIt) {
    load();
    answerIpRequests(kAccepted);
    form->Timer1_Timer();
    EXPECT_EQ(clock.sleeps, (std::vector<std::chrono::milliseconds>{1000ms, 1000ms}));

    tray.visible = false;
    clock.sleeps.clear();
    form->Timer1_Timer();
    requestsAfterTicks(25);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(Cycle, TooltipIsCutToSixtyThreeCharacters) {
    load();
    form->form().picTaskIconTag[kIconConnected] = std::string(60, 'a') + "äöüß";
    form->TaskIconSet(kIconConnected);
    EXPECT_EQ(tray.changes.back().tooltip, std::string(60, 'a') + "äöü");
    form->form().picTaskIconTag[kIconConnected] = std::string(63, 'b');
    form->TaskIconSet(kIconConnected);
    EXPECT_EQ(tray.changes.back().tooltip, std::string(63, 'b'));
}

TEST_F(Cycle, ElevenFailuresWithoutRestartSettingKeepTrying) {
    provideUpdaterAndProgram();
    load();
    failIpRequests();
    requestsAfterTicks(15);
    EXPECT_EQ(g.OfflineCount, 15);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "logTavik.TXT"));
}

TEST_F(Cycle, EleventhFailureWithRestartOnHandsOverToTheUpdater) {
    provideUpdaterAndProgram();
    store("Restart", "1");
    load();
    failIpRequests();
    requestsAfterTicks(10);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_THROW(form->Timer1_Timer(), ProgramEnded);

    ASSERT_EQ(processes.started.size(), 1u);
    const std::string suffix = kExecutableSuffix;
    EXPECT_EQ(processes.started[0], (folder / ("Velmora4" + suffix)).string() + " Tavik6" + suffix);
    std::ifstream copy(folder / "Updates" / ("Tavik6" + suffix));
    std::string bytes;
    std::getline(copy, bytes);
    EXPECT_EQ(bytes, "program bytes");
    std::ifstream log(folder / "logTavik.TXT");
    std::string line;
    std::getline(log, line);
    EXPECT_NE(line.find("\tTavik6 kopiert"), std::string::npos) << line;
    EXPECT_FALSE(tray.present);
    EXPECT_FALSE(tray.hooked);
    EXPECT_EQ(std::count(transfer.requested.begin(), transfer.requested.end(),
                         "http://" + environment.service + "/cgi-bin/server/offline.cgi?k1"),
              0)
        << "the restart sends no offline notice";
}

TEST_F(Cycle, RestartWithoutAProgramFileToCopyGoesOnOffline) {
    std::ofstream(folder / (std::string("Velmora4") + kExecutableSuffix)) << "#!/bin/sh\n";
    store("Restart", "1");
    load();
    failIpRequests();
    requestsAfterTicks(12);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(form->timer1().interval(), 30000ms);
    EXPECT_TRUE(tray.present);
}

TEST_F(Cycle, RestartWhoseUpdaterCannotStartKeepsTheProgramRunning) {
    provideUpdaterAndProgram();
    store("Restart", "1");
    processes.startSucceeds = false;
    load();
    failIpRequests();
    EXPECT_NO_THROW(requestsAfterTicks(12));
    EXPECT_EQ(processes.started.size(), 2u) << "tried on the eleventh and twelfth failure";
    EXPECT_TRUE(tray.present);
}

TEST_F(Cycle, CycleAskedForDuringARequestIsSkipped) {
    load();
    answerIpRequests(kAccepted);
    std::size_t nested = 0;
    transfer.duringRequest = [&](const std::string&) {
        if (nested++ == 0) form->Timer1_Timer();
    };
    form->Timer1_Timer();
    EXPECT_EQ(transfer.requested.size(), 1u);
}

}  // namespace
}  // namespace tavik
