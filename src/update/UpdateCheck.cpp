#include "update/UpdateCheck.h"

#include <fstream>
#include <system_error>

#include "settings/ValueNames.h"
#include "text/DateFormat.h"
#include "text/TextCase.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

constexpr const char* kNoServer = "Kein Server. Bitte Verbindung zum Internet herstellen.";
constexpr const char* kPartialSuffix = ".part";

bool isWebPage(const std::string& body) { return toUpperAscii(body).find("<HEAD>") != std::string::npos; }

// Writes the whole content under a side name and only then gives it the
// final name, so a file of that name is always complete.
bool writeComplete(const std::filesystem::path& target, const std::string& content) {
    std::filesystem::path partial = target;
    partial += kPartialSuffix;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(partial, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(partial, target, ec);
    if (ec) std::filesystem::remove(partial, ec);
    return !ec;
}

}  // namespace

UpdateCheck::UpdateCheck(TavikGlobal& g, RwModul& rw, Inet1& inet, Dialogs& dialogs,
                         Processes& processes, const Clock& clock, const ProgramEnvironment& env,
                         MainFormActions& actions)
    : g_(g), rw_(rw), inet_(inet), dialogs_(dialogs), processes_(processes), clock_(clock), env_(env),
      actions_(actions) {}

bool UpdateCheck::acceptableFileName(const std::string& fileName) {
    if (fileName.empty() || fileName == "." || fileName == "..") return false;
    for (const char c : fileName) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

void UpdateCheck::GetUpdate(const std::string& url, const std::string& fileName) {
    // The name comes from the server and becomes a path and an argument of
    // the updater: refuse anything but a bare file name before doing anything.
    if (!acceptableFileName(fileName)) return;

    // One attempt per calendar day, counted before the attempt.
    const std::string today = formatDate(clock_.now());
    if (rw_.read(kSoftwareSection, valueName::IUpdate) == today) return;
    rw_.write(kSoftwareSection, valueName::IUpdate, today);

    // A first look at the file tells a missing server from a web page.
    g_.InetFehler.clear();
    const std::string firstLook = inet_.OpenURL(url, kUpdateFileCap);
    if (!g_.InetFehler.empty()) {
        dialogs_.showInfo(kNoServer);
        return;
    }
    if (isWebPage(firstLook)) return;

    const std::filesystem::path target = updateFolder() / fileName;
    std::error_code ec;
    std::filesystem::remove(target, ec);

    const std::filesystem::path folder = env_.programFolder();
    if (!download(url, target) || !updaterPresent(folder) ||
        !processes_.start(updateCommandLine(folder, fileName, g_.Profil))) {
        inet_.Cancel();
        return;
    }
    actions_.releaseTray();
    processes_.exitNow(0);
}

bool UpdateCheck::download(const std::string& url, const std::filesystem::path& target) {
    g_.InetFehler.clear();
    const std::string content = inet_.OpenURL(url, kUpdateFileCap);
    if (!g_.InetFehler.empty()) return false;
    return writeComplete(target, content);
}

std::filesystem::path UpdateCheck::updateFolder() const {
    if (!g_.UpdatePfad.empty()) return g_.UpdatePfad;
    return updatesFolder(env_.programFolder());
}

}  // namespace tavik
