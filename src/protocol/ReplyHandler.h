#pragma once
#include <string>

#include "state/FormState.h"
#include "state/MainFormActions.h"
#include "state/TavikGlobal.h"
#include "hosts/HostsFile.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProgramEnvironment.h"
#include "protocol/Inet1.h"
#include "protocol/ReplyFields.h"
#include "settings/RwModul.h"
#include "system/Shutdown.h"

namespace tavik {

// Acts on the server's reply to the IP request or the offline notice: keeps
// the hosts entry and the customer section in step with the server's status,
// counts rejected logins, and carries out the server's orders.
class ReplyHandler {
public:
    ReplyHandler(TavikGlobal& g, FormState& form, RwModul& rw, HostsFile& hosts, Dialogs& dialogs,
                 Inet1& inet, Shutdown& shutdown, MainFormActions& actions, const Clock& clock,
                 const ProgramEnvironment& env);

    // Sets AntwortCode to 220, 99 or 100 for those codes; leaves it alone otherwise.
    void handle(const std::string& reply);

private:
    void accepted(const ReplyFields& reply);
    // Takes over a new server status; returns the name part of the field.
    std::string applyStatus(const std::string& statusField);
    // Says that a status could not be taken over: a log line and the info window.
    void refuseStatus(const std::string& statusField, const std::string& reason);
    // Puts the server's line back when another program removed or changed it.
    void keepEntry(const std::string& address);
    void checkVersion(const ReplyFields& reply);
    void buildTooltip(const std::string& counter, const std::string& serverName);
    void rejected();
    void messageOrdered(const std::string& text);
    void fileNotFound();
    void unknownCode();

    TavikGlobal& g_;
    FormState& form_;
    RwModul& rw_;
    HostsFile& hosts_;
    Dialogs& dialogs_;
    Inet1& inet_;
    Shutdown& shutdown_;
    MainFormActions& actions_;
    const Clock& clock_;
    const ProgramEnvironment& env_;
    std::string lastRefused_;  // the status field last refused, said once
};

}  // namespace tavik
