#include "system/ServiceRegistration.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/PlatformFacts.h"
#include "settings/ValueNames.h"
#include "text/PathText.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

constexpr char kQuote = '"';
constexpr int kHintEntry = 234;
constexpr int kHintTitleEntry = 235;

// Shown after the install command has been started; the tool's outcome is
// not known here, so the user is asked to check it.
const std::string kHintText =
    std::string("Bitte überprüfen Sie ob das Programm eingetragen wurde und ändern Sie ggf. die Parameter ab.") +
    "\r\r" + "Diese finden Sie unter >Verwaltung>Dienste>AppToService Davodor." + "\r\r" + "Wichtig!!" + "\r" +
    "Bedenken Sie dass die Internetverbindung auch gestartet werden muss." + "\r\r" +
    ">>Das Programm wird vor der Anmeldemaske gestartet.<<" + "\r";
constexpr const char* kHintTitle = "Dienst Installiert.";

}  // namespace

std::string ChangeSlash(std::string& text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::string missingProgramMessage(const std::string& program, const std::filesystem::path& folder) {
    return "Um diese Funktion ausführen zu können, benötigen Sie das Programm " + program + "." + "\r" +
           "Kopieren Sie dieses nach " + utf8FromPath(folder / "");
}

ServiceRegistration::ServiceRegistration(TavikGlobal& g, RwModul& rw, Dialogs& dialogs, Processes& processes,
                                         const ProgramEnvironment& environment)
    : g_(g), rw_(rw), dialogs_(dialogs), processes_(processes), environment_(environment) {}

bool ServiceRegistration::toolPresent() const {
    const std::filesystem::path file = toolFile();
    std::error_code ec;
    // A folder of that name would open for reading but is no program.
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    return in.is_open();
}

std::filesystem::path ServiceRegistration::toolFile() const {
    // Found in any spelling, so the command names the file that is there.
    return findInFolder(environment_.programFolder(), std::string(kServiceToolName) + kExecutableSuffix);
}

std::string ServiceRegistration::toolPath() const { return utf8FromPath(toolFile()); }

std::string ServiceRegistration::removeCommandLine() const {
    return toolPath() + " /Remove " + kQuote + kProductName + kQuote;
}

std::string ServiceRegistration::installCommandLine() const {
    std::string slashed = utf8FromPath(environment_.programFolder());
    ChangeSlash(slashed);
    // The quotes stand as the tool has always been given them, the program
    // file name closing with an unmatched one.
    std::string line = toolPath() + " /Install /Startup:A " + kQuote + slashed + "/" + kQuote + " " +
                       kProductName + kExecutableSuffix + kQuote;
    const std::string arguments = environment_.commandLine();
    if (!arguments.empty()) line += std::string(" /") + "Arguments:" + kQuote + arguments + kQuote;
    return line;
}

bool ServiceRegistration::ntdienst_Click(bool on, bool loading, const std::function<void()>& enableDownloadLink) {
    if (loading) return true;
    if (!toolPresent()) {
        if (!on) return true;
        if (enableDownloadLink) enableDownloadLink();
        dialogs_.messageBox(missingProgramMessage(kServiceToolName, environment_.programFolder()),
                            kProgramMissingTitle, MessageIcon::Information);
        return false;
    }
    rw_.write(g_.Profil, valueName::ntdienst, on ? "1" : "0");
    if (!on) {
        processes_.start(removeCommandLine());
        return true;
    }
    processes_.start(installCommandLine());
    if (g_.Meldung[kHintEntry].empty()) g_.Meldung[kHintEntry] = kHintText;
    if (g_.Meldung[kHintTitleEntry].empty()) g_.Meldung[kHintTitleEntry] = kHintTitle;
    dialogs_.messageBox(g_.Meldung[kHintEntry], g_.Meldung[kHintTitleEntry], MessageIcon::Information);
    return true;
}

}  // namespace tavik
