#include "core/Startform.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/StartformTexts.h"
#include "hosts/HostsEntry.h"
#include "platform/PlatformFacts.h"
#include "protocol/RequestUrls.h"
#include "text/EscapedText.h"
#include "text/PathText.h"
#include "settings/UserDaten.h"
#include "settings/ValueNames.h"
#include "text/TextCase.h"
#include "text/Val.h"
#include "update/ModulDate.h"
#include "update/UpdaterProgram.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

constexpr auto kStartInterval = 500ms;
constexpr auto kOnlineInterval = 60000ms;
constexpr auto kOfflineInterval = 30000ms;
constexpr int kSuccess = 220;
constexpr int kFailuresBeforeRestart = 10;
constexpr std::size_t kTooltipLimit = 63;  // what the notification area shows
// The offline notice at exit is worth a few seconds, not the whole time a
// session or the service manager grants for the stop: after that the hosts
// line goes whatever the server does.
constexpr auto kExitNoticeLimit = std::chrono::milliseconds(4000);
constexpr int kProfileInUseExitCode = 2;
constexpr int kNotSetUpExitCode = 3;

// Ticks of the online period: the later match wins, so "Firma" beats "Privat".
int onlinePeriod(const std::string& kundenklasse) {
    int period = 20;
    if (kundenklasse.find("Privat") != std::string::npos) period = 10;
    if (kundenklasse.find("Firma") != std::string::npos) period = 3;
    return period;
}

std::string twoDigitRevision(int revision) {
    return (revision < 10 ? "0" : "") + std::to_string(revision);
}

}  // namespace

Startform::Startform(TavikGlobal& g, StartformPorts ports)
    : g_(g),
      ports_(ports),
      rw_(ports.registry, ports.dialogs),
      hosts_(ports.hostsStore, ports.clock, [this](const std::string& line) { log_.SaveLog(line); }),
      log_(ports.environment.logFolder(), ports.clock),
      inet_(ports.transfer, g),
      shutdown_(ports.session, ports.dialogs),
      replies_(g, form_, rw_, hosts_, ports.dialogs, inet_, shutdown_, *this, ports.clock, ports.environment),
      requests_(g, inet_, replies_, ports.environment),
      update_(g, rw_, inet_, ports.dialogs, ports.processes, ports.clock, ports.environment, *this, log_,
              ports.signatures),
      wizard_(g, rw_, ports.dialogs, ports.clock),
      timer1_(ports.loop.createTimer([this] { Timer1_Timer(); })) {
    form_.onMerkerFrame1Change = [this](const std::string& caption) { MerkerFrame1_Change(caption); };
    hosts_.tellUser([this](const std::string& text) { tellAboutHostsFile(text); });
}

void Startform::usePrivilegedHostsEdit(PrivilegedHostsEdit& edit) {
    hosts_.usePrivilegedEdit(edit, [this](const std::string& text) { tellAboutHostsFile(text); });
}

// The info window closes by itself after a while; whoever watches standard
// error (the session's journal for an autostarted desktop client) reads it too.
void Startform::tellAboutHostsFile(const std::string& text) {
    log_.SaveLog(text);
    if (!ports_.dialogs.showsOnStandardError()) ports_.environment.reportError(text, Severity::Warning);
    ports_.dialogs.showInfo(text);
}

void Startform::Form_Load() {
    timer1_->setEnabled(false);
    // The log may live outside the program folder; its folder must be there
    // before the first line.
    std::error_code ignored;
    std::filesystem::create_directories(ports_.environment.logFolder(), ignored);

    // The profile is the whole command line, unless it looks like settings.
    const std::string commandLine = ports_.environment.commandLine();
    g_.Profil = commandLine.find('=') == std::string::npos ? commandLine : std::string();
    if (g_.Profil.empty()) g_.Profil = kProductName;
    profilName_ = g_.Profil;
    claimProfile();

    g_.ProgVersion = std::to_string(kMajorVersion) + "." + twoDigitRevision(kRevision);
    caption_ = std::string(kProductName) + " Version " + g_.ProgVersion;

    SetNewModulDate(ports_.environment.programFolder() / kModulDateFile, ports_.clock.now());
    form_.setMerkerFrame1("Offline");
    form_.picTaskIconTag[kIconConnected] =
        profilName_ + " V" + g_.ProgVersion + "\r" + "Stand : " + kReleaseDate;
    g_.BrowserPfad = ports_.browser.findBrowser();
    SetPfad();

    if (!log_.writable()) report(startformText::logNotWritable(utf8FromPath(log_.file())), Severity::Warning);
    const bool installRead = firstStartTest();
    if (!isUsableHost(ports_.environment.serviceHost()))
        report(startformText::unusableHost(ports_.environment.serviceHost()));

    timer1_->setInterval(kStartInterval);
    ports_.tray.hookMenu();

    g_.HostsDatei = hosts_.SetHost(ports_.environment.hostsFile());
    settingsLoaded_ = installRead && loadUserData();
    if (!settingsLoaded_) report(startformText::kStoreUnreadable);

    TaskIconAdd();
    timer1_->setEnabled(true);
}

void Startform::claimProfile() {
    switch (ports_.environment.claimProfile(g_.Profil)) {
    case ProfileClaim::Claimed:
        return;
    case ProfileClaim::Unchecked:
        report(startformText::profileUnchecked(profilName_), Severity::Warning);
        return;
    case ProfileClaim::InUse:
        break;
    }
    // Both would keep the same hosts line, and the first to end would remove
    // it under the other; so the second start ends before it touches anything.
    const std::string text = startformText::profileInUse(profilName_);
    report(text);
    // On a desktop the user who started it sees a box; without one the
    // dialogs write to standard error too, where the text already stands.
    if (ports_.tray.showsPictures()) ports_.dialogs.messageBox(text, kProgramTitle, MessageIcon::Exclamation);
    ports_.processes.exitNow(kProfileInUseExitCode);
}

bool Startform::firstStartTest() {
    const auto failures = rw_.unreadableReads();
    const bool firstStart = wizard_.isFirstStart();
    if (rw_.unreadableReads() != failures) return false;
    if (!firstStart) return true;
    wizard_.run();
    // Nobody could answer: at every start the wizard would be cancelled again
    // while the program asked the server nothing. Say how to set it up, and end.
    if (!ports_.dialogs.canAsk() && wizard_.isFirstStart()) {
        report(startformText::notSetUp(profilName_));
        ports_.processes.exitNow(kNotSetUpExitCode);
    }
    return true;
}

bool Startform::loadUserData() {
    const auto failures = rw_.unreadableReads();
    ReadUserDaten(rw_, g_);
    if (rw_.unreadableReads() != failures) return false;
    restoreHostsEntry();
    return true;
}

bool Startform::retryLoadingSettings() {
    // The wizard may run now, with its own windows; no tick may come between.
    timer1_->setEnabled(false);
    settingsLoaded_ = firstStartTest() && loadUserData();
    timer1_->setEnabled(true);
    // Only ever called while the store could not be read, which was said
    // when it began; now it is said when it ends.
    if (settingsLoaded_) {
        report(startformText::kStoreReadableAgain, Severity::Info);
        return true;
    }
    timer1_->setInterval(kOfflineInterval);
    return false;
}

void Startform::noteHeldBackRequest() {
    // Said once when the state begins, not at every cycle.
    if (!requests_.heldBack()) {
        heldBackReported_ = false;
        return;
    }
    if (heldBackReported_) return;
    heldBackReported_ = true;
    report(startformText::noCredentials(profilName_));
}

void Startform::noteServerReachability(std::int32_t result) {
    // Said once when the server stops answering and once when it answers
    // again; any reply it gives (even a refusal) counts as an answer.
    if (requests_.heldBack()) return;  // nothing was asked
    const bool unreachable = result != kSuccess && !g_.InetFehler.empty();
    if (unreachable == serverUnreachable_) return;
    serverUnreachable_ = unreachable;
    const std::string host = escapeControlCharacters(ports_.environment.serviceHost());
    if (unreachable) report(startformText::serverUnreachable(host), Severity::Warning);
    else report(startformText::serverReachableAgain(host), Severity::Info);
}

void Startform::report(const std::string& text, Severity severity) {
    std::string line = text;
    for (char& c : line)
        if (c == '\r') c = ' ';
    ports_.environment.reportError(line, severity);
    log_.SaveLog(line);
}

void Startform::SetPfad() {
    const auto folder = updatesFolder(ports_.environment.updatesParent());
    g_.UpdatePfad = utf8FromPath(folder);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
}

void Startform::restoreHostsEntry() {
    const std::string section = customerSection(g_.Profil, g_.User);
    g_.ServerName = rw_.read(section, valueName::ServerName);
    if (characterCount(g_.ServerName) >= kMinServerNameLength) {
        const std::string address = rw_.read(section, valueName::ServerIP);
        hosts_.EditHosts(g_.HostsDatei, address, g_.ServerName);
    }
    // An empty stored status makes the first reply after start apply its status.
    rw_.write(section, valueName::Status, "");
}

void Startform::Timer1_Timer() {
    // A cycle asked for while a request is still waiting for the server is skipped.
    if (inet_.busy()) return;
    // Nothing is asked while the settings are unknown.
    if (!settingsLoaded_ && !retryLoadingSettings()) return;

    if (form_.MerkerFrame1() == "Online") {
        const int ticks = static_cast<int>(Val(form_.MerkerFrame2Tag)) + 1;
        form_.MerkerFrame2Tag = std::to_string(ticks);
        if (ticks < onlinePeriod(g_.Kundenklasse)) return;
        form_.MerkerFrame2Tag.clear();
    }

    TaskIconSet(kIconRequestStarted);
    timer1_->setInterval(kOnlineInterval);

    if (g_.Proxyserver != "1") {
        if (DFÜStatus()) {
            form_.setMerkerFrame1("Online");
            TaskIconSet(form_.Image1Visible ? kIconUpdateOffered : kIconConnected);
            form_.MerkerFalscherBenutzerCaption = "Online";
        } else {
            TaskIconSet(kIconOffline);
            form_.setMerkerFrame1("Offline");
            timer1_->setInterval(kOfflineInterval);
        }
    }

    timer1_->setEnabled(false);
    ports_.tray.setExitEntryEnabled(false);

    const std::int32_t result = requests_.ReadIP();
    noteHeldBackRequest();
    noteServerReachability(result);

    if (result != kSuccess) {
        form_.setMerkerFrame1("Offline");
        // A request held back for want of user data is no lost connection,
        // and a restart would not bring the data.
        if (!requests_.heldBack()) ++g_.OfflineCount;
        if (g_.OfflineCount > kFailuresBeforeRestart && rw_.read(g_.Profil, valueName::Restart) == "1") {
            restartThroughUpdater();
        }
        TaskIconSet(kIconOffline);
        timer1_->setInterval(kOfflineInterval);
    } else {
        form_.setMerkerFrame1("Online");
        g_.OfflineCount = 0;
        TaskIconSet(form_.Image1Visible ? kIconUpdateOffered : kIconConnected);
    }

    timer1_->setEnabled(true);
    ports_.tray.setExitEntryEnabled(true);
}

void Startform::restartThroughUpdater() {
    // Where the program may not replace its file, nothing is copied and the
    // updater is not needed: the program starts itself afresh in this process
    // (the tray icon goes with the old process image, the hosts line stays
    // for the new one, as with the updater).
    if (ports_.environment.install() != ProgramInstall::SelfManaged) {
        log_.SaveLog(startformText::kRestartInPlace);
        if (!ports_.environment.restartInPlace())
            reportRestartProblem("das Programm ließ sich nicht neu starten");
        return;
    }
    const auto folder = ports_.environment.programFolder();
    // Without the updater nobody would start the program again: then there
    // is nothing to copy.
    if (!updaterPresent(folder)) {
        reportRestartProblem("das Programm " + std::string(kUpdaterName) + " fehlt in " + utf8FromPath(folder));
        return;
    }
    const std::string program = std::string(kProductName) + kExecutableSuffix;
    const auto target = updatesFolder(folder) / program;
    std::error_code error;
    // A copy left from an earlier try goes first: copying over an existing
    // file is refused on some systems even when asked to overwrite.
    std::filesystem::remove(target, error);
    std::filesystem::copy_file(findInFolder(folder, program), target, error);
    if (error) {
        reportRestartProblem(std::string(kProductName) + " ließ sich nicht nach " + utf8FromPath(target) + " kopieren");
        return;
    }
    log_.SaveLog(std::string(kProductName) + " kopiert");
    // The program only ends when the updater has started.
    const UpdaterStart updater = restartCommand(folder, g_.Profil);
    if (!ports_.processes.startProgram(updater.program, updater.arguments)) {
        reportRestartProblem("das Programm " + utf8FromPath(updater.program) + " ließ sich nicht starten");
        return;
    }
    releaseTray();
    ports_.processes.exitNow(0);
}

void Startform::reportRestartProblem(const std::string& reason) {
    // Every failed cycle tries again; the same reason is said only once.
    if (reason == lastRestartProblem_) return;
    lastRestartProblem_ = reason;
    report("Kein Neustart möglich: " + reason + ". " + kProductName + " läuft weiter.", Severity::Warning);
}

bool Startform::DFÜStatus() { return ports_.dialUp.firstConnectionConnected(); }

void Startform::MerkerFrame1_Change(const std::string& caption) {
    ports_.tray.showStatusPicture(caption != "Offline");
}

void Startform::TaskIconAdd() { ports_.tray.add(kIconInformation, form_.picTaskIconTag[kIconInformation]); }

void Startform::TaskIconSet(int state) {
    if (state < 0 || state >= kIconCount) return;
    ports_.tray.change(state, firstCharacters(form_.picTaskIconTag[state], kTooltipLimit));
    // Each picture stays at least a second, so the user sees the cycle's steps.
    if (ports_.tray.showsPictures()) ports_.clock.sleepFor(std::chrono::seconds(1));
}

void Startform::TaskIconDelete() { ports_.tray.remove(); }

void Startform::restartCycleTimer(std::chrono::milliseconds interval) {
    timer1_->setInterval(interval);
    timer1_->setEnabled(true);
}

void Startform::GetUpdate(const std::string& url, const std::string& fileName) {
    // A program the package manager (or the administrator) looks after is
    // never rewritten by itself: the update is only shown, as when automatic
    // updates are off, and the log says why once.
    const ProgramInstall install = ports_.environment.install();
    if (install == ProgramInstall::SelfManaged) {
        update_.GetUpdate(url, fileName);
        return;
    }
    if (updateOnlyShownSaid_) return;
    updateOnlyShownSaid_ = true;
    report(startformText::updateOnlyShown(escapeControlCharacters(fileName), install,
                                          utf8FromPath(ports_.environment.programFolder())),
           Severity::Info);
}

void Startform::releaseTray() {
    ports_.tray.unhookMenu();
    TaskIconDelete();
}

void Startform::Form_Unload() {
    // Each step runs once: when the offline notice's reply itself orders the
    // end, the nested end finishes the remaining steps before the process goes.
    if (exitStepsDone_ == 0) {
        exitStepsDone_ = 1;
        ports_.transfer.limitTotalTime(kExitNoticeLimit);
        requests_.DisConnect();
    }
    if (exitStepsDone_ == 1) {
        exitStepsDone_ = 2;
        hosts_.EditHosts(g_.HostsDatei, "exit", g_.ServerName);
    }
    if (exitStepsDone_ == 2) {
        exitStepsDone_ = 3;
        releaseTray();
    }
}

void Startform::menu_popup_anmeldung_Click() {
    ports_.processes.start(g_.BrowserPfad + " " + signUpPageUrl(ports_.environment.serviceHost()));
}

void Startform::menu_popup_info_Click() { ports_.windows.showAbout(); }

void Startform::menu_popup_legende_Click() { ports_.windows.showLegend(); }

void Startform::menu_popup_user_Click() {
    ports_.windows.showParameter("Userdaten (" + g_.Profil + ")");
    ReadUserDaten(rw_, g_);
    // The empty caption makes the cycle send its request at once.
    form_.setMerkerFrame1("");
    Timer1_Timer();
}

void Startform::menu_test_Click() {
    ports_.windows.showBrowserWindow(testPageUrl(ports_.environment.serviceHost(), g_.User));
}

void Startform::menu_popup_exit_Click() { unloadAndEnd(); }

void Startform::unloadAndEnd() {
    timer1_->setEnabled(false);
    Form_Unload();
    ports_.processes.exitNow(0);
    std::abort();  // not reached: the compiler does not see through the virtual call
}

}  // namespace tavik
