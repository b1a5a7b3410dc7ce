#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../TempDirectory.h"
#include "../protocol/RecordingActions.h"
#include "platform/PlatformFacts.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/FakeTransfer.h"
#include "platform/fakes/MemoryRegistry.h"
#include "protocol/Inet1.h"
#include "settings/RwModul.h"
#include "update/UpdateCheck.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

// A program folder in a temporary directory, with its updates folder.
class TempFolder {
public:
    TempFolder() {
        path = testing_support::makeTempDirectory("tavik-update-");
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    fs::path path;
};

void writeFile(const fs::path& file, const std::string& content) {
    std::ofstream(file, std::ios::binary) << content;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kUrl = "http://127.0.0.1:8081/update/Tavik6_611.zip";
const std::string kFile = "Tavik6_611.zip";
const std::string kToday = "08.12.2026";  // the fake clock's day

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path.empty());
        env.folder = folder.path;
        fs::create_directory(folder.path / "Updates");
        g.UpdatePfad = (folder.path / "Updates").string();
        g.Profil = "Büro 2";
    }
    std::string lastUpdate() { return rw.read("Software", "IUpdate"); }
    fs::path target() const { return folder.path / "Updates" / kFile; }
    void installUpdater(const std::string& name = "Velmora4") {
        writeFile(folder.path / (name + kExecutableSuffix), "#!/bin/sh\n");
    }

    TempFolder folder;
    TavikGlobal g;
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
    FakeTransfer transfer;
    Inet1 inet{transfer, g};
    FakeProcesses processes;
    FakeClock clock;
    FakeEnvironment env;
    RecordingActions actions;
    UpdateCheck update{g, rw, inet, dialogs, processes, clock, env, actions};
};

TEST_F(UpdateCheckTest, SecondAttemptOnTheSameDayDoesNothing) {
    rw.write("Software", "IUpdate", kToday);
    transfer.standing[kUrl] = {true, "data"};
    update.GetUpdate(kUrl, kFile);
    EXPECT_TRUE(transfer.requested.empty());
    EXPECT_FALSE(fs::exists(target()));
}

TEST_F(UpdateCheckTest, UnreachableServerIsReportedAndCountsForTheDay) {
    rw.write("Software", "IUpdate", "07.12.2026");
    update.GetUpdate(kUrl, kFile);
    EXPECT_EQ(lastUpdate(), kToday);
    EXPECT_EQ(dialogs.infos, std::vector<std::string>{"Kein Server. Bitte Verbindung zum Internet herstellen."});
    EXPECT_EQ(transfer.requested.size(), 1u);
    EXPECT_TRUE(processes.started.empty());
}

TEST_F(UpdateCheckTest, WebPageInsteadOfTheFileIsIgnored) {
    writeFile(target(), "old");
    transfer.standing[kUrl] = {true, "<html><HeAd><title>404</title></head></html>"};
    update.GetUpdate(kUrl, kFile);
    EXPECT_EQ(lastUpdate(), kToday);
    EXPECT_EQ(transfer.requested.size(), 1u);
    EXPECT_EQ(readFile(target()), "old");
    EXPECT_TRUE(dialogs.infos.empty());
}

TEST_F(UpdateCheckTest, FetchedFileStartsTheUpdaterAndEnds) {
    installUpdater("velmora4");  // found whatever its letter case
    const std::string content("PK\x03\x04\0\r\nbinary", 13);
    transfer.standing[kUrl] = {true, content};
    writeFile(target(), "old version");

    try {
        update.GetUpdate(kUrl, kFile);
        FAIL() << "the program should have ended";
    } catch (const ProgramEnded& end) {
        EXPECT_EQ(end.code, 0);
    }
    EXPECT_EQ(readFile(target()), content);
    EXPECT_EQ(transfer.requested.size(), 2u);
    ASSERT_EQ(processes.started.size(), 1u);
    const std::string arguments = " Tavik6_611.zip,Büro 2";
    const std::string& started = processes.started[0];
    ASSERT_GT(started.size(), arguments.size());
    EXPECT_EQ(started.substr(started.size() - arguments.size()), arguments);
    EXPECT_TRUE(fs::equivalent(started.substr(0, started.size() - arguments.size()),
                               folder.path / (std::string("velmora4") + kExecutableSuffix)))
        << started;
    EXPECT_EQ(actions.trayReleases, 1);
    EXPECT_EQ(actions.unloads, 0);  // no exit sequence, no offline notice
}

TEST_F(UpdateCheckTest, MissingUpdaterKeepsTheFileAndTheProgram) {
    transfer.standing[kUrl] = {true, "new"};
    update.GetUpdate(kUrl, kFile);
    EXPECT_EQ(readFile(target()), "new");
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(actions.trayReleases, 0);
    EXPECT_EQ(transfer.cancels, 1);
}

TEST_F(UpdateCheckTest, FailedDownloadLeavesNoFileUnderTheFinalName) {
    installUpdater();
    transfer.queued[kUrl] = {{true, "first look"}, {false, ""}};
    writeFile(target(), "old version");
    update.GetUpdate(kUrl, kFile);
    EXPECT_FALSE(fs::exists(target()));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path / "Updates"), fs::directory_iterator()), 0);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(transfer.cancels, 1);
}

TEST_F(UpdateCheckTest, UpdaterThatCannotStartKeepsTheProgramRunning) {
    installUpdater();
    processes.startSucceeds = false;
    transfer.standing[kUrl] = {true, "new"};
    update.GetUpdate(kUrl, kFile);  // returns instead of ending
    EXPECT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(actions.trayReleases, 0);
}

TEST_F(UpdateCheckTest, ServerFileNamesThatAreNoBareNameAreRefused) {
    installUpdater();
    const std::string names[] = {"", ".", "..", "../Tavik6", "a/b", "..\\x", "a\\b",
                                 "a\nb", "a\rb", std::string("a\0b", 3), "a\tb"};
    for (const std::string& name : names) {
        transfer.standing["http://u/update/" + name] = {true, "x"};
        update.GetUpdate("http://u/update/" + name, name);
    }
    EXPECT_TRUE(transfer.requested.empty());
    EXPECT_EQ(registry.writeCalls, 0);
    EXPECT_TRUE(processes.started.empty());
    EXPECT_TRUE(UpdateCheck::acceptableFileName("Tavik6 neu.zip"));
    EXPECT_TRUE(UpdateCheck::acceptableFileName("..Tavik6"));
}

TEST(UpdaterProgram, FindsNamesIgnoringCaseExactSpellingFirst) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    const std::string suffix = kExecutableSuffix;
    EXPECT_EQ(findInFolder(folder.path, "Velmora4"), folder.path / "Velmora4");
    EXPECT_FALSE(updaterPresent(folder.path));

    fs::create_directory(folder.path / ("VELMORA4" + suffix));  // a folder is no program
    EXPECT_FALSE(updaterPresent(folder.path));
    if (kFileNamesIgnoreCase) fs::remove(folder.path / ("VELMORA4" + suffix));  // one name for both spellings
    writeFile(folder.path / ("velmora4" + suffix), "");
    EXPECT_TRUE(fs::equivalent(findInFolder(folder.path, "Velmora4" + suffix), folder.path / ("velmora4" + suffix)));
    EXPECT_TRUE(updaterPresent(folder.path));
    writeFile(folder.path / ("Velmora4" + suffix), "");
    EXPECT_EQ(findInFolder(folder.path, "Velmora4" + suffix), folder.path / ("Velmora4" + suffix));
}

TEST(UpdaterProgram, CommandLinesAndUpdatesFolder) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    const std::string suffix = kExecutableSuffix;
    const std::string updater = (folder.path / ("Velmora4" + suffix)).string();
    EXPECT_EQ(updateCommandLine(folder.path, "neu.zip", "Tavik6"), updater + " neu.zip,Tavik6");
    EXPECT_EQ(restartCommandLine(folder.path, "Tavik6"), updater + " Tavik6" + suffix);
    EXPECT_EQ(restartCommandLine(folder.path, "Büro 2"), updater + " Tavik6" + suffix + ",Büro 2");

    EXPECT_EQ(updatesFolder(folder.path), folder.path / "Updates");
    writeFile(folder.path / "UPDATES", "a file, not the folder");
    EXPECT_EQ(updatesFolder(folder.path), folder.path / "Updates");
    if (kFileNamesIgnoreCase) fs::remove(folder.path / "UPDATES");  // one name for both spellings
    fs::create_directory(folder.path / "updates");
    EXPECT_TRUE(fs::equivalent(updatesFolder(folder.path), folder.path / "updates"));
}

}  // namespace
}  // namespace tavik
