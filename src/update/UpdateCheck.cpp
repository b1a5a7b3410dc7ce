#include "update/UpdateCheck.h"

#include <optional>
#include <string_view>
#include <system_error>

#include "settings/ValueNames.h"
#include "text/DateFormat.h"
#include "text/EscapedText.h"
#include "text/PathText.h"
#include "text/TextCase.h"
#include "update/CompleteFile.h"
#include "update/UpdateSignature.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

constexpr const char* kNoServer = "Kein Server. Bitte Verbindung zum Internet herstellen.";
// Far above the 64 bytes of a signature, far below a web page worth reading.
constexpr std::size_t kSignatureCap = 4096;

// A page of the web server rather than the file: it holds "<head>" in any
// letter case. A program file (ELF or PE) may hold those bytes anywhere, so
// what starts like one is never a page.
bool isWebPage(const std::string& body) {
    if (body.starts_with("\x7F" "ELF") || body.starts_with("MZ")) return false;
    return toUpperAscii(body).find("<HEAD>") != std::string::npos;
}

}  // namespace

UpdateCheck::UpdateCheck(TavikGlobal& g, RwModul& rw, Inet1& inet, Dialogs& dialogs,
                         Processes& processes, const Clock& clock, const ProgramEnvironment& env,
                         MainFormActions& actions, Log& log, SignatureCheck& signatures)
    : g_(g), rw_(rw), inet_(inet), dialogs_(dialogs), processes_(processes), clock_(clock), env_(env),
      actions_(actions), log_(log), signatures_(signatures) {}

bool UpdateCheck::acceptableFileName(const std::string& fileName) {
    if (fileName.empty() || fileName == "." || fileName == ".." || fileName.front() == '-') return false;
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        const auto u = static_cast<unsigned char>(fileName[i]);
        // A colon would name a drive ("C:x" leaves the updates folder) or a
        // hidden stream of a file on Windows.
        if (u <= 0x20 || u == 0x7F || u == '/' || u == '\\' || u == ':' || u == '"' || u == '\'') return false;
        // The control characters U+0080 to U+009F in UTF-8.
        if (u == 0xC2 && i + 1 < fileName.size() && static_cast<unsigned char>(fileName[i + 1]) < 0xA0) return false;
    }
    // Windows names files in UTF-16: a name that is no UTF-8 names no file there.
    return !pathFromUtf8(fileName).empty();
}

void UpdateCheck::GetUpdate(const std::string& url, const std::string& fileName) {
    // One attempt per calendar day, counted before the attempt.
    const std::string today = formatDate(clock_.now());
    if (rw_.read(kSoftwareSection, valueName::IUpdate) == today) return;
    rw_.write(kSoftwareSection, valueName::IUpdate, today);

    // The name comes from the server and becomes a path and the updater's
    // argument: anything but a plain file name is refused before anything is
    // fetched. The refusal counts as the day's attempt, so the log gets one
    // line a day, not one a cycle.
    if (!acceptableFileName(fileName)) {
        log_.SaveLog("Update abgelehnt: unzulässiger Dateiname \"" + escapeControlCharacters(fileName, "\\") + "\"");
        return;
    }

    // A first look at the file tells a missing server from a web page.
    g_.InetFehler.clear();
    const std::string firstLook = inet_.OpenURL(url, kUpdateFileCap);
    if (!g_.InetFehler.empty()) {
        dialogs_.showInfo(kNoServer);
        return;
    }
    if (isWebPage(firstLook)) return;

    const std::filesystem::path target = updateFolder() / pathFromUtf8(fileName);
    std::filesystem::path signatureFile = target;
    signatureFile += kSignatureSuffix;
    std::error_code ec;
    std::filesystem::remove(target, ec);
    std::filesystem::remove(signatureFile, ec);

    const std::filesystem::path folder = env_.programFolder();
    const UpdaterStart updater = updateCommand(folder, fileName, g_.Profil);
    if (!download(url, fileName, target) || !updaterPresent(folder) ||
        !processes_.startProgram(updater.program, updater.arguments)) {
        inet_.Cancel();
        return;
    }
    actions_.releaseTray();
    processes_.exitNow(0);
}

bool UpdateCheck::download(const std::string& url, const std::string& fileName,
                           const std::filesystem::path& target) {
    g_.InetFehler.clear();
    const std::string content = inet_.OpenURL(url, kUpdateFileCap);
    if (!g_.InetFehler.empty()) return false;

    // The file never reaches its final name, where the updater takes it
    // from, unless its signature holds.
    g_.InetFehler.clear();
    std::optional<std::string> signature = inet_.OpenURL(url + kSignatureSuffix, kSignatureCap);
    if (!g_.InetFehler.empty()) signature.reset();
    const std::string problem = signatureProblem(signatures_, content, signature);
    if (!problem.empty()) {
        const std::string text = "Das Update \"" + escapeControlCharacters(fileName, "\\") +
                                 "\" wurde nicht installiert: " + problem + ". " + kProductName +
                                 " läuft mit der bisherigen Version weiter.";
        log_.SaveLog(text);
        dialogs_.showInfo(text);
        return false;
    }

    // The signature first: the updater checks the file against it again.
    std::filesystem::path signatureFile = target;
    signatureFile += kSignatureSuffix;
    if (!writeComplete(signatureFile, *signature)) return false;
    if (writeComplete(target, content)) return true;
    std::error_code ec;
    std::filesystem::remove(signatureFile, ec);
    return false;
}

std::filesystem::path UpdateCheck::updateFolder() const {
    if (!g_.UpdatePfad.empty()) return pathFromUtf8(g_.UpdatePfad);
    return updatesFolder(env_.updatesParent());
}

}  // namespace tavik
