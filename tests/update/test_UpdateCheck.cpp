#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
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
#include "platform/fakes/FakeSignatureCheck.h"
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
    // The server offers `content` with its valid signature.
    void offerSigned(const std::string& content) {
        transfer.standing[kUrl] = {true, content};
        transfer.standing[kUrl + ".sig"] = {true, signatures.validSignature};
        signatures.signedContent = content;
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
    Log log{folder.path, clock};
    FakeSignatureCheck signatures;
    UpdateCheck update{g, rw, inet, dialogs, processes, clock, env, actions, log, signatures};
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
    offerSigned(content);
    writeFile(target(), "old version");

    try {
        update.GetUpdate(kUrl, kFile);
        FAIL() << "the program should have ended";
    } catch (const ProgramEnded& end) {
        EXPECT_EQ(end.code, 0);
    }
    EXPECT_EQ(readFile(target()), content);
    // The updater checks the file again against the signature beside it.
    EXPECT_EQ(readFile(folder.path / "Updates" / (kFile + ".sig")), signatures.validSignature);
    EXPECT_EQ(transfer.requested, (std::vector<std::string>{kUrl, kUrl, kUrl + ".sig"}));
    // File and profile reach the updater as one argument, blanks and all.
    ASSERT_EQ(processes.startedPrograms.size(), 1u);
    const std::vector<std::string>& started = processes.startedPrograms[0];
    ASSERT_EQ(started.size(), 2u);
    EXPECT_TRUE(fs::equivalent(started[0], folder.path / (std::string("velmora4") + kExecutableSuffix))) << started[0];
    EXPECT_EQ(started[1], "Tavik6_611.zip,Büro 2");
    EXPECT_EQ(actions.trayReleases, 1);
    EXPECT_EQ(actions.unloads, 0);  // no exit sequence, no offline notice
}

TEST_F(UpdateCheckTest, MissingUpdaterKeepsTheFileAndTheProgram) {
    offerSigned("new");
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
    offerSigned("new");
    update.GetUpdate(kUrl, kFile);  // returns instead of ending
    EXPECT_EQ(processes.startedPrograms.size(), 1u);
    EXPECT_EQ(actions.trayReleases, 0);
}

TEST_F(UpdateCheckTest, ServerFileNamesThatAreNoPlainNameAreRefusedWithOneLogLine) {
    installUpdater();
    const std::string refused[] = {"", ".", "..", "../Tavik6", "a/b", "..\\x", "a\\b", "a\nb", "a\rb",
                                   std::string("a\0b", 3), "a\tb", "a\x7f" "b", "a\xc2\x85" "b",
                                   "--confirm-seconds 0 --wait-seconds 3600 x", "-x", "--wait-seconds",
                                   "Tavik6 neu.zip", "a\"b", "a'b", " Tavik6", "C:Tavik6.exe", "neu.exe:x"};
    for (const std::string& name : refused) {
        SCOPED_TRACE(name);
        rw.write("Software", "IUpdate", "07.12.2026");
        const std::string before = readFile(log.file());
        transfer.standing["http://u/update/" + name] = {true, "x"};
        update.GetUpdate("http://u/update/" + name, name);
        const std::string logText = readFile(log.file());
        EXPECT_EQ(std::count(logText.begin(), logText.end(), '\n'), std::count(before.begin(), before.end(), '\n') + 1);
        EXPECT_NE(logText.rfind("Update abgelehnt: unzulässiger Dateiname"), std::string::npos) << logText;
        EXPECT_EQ(lastUpdate(), kToday) << "the refusal is the day's attempt";
        update.GetUpdate("http://u/update/" + name, name);  // same day: not even a log line
        EXPECT_EQ(readFile(log.file()), logText);
    }
    EXPECT_TRUE(transfer.requested.empty());
    EXPECT_TRUE(processes.startedPrograms.empty());
    EXPECT_TRUE(fs::is_empty(folder.path / "Updates"));
    for (const char* name : {"Tavik6_611.zip", "..Tavik6", "Tavik6-6.20", "Büro,2.bin", "a-b"}) {
        EXPECT_TRUE(UpdateCheck::acceptableFileName(name)) << name;
    }
}

// Nothing the built-in key did not sign reaches the updates folder or the
// updater; the user hears why once, the log gets one line, and the program
// keeps running until tomorrow's attempt.
TEST_F(UpdateCheckTest, FileWithoutAValidSignatureIsNeitherKeptNorHandedOver) {
    installUpdater();
    const std::string content = std::string("\x7f" "ELF", 4) + " new build";
    struct Case {
        const char* name;
        std::function<void()> prepare;
        const char* reason;
    };
    const Case cases[] = {
        {"unsigned", [&] { transfer.standing.erase(kUrl + ".sig"); }, "es gibt keine Signatur dazu"},
        {"signed by another key", [&] { transfer.standing[kUrl + ".sig"] = {true, std::string(64, 'x')}; },
         "die Signatur passt nicht zur Datei und zum eingebauten Schlüssel"},
        {"altered after signing", [&] { transfer.standing[kUrl] = {true, content + "!"}; },
         "die Signatur passt nicht zur Datei und zum eingebauten Schlüssel"},
        {"a page instead of the signature",
         [&] { transfer.standing[kUrl + ".sig"] = {true, "<html><head></head>nicht gefunden</html>"}; },
         "die Signatur ist unbrauchbar (40 statt 64 Bytes)"},
        {"no check possible", [&] { signatures.cannotCheck = true; },
         "die Signatur lässt sich nicht prüfen (kein Prüfmodul)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rw.write("Software", "IUpdate", "07.12.2026");
        offerSigned(content);
        signatures.cannotCheck = false;
        dialogs.infos.clear();
        writeFile(folder.path / "Updates" / (kFile + ".sig"), "stale");
        const std::string logBefore = readFile(log.file());
        c.prepare();

        update.GetUpdate(kUrl, kFile);  // returns: the program goes on

        const std::string text = std::string("Das Update \"Tavik6_611.zip\" wurde nicht installiert: ") + c.reason +
                                 ". Tavik6 läuft mit der bisherigen Version weiter.";
        EXPECT_EQ(dialogs.infos, std::vector<std::string>{text});
        const std::string logText = readFile(log.file());
        EXPECT_EQ(std::count(logText.begin() + static_cast<std::ptrdiff_t>(logBefore.size()), logText.end(), '\n'), 1)
            << logText;
        EXPECT_NE(logText.find(text, logBefore.size()), std::string::npos) << logText;
        EXPECT_TRUE(fs::is_empty(folder.path / "Updates")) << "neither the file nor a signature is kept";
        EXPECT_TRUE(processes.startedPrograms.empty());
        EXPECT_EQ(actions.trayReleases, 0);
        EXPECT_EQ(lastUpdate(), kToday);
        update.GetUpdate(kUrl, kFile);  // the daily gate holds
        EXPECT_EQ(dialogs.infos.size(), 1u);
    }
}

// A program file may hold "<head>" anywhere; only what does not start like
// one is taken for a web page.
TEST_F(UpdateCheckTest, ProgramFilesAreNeverWebPages) {
    installUpdater();
    const struct {
        const char* name;
        std::string content;
        bool installed;
    } cases[] = {
        {"ELF build", std::string("\x7f" "ELF\2\1\1\0", 8) + "...<HEAD>...", true},
        {"PE build", std::string("MZ\x90\0", 4) + "<head>", true},
        {"web page", "<html><head><title>404</title></head></html>", false},
        {"script holding a page", "#!/bin/sh\necho '<HEAD>'\n", false},
        {"ELF only later", "x\x7f" "ELF<head>", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rw.write("Software", "IUpdate", "07.12.2026");
        processes.startedPrograms.clear();
        fs::remove(target());
        offerSigned(c.content);
        bool ended = false;
        try {
            update.GetUpdate(kUrl, kFile);
        } catch (const ProgramEnded&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.installed);
        EXPECT_EQ(processes.startedPrograms.size(), c.installed ? 1u : 0u);
        EXPECT_EQ(fs::exists(target()) ? readFile(target()) : "", c.installed ? c.content : "");
    }
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

TEST(UpdaterProgram, StartsAndUpdatesFolder) {
    TempFolder folder;
    ASSERT_FALSE(folder.path.empty());
    const std::string suffix = kExecutableSuffix;
    const std::string updater = (folder.path / ("Velmora4" + suffix)).string();
    using Start = std::vector<std::string>;
    const auto words = [](const UpdaterStart& start) {
        Start all{start.program.string()};
        all.insert(all.end(), start.arguments.begin(), start.arguments.end());
        return all;
    };
    EXPECT_EQ(words(updateCommand(folder.path, "neu.zip", "Tavik6")), (Start{updater, "neu.zip,Tavik6"}));
    EXPECT_EQ(words(restartCommand(folder.path, "Tavik6")), (Start{updater, "Tavik6" + suffix}));
    EXPECT_EQ(words(restartCommand(folder.path, "Büro  2")), (Start{updater, "Tavik6" + suffix + ",Büro  2"}));

    EXPECT_EQ(updatesFolder(folder.path), folder.path / "Updates");
    writeFile(folder.path / "UPDATES", "a file, not the folder");
    EXPECT_EQ(updatesFolder(folder.path), folder.path / "Updates");
    if (kFileNamesIgnoreCase) fs::remove(folder.path / "UPDATES");  // one name for both spellings
    fs::create_directory(folder.path / "updates");
    EXPECT_TRUE(fs::equivalent(updatesFolder(folder.path), folder.path / "updates"));
}

}  // namespace
}  // namespace tavik
