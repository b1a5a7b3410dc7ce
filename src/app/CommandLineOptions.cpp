#include "app/CommandLineOptions.h"

#include "core/SetupWizard.h"
#include "platform/ConsoleOutput.h"
#include "platform/JournalPriority.h"
#include "platform/headless/ConsoleDialogs.h"
#include "platform/posix/CommandLine.h"
#include "settings/RwModul.h"
#include "settings/UserDaten.h"
#include "settings/ValueNames.h"
#include "state/TavikGlobal.h"

namespace tavik {
namespace {

constexpr const char* kUsage =
    "Aufruf: Tavik6 [Profil]\n"
    "        Tavik6 --setup [Profil]    richtet das Profil auf dem Terminal ein\n"
    "        Tavik6 --status [Profil]   zeigt Server, Adresse, Datum und Status des Profils\n"
    "        Tavik6 --version           zeigt die Version\n"
    "        Tavik6 --help              zeigt diese Hilfe\n"
    "\n"
    "Ohne Option sind alle Wörter zusammen der Name des Profils (ohne Wörter: \"Tavik6\").\n";

// The profile as the client takes it from its command line: the words joined
// by one blank; none, or words that look like settings, give "Tavik6".
std::string profileOf(const std::vector<std::string>& words) {
    const std::string joined = joinArguments(words);
    return joined.empty() || joined.find('=') != std::string::npos ? std::string(kProductName) : joined;
}

std::string versionText() {
    return std::to_string(kMajorVersion) + "." + (kRevision < 10 ? "0" : "") + std::to_string(kRevision);
}

// The store as the client of that profile would open it; the same section
// rules apply (ReadUserDaten), so what is shown is what the client uses.
struct ProfileStore {
    ProfileStore(const std::string& profile, const CommandLinePlatform& platform)
        : registry(platform.openStore()), dialogs(ConsoleDialogs::forThisProcess()), rw(*registry, dialogs),
          journal(platform.standardErrorIsJournal) {
        g.Profil = profile;
        dialogs.prefixForJournal(platform.standardErrorIsJournal);
    }
    // Whether the profile's first-start mark is there; nothing when the
    // store cannot be read, which is no profile never set up.
    std::optional<bool> isSetUp() {
        const auto failures = rw.unreadableReads();
        const bool marked = !rw.read(g.Profil, valueName::Install).empty();
        if (rw.unreadableReads() != failures) {
            say("Die Einstellungen des Profils \"" + g.Profil +
                    "\" können nicht gelesen werden: Der Einstellungsspeicher ist gesperrt oder nicht erreichbar.\n",
                Severity::Error);
            return std::nullopt;
        }
        return marked;
    }
    void say(const std::string& text, Severity severity) const {
        writeConsole(stderr, withJournalPriority(text, severity, journal));
    }
    std::unique_ptr<RegistryBackend> registry;
    ConsoleDialogs dialogs;
    RwModul rw;
    TavikGlobal g;
    bool journal;
};

int printStatus(const std::string& profile, const CommandLinePlatform& platform) {
    ProfileStore store(profile, platform);
    const auto setUp = store.isSetUp();
    if (!setUp) return 1;
    if (!*setUp) {
        store.say("Das Profil \"" + profile + "\" ist nicht eingerichtet (Tavik6 --setup " + profile + ").\n",
                  Severity::Error);
        return 1;
    }
    ReadUserDaten(store.rw, store.g);
    const std::string section = customerSection(profile, store.g.User);
    auto shown = [](const std::string& value) { return value.empty() || value == " " ? "-" : value; };
    writeConsole(stdout, "Profil:      " + profile + "\n" +
                             "Kunde:       " + shown(store.g.User) + "\n" +
                             "Server:      " + shown(store.rw.read(section, valueName::ServerName)) + "\n" +
                             "Adresse:     " + shown(store.rw.read(section, valueName::ServerIP)) + "\n" +
                             "Gesetzt am:  " + shown(store.rw.read(section, valueName::Datum)) + "\n" +
                             "Status:      " + shown(store.rw.read(section, valueName::Status)) + "\n");
    return 0;
}

int runSetup(const std::string& profile, const CommandLinePlatform& platform) {
    if (!ConsoleDialogs::forThisProcess().canAsk()) {
        writeConsole(stderr, withJournalPriority("Tavik6 --setup fragt auf dem Terminal; die Standardeingabe ist keines.\n",
                                                 Severity::Error, platform.standardErrorIsJournal));
        return 2;
    }
    ProfileStore store(profile, platform);
    // Answers that could not be stored would be asked for in vain.
    if (!store.isSetUp().has_value()) return 1;
    SetupWizard wizard(store.g, store.rw, store.dialogs, platform.clock);
    wizard.run();
    if (wizard.isFirstStart()) return 1;
    store.say("Das Profil \"" + profile + "\" ist eingerichtet.\n", Severity::Info);
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

std::optional<int> runCommandLineOption(const std::vector<std::string>& words, const CommandLinePlatform& platform) {
    const ParsedCommandLine parsed = parseCommandLineOption(words);
    switch (parsed.option) {
        case CommandLineOption::None: return std::nullopt;
        case CommandLineOption::Help: writeConsole(stdout, std::string(kUsage) + platform.environmentHelp); return 0;
        case CommandLineOption::Version:
            writeConsole(stdout, std::string(kProductName) + " " + versionText() + "\n");
            return 0;
        case CommandLineOption::Setup: return runSetup(profileOf(parsed.profileWords), platform);
        case CommandLineOption::Status: return printStatus(profileOf(parsed.profileWords), platform);
    }
    return std::nullopt;
}

}  // namespace tavik
