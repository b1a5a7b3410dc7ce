#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramFiles.h"
#include "Updater.h"
#include "platform/PlatformFacts.h"
#include "platform/fakes/FakeSignatureCheck.h"

namespace {

namespace fs = std::filesystem;
using tavik::updater::kAllSteps;
using tavik::updater::Outcome;
using tavik::updater::ProgramControl;
using tavik::updater::Step;
using tavik::updater::stepName;
using tavik::updater::Updater;
using tavik::updater::UpdaterCommand;

const std::string kOld = "#!/bin/sh\n# the previous program\nexec sleep 60\n";
const std::string kNew = "#!/bin/sh\n# the new program\nexec sleep 60\n";
const std::string kBroken = "#!/bin/sh\n# the new program, broken\nexit 1\n";

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const fs::path& file, const std::string& content, fs::perms mode) {
    std::ofstream(file, std::ios::binary) << content;
    fs::permissions(file, mode);
}

// Stands for the processes: remembers which program file content each start
// found, and lets a program "fail" when its content says it exits at once.
class FakeControl : public ProgramControl {
public:
    struct Start {
        std::string content;
        std::string profile;
    };

    bool waitUntilEnded(const fs::path& program, const std::string& profile, std::chrono::milliseconds) override {
        waitedFor.emplace_back(program, profile);
        return !oldStillRunning;
    }
    std::optional<int> start(const fs::path& program, const std::string& profile) override {
        starts.push_back({readFile(program), profile});
        return static_cast<int>(starts.size());
    }
    bool confirmRunning(int pid, std::chrono::milliseconds) override {
        return starts.at(static_cast<std::size_t>(pid - 1)).content.find("exit 1") == std::string::npos;
    }

    bool oldStillRunning = false;
    std::vector<std::pair<fs::path, std::string>> waitedFor;
    std::vector<Start> starts;
};

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("velmora4-test-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "Updates");
        writeFile(program(), kOld, fs::perms(0755));
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path program() const { return folder_ / (std::string("Tavik6") + tavik::kExecutableSuffix); }
    fs::path backup() const { return folder_ / "Tavik6.bak"; }

    // The update file as the program downloads it, not executable, with the
    // signature the check takes for its own.
    void offer(const std::string& content, const std::string& name = "neu.bin") {
        const auto onDisk = [](const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); };
        writeFile(folder_ / "Updates" / onDisk(name), content, fs::perms(0644));
        writeFile(folder_ / "Updates" / onDisk(name + ".sig"), signatures_.validSignature, fs::perms(0644));
        signatures_.signedContent = content;
    }

    Outcome run(const UpdaterCommand& command, std::optional<Step> failAt = std::nullopt) {
        Updater updater(folder_, control_, signatures_, log_, {}, failAt);
        return updater.run(command);
    }

    // What must hold after any run: one complete, executable program file,
    // the previous or the new one, and no temporary file left behind.
    void expectRunnableProgram(const std::set<std::string>& allowed) {
        struct stat info {};
        ASSERT_EQ(::stat(program().string().c_str(), &info), 0) << "the program file is missing";
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(info.st_mode & 0111, 0111u) << "the program file is not executable";
        EXPECT_TRUE(allowed.count(readFile(program()))) << readFile(program());
        for (const auto& entry : fs::directory_iterator(folder_)) {
            EXPECT_FALSE(tavik::updater::isTemporaryName(entry.path().filename().string())) << entry.path();
        }
    }

    std::vector<std::string> startedContents() const {
        std::vector<std::string> contents;
        for (const auto& start : control_.starts) contents.push_back(start.content);
        return contents;
    }

    fs::path folder_;
    FakeControl control_;
    tavik::FakeSignatureCheck signatures_;
    std::ostringstream log_;
};

TEST_F(UpdaterTest, UpdatePutsTheNewProgramInPlaceKeepsTheBackupAndStartsItWithTheProfile) {
    offer(kNew);
    EXPECT_EQ(run({"neu.bin", "Büro 2"}), Outcome::NewProgramRuns);

    expectRunnableProgram({kNew});
    EXPECT_EQ(readFile(backup()), kOld);
    ASSERT_EQ(control_.starts.size(), 1u);
    EXPECT_EQ(control_.starts[0].profile, "Büro 2");
    ASSERT_EQ(control_.waitedFor.size(), 1u);
    EXPECT_EQ(control_.waitedFor[0].first, program());
    EXPECT_EQ(control_.waitedFor[0].second, "Büro 2");
    EXPECT_EQ(readFile(folder_ / "Updates" / "neu.bin"), kNew) << "the update file itself is left alone";
}

TEST_F(UpdaterTest, RestartStartsTheProgramWithoutProfileAndWaitsForTheDefaultOne) {
    offer(kOld, "Tavik6");
    EXPECT_EQ(run({"Tavik6", ""}), Outcome::NewProgramRuns);

    expectRunnableProgram({kOld});
    ASSERT_EQ(control_.starts.size(), 1u);
    EXPECT_EQ(control_.starts[0].profile, "");
    EXPECT_EQ(control_.waitedFor.at(0).second, "Tavik6");
}

// The name reaches the updater in UTF-8, which is not what a narrow path
// means on every system.
TEST_F(UpdaterTest, UpdateFileNameBeyondAsciiIsFound) {
    offer(kNew, "Tavik6-ä.bin");
    EXPECT_EQ(run({"Tavik6-ä.bin", "Büro"}), Outcome::NewProgramRuns) << log_.str();
    expectRunnableProgram({kNew});
}

TEST_F(UpdaterTest, UpdatesFolderIsFoundInAnyCase) {
    offer(kNew);
    fs::rename(folder_ / "Updates", folder_ / "updates");
    EXPECT_EQ(run({"neu.bin", "Büro"}), Outcome::NewProgramRuns);
    expectRunnableProgram({kNew});
}

TEST_F(UpdaterTest, NewProgramThatExitsAtOnceIsReplacedByThePreviousOne) {
    offer(kBroken);
    EXPECT_EQ(run({"neu.bin", "Büro"}), Outcome::PreviousProgramRuns);

    expectRunnableProgram({kOld});
    EXPECT_EQ(startedContents(), (std::vector<std::string>{kBroken, kOld}));
    EXPECT_EQ(control_.starts[1].profile, "Büro");
}

TEST_F(UpdaterTest, ProgramStillRunningAfterTheWaitChangesNothing) {
    offer(kNew);
    control_.oldStillRunning = true;
    EXPECT_EQ(run({"neu.bin", "Büro"}), Outcome::Failed);

    expectRunnableProgram({kOld});
    EXPECT_FALSE(fs::exists(backup()));
    EXPECT_TRUE(control_.starts.empty()) << "a second copy of the profile must not start";
}

TEST_F(UpdaterTest, UpdateFileThatCannotBeUsedStartsThePreviousProgramAgain) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
    };
    const Case cases[] = {
        {"missing", [] {}},
        {"a folder", [&] { fs::create_directories(folder_ / "Updates" / "neu.bin" / "inner"); }},
        {"empty", [&] { offer(""); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder_ / "Updates" / "neu.bin");
        control_.starts.clear();
        c.prepare();
        EXPECT_EQ(run({"neu.bin", "Büro"}), Outcome::PreviousProgramRuns);
        expectRunnableProgram({kOld});
        EXPECT_EQ(startedContents(), std::vector<std::string>{kOld});
    }
}

// Only a file signed with the built-in key, or the program itself handed
// back for the restart, may become the program.
TEST_F(UpdaterTest, FileWithoutAValidSignatureIsNotPutInPlace) {
    const fs::path signature = folder_ / "Updates" / "neu.bin.sig";
    struct Case {
        const char* name;
        std::function<void()> prepare;
        const char* reason;
    };
    const Case cases[] = {
        {"unsigned", [&] { fs::remove(signature); }, "es gibt keine Signatur dazu"},
        {"signed by another key", [&] { writeFile(signature, std::string(64, 'x'), fs::perms(0644)); },
         "die Signatur passt nicht"},
        {"altered after signing", [&] { writeFile(folder_ / "Updates" / "neu.bin", kNew + "#", fs::perms(0644)); },
         "die Signatur passt nicht"},
        {"truncated signature", [&] { writeFile(signature, std::string(63, 's'), fs::perms(0644)); },
         "die Signatur ist unbrauchbar (63 statt 64 Bytes)"},
        {"signature too big to be one", [&] { writeFile(signature, std::string(1 << 20, 's'), fs::perms(0644)); },
         "es gibt keine Signatur dazu"},
        {"no check possible", [&] { signatures_.cannotCheck = true; }, "die Signatur lässt sich nicht prüfen (kein Prüfmodul)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        offer(kNew);
        signatures_.cannotCheck = false;
        control_.starts.clear();
        log_.str("");
        c.prepare();
        EXPECT_EQ(run({"neu.bin", "Büro"}), Outcome::PreviousProgramRuns);
        expectRunnableProgram({kOld});
        EXPECT_FALSE(fs::exists(backup()));
        EXPECT_EQ(startedContents(), std::vector<std::string>{kOld});
        EXPECT_NE(log_.str().find(std::string("Signatur prüfen: fehlgeschlagen (") + c.reason), std::string::npos)
            << log_.str();
    }

    // The restart's copy of the program itself needs no signature.
    fs::remove(signature);
    writeFile(folder_ / "Updates" / "Tavik6", kOld, fs::perms(0644));
    control_.starts.clear();
    EXPECT_EQ(run({"Tavik6", ""}), Outcome::NewProgramRuns);
    expectRunnableProgram({kOld});
    EXPECT_NE(log_.str().find("Signatur prüfen: erledigt (unverändertes Programm)"), std::string::npos) << log_.str();
}

TEST_F(UpdaterTest, OlderBackupIsReplacedByTheCurrentProgram) {
    writeFile(backup(), "#!/bin/sh\n# an old backup\n", fs::perms(0755));
    offer(kNew);
    EXPECT_EQ(run({"neu.bin", ""}), Outcome::NewProgramRuns);
    EXPECT_EQ(readFile(backup()), kOld);
}

TEST_F(UpdaterTest, FirstInstallWithoutPreviousProgram) {
    fs::remove(program());
    offer(kNew);
    EXPECT_EQ(run({"neu.bin", ""}), Outcome::NewProgramRuns);
    expectRunnableProgram({kNew});
    EXPECT_FALSE(fs::exists(backup()));

    // Nothing to fall back to: the broken program stays, whole, and the run fails.
    fs::remove(program());
    offer(kBroken);
    EXPECT_EQ(run({"neu.bin", ""}), Outcome::Failed);
    expectRunnableProgram({kBroken});
}

// A failure at each step, with a new program that starts and with one that
// exits at once: afterwards a complete, executable program is in place, and
// the previous program runs again wherever the new one cannot.
struct InjectedCase {
    Step step;
    bool newProgramWorks;
    Outcome outcome;
    bool newProgramInPlace;
    std::vector<bool> startedNew;  // per start: was it the new program (true) or the previous one
};

TEST_F(UpdaterTest, FailureAtEachStepLeavesARunnableProgram) {
    const std::vector<InjectedCase> cases = {
        {Step::WaitForEnd, true, Outcome::Failed, false, {}},
        {Step::CopyNewFile, true, Outcome::PreviousProgramRuns, false, {false}},
        {Step::CheckSignature, true, Outcome::PreviousProgramRuns, false, {false}},
        {Step::KeepBackup, true, Outcome::PreviousProgramRuns, false, {false}},
        {Step::PutInPlace, true, Outcome::PreviousProgramRuns, false, {false}},
        {Step::StartNew, true, Outcome::PreviousProgramRuns, false, {false}},
        {Step::ConfirmNew, true, Outcome::PreviousProgramRuns, false, {true, false}},
        {Step::RestoreBackup, true, Outcome::NewProgramRuns, true, {true}},
        {Step::StartPrevious, true, Outcome::NewProgramRuns, true, {true}},
        {Step::ConfirmPrevious, true, Outcome::NewProgramRuns, true, {true}},
        {Step::WaitForEnd, false, Outcome::Failed, false, {}},
        {Step::CopyNewFile, false, Outcome::PreviousProgramRuns, false, {false}},
        {Step::CheckSignature, false, Outcome::PreviousProgramRuns, false, {false}},
        {Step::KeepBackup, false, Outcome::PreviousProgramRuns, false, {false}},
        {Step::PutInPlace, false, Outcome::PreviousProgramRuns, false, {false}},
        {Step::StartNew, false, Outcome::PreviousProgramRuns, false, {false}},
        {Step::ConfirmNew, false, Outcome::PreviousProgramRuns, false, {true, false}},
        {Step::RestoreBackup, false, Outcome::Failed, true, {true}},
        {Step::StartPrevious, false, Outcome::Failed, false, {true}},
        {Step::ConfirmPrevious, false, Outcome::Failed, false, {true, false}},
    };
    ASSERT_EQ(cases.size(), 2 * kAllSteps.size()) << "every step, both ways";

    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(stepName(c.step)) +
                     (c.newProgramWorks ? ", new program works" : ", new program exits"));
        writeFile(program(), kOld, fs::perms(0755));
        fs::remove(backup());
        const std::string fresh = c.newProgramWorks ? kNew : kBroken;
        offer(fresh);
        control_.starts.clear();

        EXPECT_EQ(run({"neu.bin", "Büro 2"}, c.step), c.outcome) << log_.str();

        expectRunnableProgram({kOld, fresh});
        EXPECT_EQ(readFile(program()), c.newProgramInPlace ? fresh : kOld);
        std::vector<std::string> expectedStarts;
        for (const bool isNew : c.startedNew) expectedStarts.push_back(isNew ? fresh : kOld);
        EXPECT_EQ(startedContents(), expectedStarts);
        for (const auto& start : control_.starts) EXPECT_EQ(start.profile, "Büro 2");
    }
}

TEST_F(UpdaterTest, EachStepIsLoggedWithItsResult) {
    offer(kBroken);
    run({"neu.bin", "Büro"});
    for (const Step step : kAllSteps) {
        const std::string result = step == Step::ConfirmNew ? ": fehlgeschlagen" : ": erledigt";
        EXPECT_NE(log_.str().find(std::string("Velmora4: ") + stepName(step) + result), std::string::npos)
            << stepName(step) << "\n"
            << log_.str();
    }
}

}  // namespace
