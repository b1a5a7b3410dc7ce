#include "app/CommandLineOptions.h"

#include <unistd.h>

#include <iostream>

#include "core/SetupWizard.h"
#include "state/TavikGlobal.h"
#include "platform/headless/ConsoleDialogs.h"
#include "platform/posix/PosixEnvironment.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/SystemClock.h"
#include "settings/RwModul.h"
#include "settings/UserDaten.h"
#include "settings/ValueNames.h"

namespace tavik {
namespace {

constexpr const char* kUsage =
    "Aufruf: Tavik6 [Profil]\n"
    "        Tavik6 --setup [Profil]    richtet das Profil auf dem Terminal ein\n"
    "        Tavik6 --status [Profil]   zeigt Server, Adresse, Datum und Status des Profils\n"
    "        Tavik6 --version           zeigt die Version\n"
    "        Tavik6 --help              zeigt diese Hilfe\n"
    "\n"
    "Ohne Option sind alle Wörter zusammen der Name des Profils (ohne Wörter: \"Tavik6\").\n"
    "Umgebung: TAVIK_SERVICE_HOST, TAVIK_UPDATE_HOST, TAVIK_HOSTS_FILE, TAVIK_REGISTRY,\n"
    "TAVIK_HEADLESS (siehe man Tavik6).\n";

// The profile as the client takes it from its command line: the words joined
// by one blank; none, or words that look like settings, give "Tavik6".
std::string profileOf(const std::vector<std::string>& words) {
    const std::string joined = PosixEnvironment::joinArguments(words);
    return joined.empty() || joined.find('=') != std::string::npos ? std::string(kProductName) : joined;
}

std::string versionText() {
    return std::to_string(kMajorVersion) + "." + (kRevision < 10 ? "0" : "") + std::to_string(kRevision);
}

// The store as the client of that profile would open it; the same section
// rules apply (ReadUserDaten), so what is shown is what the client uses.
struct ProfileStore {
    explicit ProfileStore(const std::string& profile)
        : registry(SqliteRegistry::defaultPath()), dialogs(ConsoleDialogs::forThisProcess()), rw(registry, dialogs) {
        g.Profil = profile;
    }
    SqliteRegistry registry;
    ConsoleDialogs dialogs;
    RwModul rw;
    TavikGlobal g;
};

int printStatus(const std::string& profile) {
    ProfileStore store(profile);
    if (store.rw.read(profile, valueName::Install).empty()) {
        std::cerr << "Das Profil \"" << profile << "\" ist nicht eingerichtet (Tavik6 --setup " << profile << ").\n";
        return 1;
    }
    ReadUserDaten(store.rw, store.g);
    const std::string section = customerSection(profile, store.g.User);
    auto shown = [](const std::string& value) { return value.empty() || value == " " ? "-" : value; };
    std::cout << "Profil:      " << profile << "\n"
              << "Kunde:       " << shown(store.g.User) << "\n"
              << "Server:      " << shown(store.rw.read(section, valueName::ServerName)) << "\n"
              << "Adresse:     " << shown(store.rw.read(section, valueName::ServerIP)) << "\n"
              << "Gesetzt am:  " << shown(store.rw.read(section, valueName::Datum)) << "\n"
              << "Status:      " << shown(store.rw.read(section, valueName::Status)) << "\n";
    return 0;
}

int runSetup(const std::string& profile) {
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << "Tavik6 --setup fragt auf dem Terminal; die Standardeingabe ist keines.\n";
        return 2;
    }
    ProfileStore store(profile);
    SystemClock clock;
    SetupWizard wizard(store.g, store.rw, store.dialogs, clock);
    wizard.run();
    if (wizard.isFirstStart()) return 1;
    std::cerr << "Das Profil \"" << profile << "\" ist eingerichtet.\n";
    return 0;
}

}  // namespace

ParsedCommandLine parseCommandLineOption(const std::vector<std::string>& words) {
    ParsedCommandLine parsed;
    if (words.empty()) return parsed;
    const std::string& first = words.front();
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    // Help and version take nothing after them; with more words the command
    // line stays a profile name, as before these options existed.
    if ((first == "--help" || first == "-h") && rest.empty()) parsed.option = CommandLineOption::Help;
    else if (first == "--version" && rest.empty()) parsed.option = CommandLineOption::Version;
    else if (first == "--setup") parsed.option = CommandLineOption::Setup;
    else if (first == "--status") parsed.option = CommandLineOption::Status;
    if (parsed.option != CommandLineOption::None) parsed.profileWords = rest;
    return parsed;
}

std::optional<int> runCommandLineOption(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedCommandLine parsed = parseCommandLineOption(words);
    switch (parsed.option) {
        case CommandLineOption::None: return std::nullopt;
        case CommandLineOption::Help: std::cout << kUsage; return 0;
        case CommandLineOption::Version: std::cout << kProductName << " " << versionText() << "\n"; return 0;
        case CommandLineOption::Setup: return runSetup(profileOf(parsed.profileWords));
        case CommandLineOption::Status: return printStatus(profileOf(parsed.profileWords));
    }
    return std::nullopt;
}

}  // namespace tavik
