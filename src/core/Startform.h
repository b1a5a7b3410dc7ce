#pragma once
#include <memory>
#include <string>

#include "state/FormState.h"
#include "state/MainFormActions.h"
#include "core/SetupWizard.h"
#include "state/TavikGlobal.h"
#include "hosts/HostsFile.h"
#include "log/SaveLog.h"
#include "platform/BrowserLookup.h"
#include "platform/Clock.h"
#include "platform/DialUp.h"
#include "platform/Dialogs.h"
#include "platform/EventLoop.h"
#include "platform/HostsFileStore.h"
#include "platform/HttpTransfer.h"
#include "platform/Processes.h"
#include "platform/ProgramEnvironment.h"
#include "platform/RegistryBackend.h"
#include "platform/SessionControl.h"
#include "platform/SignatureCheck.h"
#include "platform/Tray.h"
#include "platform/Windows.h"
#include "protocol/Inet1.h"
#include "protocol/ReplyHandler.h"
#include "protocol/ServerRequests.h"
#include "settings/RwModul.h"
#include "system/Shutdown.h"
#include "update/UpdateCheck.h"

namespace tavik {

// Everything the main form reaches the world through.
struct StartformPorts {
    ProgramEnvironment& environment;
    RegistryBackend& registry;
    HostsFileStore& hostsStore;
    HttpTransfer& transfer;
    EventLoop& loop;
    Clock& clock;
    Dialogs& dialogs;
    Tray& tray;
    Processes& processes;
    DialUp& dialUp;
    SessionControl& session;
    BrowserLookup& browser;
    Windows& windows;
    // Update files are installed only when this accepts their signature.
    SignatureCheck& signatures;
};

// The hidden main form: start-up, the cycle, the status flags and the exit.
class Startform : public MainFormActions {
public:
    Startform(TavikGlobal& g, StartformPorts ports);

    // Where this process may not write the system's hosts file, the edits
    // go through `edit`; when that is refused too, the user is told once
    // (info window or standard error, and the log).
    void usePrivilegedHostsEdit(PrivilegedHostsEdit& edit);
    // What the hosts file's edits have to say to the user: the info window
    // (standard error without a desktop) and the log.
    void tellAboutHostsFile(const std::string& text);

    void Form_Load();
    void Timer1_Timer();
    void Form_Unload();
    // The tray menu's entries.
    void menu_popup_anmeldung_Click();
    void menu_popup_info_Click();
    void menu_popup_legende_Click();
    void menu_popup_user_Click();
    void menu_test_Click();
    void menu_popup_exit_Click();
    bool DFÜStatus();

    // MainFormActions
    void TaskIconSet(int state) override;
    void restartCycleTimer(std::chrono::milliseconds interval) override;
    void GetUpdate(const std::string& url, const std::string& fileName) override;
    void releaseTray() override;
    [[noreturn]] void unloadAndEnd() override;

    FormState& form() { return form_; }
    Timer& timer1() { return *timer1_; }
    RwModul& settings() { return rw_; }
    const std::string& caption() const { return caption_; }
    const std::string& profilName() const { return profilName_; }
    bool requestRunning() const { return inet_.busy(); }

private:
    void TaskIconAdd();
    void TaskIconDelete();
    void MerkerFrame1_Change(const std::string& caption);
    void SetPfad();
    // Ends the process when another one runs this profile.
    void claimProfile();
    // The parts of start-up that read the settings store; each is false when
    // the store could not be read, so that a locked store is not taken for a
    // new profile (no wizard) or for one without user data.
    bool firstStartTest();
    bool loadUserData();
    // The cycle's second try when the store was unreadable at start.
    bool retryLoadingSettings();
    void noteHeldBackRequest();
    void noteServerReachability(std::int32_t result);
    // Standard error and the log.
    void report(const std::string& text, Severity severity = Severity::Error);
    void restoreHostsEntry();
    // The restart through the updater after a long time offline; returns
    // only when it could not be done.
    void restartThroughUpdater();
    // Says in the log and on standard error why the restart cannot be done.
    void reportRestartProblem(const std::string& reason);

    TavikGlobal& g_;
    StartformPorts ports_;
    FormState form_;
    std::string profilName_;
    std::string caption_;
    int exitStepsDone_ = 0;
    std::string lastRestartProblem_;
    bool updateOnlyShownSaid_ = false;
    bool settingsLoaded_ = false;
    bool heldBackReported_ = false;
    bool serverUnreachable_ = false;  // said so; waiting to say it answers again

    RwModul rw_;
    HostsFile hosts_;
    Log log_;
    Inet1 inet_;
    Shutdown shutdown_;
    ReplyHandler replies_;
    ServerRequests requests_;
    UpdateCheck update_;
    SetupWizard wizard_;
    std::unique_ptr<Timer> timer1_;
};

}  // namespace tavik
