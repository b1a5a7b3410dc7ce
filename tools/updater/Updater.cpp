#include "Updater.h"

#include <cstdint>
#include <fstream>
#include <limits>
#include <system_error>

#include "ProgramFiles.h"
#include "platform/PlatformFacts.h"
#include "state/TavikGlobal.h"
#include "text/PathText.h"
#include "update/UpdateSignature.h"
#include "update/UpdaterProgram.h"

namespace tavik::updater {
namespace {

std::string secondsText(std::chrono::milliseconds period) {
    const auto tenths = period.count() / 100;
    return std::to_string(tenths / 10) + (tenths % 10 ? "," + std::to_string(tenths % 10) : "") + " s";
}

std::string profileText(const std::string& profile) {
    return profile.empty() ? "ohne Profil" : "mit Profil \"" + profile + "\"";
}

bool isFile(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

// Far above the 64 bytes of a signature.
constexpr std::uintmax_t kSignatureCap = 4096;

// The whole content of a regular file of at most `cap` bytes; nothing when
// there is none or it cannot be read.
std::optional<std::string> readWhole(const std::filesystem::path& file,
                                     std::uintmax_t cap = std::numeric_limits<std::uintmax_t>::max()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > cap) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string content(static_cast<std::size_t>(size), '\0');
    if (!in.read(content.data(), static_cast<std::streamsize>(size))) return std::nullopt;
    return content;
}

}  // namespace

const char* stepName(Step step) {
    switch (step) {
        case Step::WaitForEnd: return "Warten auf das Programmende";
        case Step::CopyNewFile: return "Neue Datei kopieren";
        case Step::CheckSignature: return "Signatur prüfen";
        case Step::KeepBackup: return "Sicherung anlegen";
        case Step::PutInPlace: return "Neue Datei einsetzen";
        case Step::StartNew: return "Neues Programm starten";
        case Step::ConfirmNew: return "Start des neuen Programms prüfen";
        case Step::RestoreBackup: return "Sicherung zurückholen";
        case Step::StartPrevious: return "Bisheriges Programm starten";
        case Step::ConfirmPrevious: return "Start des bisherigen Programms prüfen";
    }
    return "?";
}

Updater::Updater(std::filesystem::path programFolder, ProgramControl& control, SignatureCheck& signatures,
                 std::ostream& log, UpdaterOptions options, std::optional<Step> failAt)
    : folder_(std::move(programFolder)), control_(control), signatures_(signatures), log_(log), options_(options),
      failAt_(failAt) {}

std::filesystem::path Updater::programFile() const {
    return folder_ / (std::string(kProductName) + kExecutableSuffix);
}

std::filesystem::path Updater::backupFile() const { return folder_ / (std::string(kProductName) + ".bak"); }

void Updater::say(const std::string& line) { log_ << kUpdaterName << ": " << line << std::endl; }

// Runs one step and logs how it went; `action` returns false and fills in a
// reason when it fails.
template <typename Action>
bool Updater::perform(Step step, Action action) {
    std::string why;
    bool done = false;
    if (failAt_ == step) {
        why = "Fehler zum Test eingespeist";
    } else {
        done = action(why);
    }
    const std::string result = done ? ": erledigt" : ": fehlgeschlagen";
    say(std::string(stepName(step)) + result + (why.empty() ? "" : " (" + why + ")"));
    return done;
}

Outcome Updater::run(const UpdaterCommand& command) {
    const std::filesystem::path program = programFile();
    const std::filesystem::path source = updatesFolder(folder_) / pathFromUtf8(command.fileName);
    const std::string runningProfile = command.profile.empty() ? kProductName : command.profile;
    say("Setze " + utf8FromPath(source) + " als " + utf8FromPath(program) + " ein und starte es " +
        profileText(command.profile) + ".");

    // A second copy of the same profile must not start; and on Windows the
    // file of a running program cannot be replaced at all.
    if (!perform(Step::WaitForEnd, [&](std::string& why) {
            if (control_.waitUntilEnded(program, runningProfile, options_.waitLimit)) return true;
            why = "das Programm läuft nach " + secondsText(options_.waitLimit) + " noch; es bleibt unverändert";
            return false;
        })) {
        return Outcome::Failed;
    }

    std::filesystem::path temporary;
    if (!perform(Step::CopyNewFile,
                 [&](std::string& why) { return copyToTemporary(source, folder_, temporary, why); })) {
        return startPrevious(command.profile);
    }

    // The copy is checked, not the update file: what is checked is what
    // becomes the program, whatever happens to the updates folder meanwhile.
    if (!perform(Step::CheckSignature, [&](std::string& why) { return signatureHolds(source, temporary, why); })) {
        removeQuietly(temporary);
        return startPrevious(command.profile);
    }

    bool haveBackup = false;
    if (!perform(Step::KeepBackup, [&](std::string& why) {
            if (!isFile(program)) {
                why = "kein bisheriges Programm vorhanden";
                return true;
            }
            haveBackup = keepBackup(program, backupFile(), why);
            return haveBackup;
        })) {
        removeQuietly(temporary);
        return startPrevious(command.profile);
    }

    if (!perform(Step::PutInPlace, [&](std::string& why) { return replaceWith(temporary, program, why); })) {
        removeQuietly(temporary);
        return startPrevious(command.profile);
    }

    if (startAndConfirm(Step::StartNew, Step::ConfirmNew, command.profile)) {
        say("Fertig: das neue Programm läuft.");
        return Outcome::NewProgramRuns;
    }

    if (!haveBackup) {
        say("Keine Sicherung vorhanden: das neue Programm bleibt an seinem Platz.");
        return Outcome::Failed;
    }
    if (!perform(Step::RestoreBackup, [&](std::string& why) { return replaceWith(backupFile(), program, why); })) {
        return Outcome::Failed;
    }
    return startPrevious(command.profile);
}

bool Updater::startAndConfirm(Step startStep, Step confirmStep, const std::string& profile) {
    std::optional<int> pid;
    return perform(startStep,
                   [&](std::string& why) {
                       pid = control_.start(programFile(), profile);
                       if (!pid) why = "das Programm ließ sich nicht starten";
                       return pid.has_value();
                   }) &&
           perform(confirmStep, [&](std::string& why) {
               if (control_.confirmRunning(*pid, options_.confirmPeriod)) return true;
               why = "das Programm hat sich mit einem Fehler beendet";
               return false;
           });
}

bool Updater::signatureHolds(const std::filesystem::path& source, const std::filesystem::path& copy,
                             std::string& why) {
    std::optional<std::string> content = readWhole(copy);
    if (!content) {
        why = "die Kopie " + utf8FromPath(copy) + " lässt sich nicht lesen";
        return false;
    }
    // The restart hands over a copy of the program itself: nothing new
    // becomes the program, so there is nothing to trust.
    if (content == readWhole(programFile())) {
        why = "unverändertes Programm";
        return true;
    }
    std::filesystem::path signatureFile = source;
    signatureFile += kSignatureSuffix;
    why = signatureProblem(signatures_, *content, readWhole(signatureFile, kSignatureCap));
    return why.empty();
}

Outcome Updater::startPrevious(const std::string& profile) {
    const std::filesystem::path program = programFile();
    if (!isFile(program)) {
        say("Es gibt kein bisheriges Programm " + utf8FromPath(program) + ", das gestartet werden könnte.");
        return Outcome::Failed;
    }
    if (!startAndConfirm(Step::StartPrevious, Step::ConfirmPrevious, profile)) return Outcome::Failed;
    say("Fertig: das bisherige Programm läuft wieder.");
    return Outcome::PreviousProgramRuns;
}

}  // namespace tavik::updater
