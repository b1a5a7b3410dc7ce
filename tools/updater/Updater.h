#pragma once
#include <array>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "ProgramControl.h"
#include "platform/SignatureCheck.h"
#include "UpdaterCommand.h"

namespace tavik::updater {

// The steps of an update, in the order they run. The last three only run
// when the program has to be started from its previous file.
enum class Step {
    WaitForEnd,       // the program being replaced has ended
    CopyNewFile,      // the new file is copied beside the program, synced, executable
    CheckSignature,   // the copy is signed with the built-in key (or is the program itself)
    KeepBackup,       // the previous program is kept as Tavik6.bak
    PutInPlace,       // the copy is renamed over the program
    StartNew,         // the new program is started with the profile
    ConfirmNew,       // ... and still runs a few seconds later
    RestoreBackup,    // the backup is renamed back over a program that failed
    StartPrevious,    // the previous program is started with the profile
    ConfirmPrevious,  // ... and still runs a few seconds later
};
inline constexpr std::array kAllSteps{Step::WaitForEnd,    Step::CopyNewFile,   Step::CheckSignature,
                                      Step::KeepBackup,    Step::PutInPlace,    Step::StartNew,
                                      Step::ConfirmNew,    Step::RestoreBackup, Step::StartPrevious,
                                      Step::ConfirmPrevious};
const char* stepName(Step step);

enum class Outcome {
    NewProgramRuns,       // the update is done
    PreviousProgramRuns,  // the new file could not be used; the previous program runs again
    Failed,               // no program was started (see the log)
};

// Puts a file from the updates folder in place of the program and starts it,
// falling back to the previous program when the new one does not start. At
// every moment the program folder holds one complete, executable program
// file: the new one is written beside it and renamed over it in one step.
// Nothing is put in place that `signatures` does not accept: the file must
// be signed (its signature beside it in the updates folder, name + ".sig"),
// unless it is a copy of the program as it stands (the restart).
class Updater {
public:
    // `failAt` makes that step fail as if its operation had failed, so tests
    // can check what every failure leaves behind.
    Updater(std::filesystem::path programFolder, ProgramControl& control, SignatureCheck& signatures,
            std::ostream& log, UpdaterOptions options = {}, std::optional<Step> failAt = std::nullopt);

    Outcome run(const UpdaterCommand& command);

    std::filesystem::path programFile() const;
    std::filesystem::path backupFile() const;

private:
    template <typename Action>
    bool perform(Step step, Action action);
    bool startAndConfirm(Step startStep, Step confirmStep, const std::string& profile);
    Outcome startPrevious(const std::string& profile);
    // Whether `copy`, the copy of update file `source`, may become the program.
    bool signatureHolds(const std::filesystem::path& source, const std::filesystem::path& copy, std::string& why);
    void say(const std::string& line);

    std::filesystem::path folder_;
    ProgramControl& control_;
    SignatureCheck& signatures_;
    std::ostream& log_;
    UpdaterOptions options_;
    std::optional<Step> failAt_;
};

}  // namespace tavik::updater
