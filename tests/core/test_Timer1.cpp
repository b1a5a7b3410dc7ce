#include <algorithm>
#include <fstream>

#include "StartformFixture.h"
#include "platform/PlatformFacts.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

const std::string kAccepted = "220;;;50+10.0.0.7+firma-server;1;;;6.10;;;";

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

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

TEST_F(Cycle, AServerThatStopsAnsweringIsSaidOnceAndSoIsItsReturn) {
    load();
    failIpRequests();
    requestsAfterTicks(4);
    answerIpRequests(kAccepted);
    form->Timer1_Timer();
    std::ifstream logFile(folder / "logTavik.TXT");
    std::vector<std::string> said;
    for (std::string line; std::getline(logFile, line);)
        if (line.find("erreichbar") != std::string::npos) said.push_back(line);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_NE(said[0].find("ist nicht erreichbar"), std::string::npos) << said[0];
    EXPECT_NE(said[1].find("ist wieder erreichbar"), std::string::npos) << said[1];
    EXPECT_EQ(environment.errors.size(), 2u);
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
    EXPECT_TRUE(processes.startedPrograms.empty());
    std::ifstream logFile(folder / "logTavik.TXT");
    for (std::string line; std::getline(logFile, line);) EXPECT_EQ(line.find("kopiert"), std::string::npos) << line;
}

TEST_F(Cycle, EleventhFailureWithRestartOnHandsOverToTheUpdater) {
    provideUpdaterAndProgram();
    store("Restart", "1");
    load();
    failIpRequests();
    requestsAfterTicks(10);
    EXPECT_TRUE(processes.startedPrograms.empty());
    EXPECT_THROW(form->Timer1_Timer(), ProgramEnded);

    ASSERT_EQ(processes.startedPrograms.size(), 1u);
    const std::string suffix = kExecutableSuffix;
    EXPECT_EQ(processes.startedPrograms[0],
              (std::vector<std::string>{(folder / ("Velmora4" + suffix)).string(), "Tavik6" + suffix}));
    std::ifstream copy(folder / "Updates" / ("Tavik6" + suffix));
    std::string bytes;
    std::getline(copy, bytes);
    EXPECT_EQ(bytes, "program bytes");
    std::ifstream log(folder / "logTavik.TXT");
    std::string lines;
    for (std::string line; std::getline(log, line);) lines += line + "\n";
    EXPECT_EQ(countOf(lines, "\tTavik6 kopiert"), 1u) << lines;
    EXPECT_FALSE(tray.present);
    EXPECT_FALSE(tray.hooked);
    EXPECT_EQ(std::count(transfer.requested.begin(), transfer.requested.end(),
                         "http://" + environment.service + "/cgi-bin/server/offline.cgi?k1"),
              0)
        << "the restart sends no offline notice";
}

// Each failed cycle after the tenth tries the restart again; one that cannot
// be done copies nothing it cannot use and says why once, not every 30 s.
struct RestartCase {
    const char* name;
    bool updater;
    bool program;
    bool updaterStarts;
    std::size_t starts;  // tries of the updater in failures 11 to 15
    const char* reason;  // in the one log line and on standard error
    bool copied;
};

void PrintTo(const RestartCase& c, std::ostream* out) { *out << c.name; }

class RestartThatCannotBeDone : public Cycle, public ::testing::WithParamInterface<RestartCase> {};

TEST_P(RestartThatCannotBeDone, SaysWhyOnceAndCopiesOnlyForAnUpdater) {
    const RestartCase& c = GetParam();
    const std::string suffix = kExecutableSuffix;
    if (c.updater) std::ofstream(folder / ("Velmora4" + suffix)) << "#!/bin/sh\n";
    if (c.program) std::ofstream(folder / ("Tavik6" + suffix)) << "program bytes";
    store("Restart", "1");
    processes.startSucceeds = c.updaterStarts;
    load();
    failIpRequests();

    EXPECT_NO_THROW(requestsAfterTicks(15));
    std::string errors;
    for (const auto& line : environment.errors) errors += line + "\n";

    EXPECT_EQ(processes.startedPrograms.size(), c.starts);
    EXPECT_EQ(std::filesystem::exists(folder / "Updates" / ("Tavik6" + suffix)), c.copied);
    std::ifstream logFile(folder / "logTavik.TXT");
    std::vector<std::string> problems;
    for (std::string line; std::getline(logFile, line);) {
        if (line.find("Kein Neustart möglich: ") != std::string::npos) problems.push_back(line);
    }
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(c.reason), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find("Tavik6 läuft weiter."), std::string::npos) << problems[0];
    EXPECT_EQ(countOf(errors, "Kein Neustart möglich"), 1u) << errors;
    EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
    EXPECT_EQ(form->timer1().interval(), 30000ms);
    EXPECT_TRUE(tray.present);
}

INSTANTIATE_TEST_SUITE_P(
    Cycle, RestartThatCannotBeDone,
    ::testing::Values(RestartCase{"NoUpdater", false, true, true, 0, "das Programm Velmora4 fehlt in ", false},
                      RestartCase{"NoProgramFile", true, false, true, 0, "Tavik6 ließ sich nicht nach ", false},
                      RestartCase{"UpdaterDoesNotStart", true, true, false, 5, "ließ sich nicht starten", true}),
    [](const ::testing::TestParamInfo<RestartCase>& info) { return std::string(info.param.name); });

// Where the program may not replace its own file (a package install, a
// folder of the administrator's), the restart copies nothing and starts the
// program afresh in place, and an offered update is only shown: no download,
// the update picture, one log line that says why. Log and updates live in the
// folders the environment names.
class InstallNotOwned : public Cycle, public ::testing::WithParamInterface<ProgramInstall> {
protected:
    void SetUp() override {
        Cycle::SetUp();
        environment.installKind = GetParam();
        environment.logs = folder / "state";
        environment.updates = folder / "cache";
        provideUpdaterAndProgram();
        store("Restart", "1");
        store("AutoUpdate", "1");
    }
    std::string logText() {
        std::ifstream log(environment.logs / "logTavik.TXT");
        std::string lines;
        for (std::string line; std::getline(log, line);) lines += line + "\n";
        return lines;
    }
};

TEST_P(InstallNotOwned, RestartReplacesNothing) {
    load();
    failIpRequests();
    requestsAfterTicks(10);
    EXPECT_THROW(form->Timer1_Timer(), ProgramEnded);
    EXPECT_EQ(environment.restarts, 1);
    EXPECT_TRUE(processes.startedPrograms.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "Updates"));
    EXPECT_FALSE(std::filesystem::exists(environment.updates / "Updates" / ("Tavik6" + std::string(kExecutableSuffix))));
    EXPECT_EQ(countOf(logText(), "ohne eine Programmdatei zu ersetzen"), 1u) << logText();

    // A restart that cannot happen leaves the program running and says so once.
    environment.restartWorks = false;
    EXPECT_NO_THROW(requestsAfterTicks(3));
    EXPECT_EQ(countOf(logText(), "Kein Neustart möglich: das Programm ließ sich nicht neu starten"), 1u) << logText();
}

TEST_P(InstallNotOwned, OfferedUpdateIsOnlyShown) {
    load();
    EXPECT_TRUE(std::filesystem::is_directory(environment.updates / "Updates"));
    answerIpRequests("220;;;50+10.0.0.7+firma-server;1;;;6.20;Tavik6-6.20;;");
    const auto from = tray.changes.size();
    form->Timer1_Timer();
    form->menu_popup_user_Click();  // a second reply with the same offer
    for (const auto& url : transfer.requested) EXPECT_EQ(url.find("/update/"), std::string::npos) << url;
    EXPECT_EQ(trayStatesSince(from)[1], kIconUpdateOffered);
    const std::string why = GetParam() == ProgramInstall::PackageManaged ? "Paketverwaltung" : "nicht beschreibbar";
    EXPECT_EQ(countOf(logText(), "(Tavik6-6.20) ist verfügbar, wird aber nicht automatisch installiert"), 1u)
        << logText();
    EXPECT_EQ(countOf(logText(), why), 1u) << logText();
    EXPECT_FALSE(std::filesystem::exists(folder / "logTavik.TXT"));
}

INSTANTIATE_TEST_SUITE_P(Cycle, InstallNotOwned,
                         ::testing::Values(ProgramInstall::PackageManaged, ProgramInstall::NotWritable),
                         [](const ::testing::TestParamInfo<ProgramInstall>& info) {
                             return info.param == ProgramInstall::PackageManaged ? "Package" : "NotWritable";
                         });

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

// A request with an empty customer number or password can only be refused;
// none is sent, the user hears of it once when the state begins, and such
// cycles do not count towards the restart after a long time offline.
TEST_F(Cycle, WithoutCustomerNumberOrPasswordNothingIsSentAndItIsSaidOnce) {
    for (const char* missing : {"User", "Passwort"}) {
        SCOPED_TRACE(missing);
        transfer.requested.clear();
        environment.errors.clear();
        store(missing, "");
        store("Restart", "1");
        TavikGlobal fresh;
        g = fresh;
        load();
        answerIpRequests(kAccepted);
        EXPECT_EQ(requestsAfterTicks(12), 0u);
        EXPECT_EQ(g.OfflineCount, 0);
        EXPECT_TRUE(processes.started.empty());
        ASSERT_EQ(environment.errors.size(), 1u);
        EXPECT_NE(environment.errors[0].find("fehlen Kundennummer oder Passwort"), std::string::npos);

        g.User = "k1";
        g.Passwort = "pw";
        EXPECT_EQ(requestsAfterTicks(1), 1u);
        g.Passwort.clear();
        form->form().setMerkerFrame1("Offline");
        EXPECT_EQ(requestsAfterTicks(3), 0u);
        EXPECT_EQ(environment.errors.size(), 2u) << "said again when the state begins again";
        EXPECT_THROW(form->menu_popup_exit_Click(), ProgramEnded);
        EXPECT_EQ(transfer.requested.size(), 1u) << "no offline notice either";
        store(missing, missing == std::string("User") ? "k1" : "pw");
    }
}

}  // namespace
}  // namespace tavik
