#include "protocol/ReplyHandler.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "hosts/HostsEntry.h"
#include "log/SaveLog.h"
#include "protocol/RequestUrls.h"
#include "settings/ValueNames.h"
#include "text/DateFormat.h"
#include "text/EscapedText.h"
#include "text/TextCase.h"
#include "text/Val.h"

namespace tavik {
namespace {

constexpr const char* kLoadError = "Fehler beim Laden.";
constexpr const char* kLoginNotConfirmed =
    "Ihre Benutzerangaben wurden nicht bestätigt.\rBitte überprüfen Sie diese noch einmal.";
constexpr const char* kFileNotFound = "Datei nicht gefunden.";
constexpr const char* kMessageTitle = "Info";
constexpr const char* kCommandQuit = "Tavik beenden";
constexpr const char* kCommandReboot = "Server neu Starten (VORSICHT!!!)";
constexpr const char* kRemoveEntry = "exit";
// A status 50 whose address or name cannot go into the hosts file.
constexpr const char* kStatusRefused = "Die Angaben des Servers zum Firmenserver wurden nicht übernommen:\r";
constexpr const char* kStatusIncomplete = "Die Statusangabe ist unvollständig: ";
constexpr const char* kAddressRefused = "Die Adresse ist keine gültige IP-Adresse: ";
constexpr const char* kNameRefused = "Der Name ist als Rechnername nicht zulässig: ";
constexpr const char* kRefusedLog = "Serverstatus nicht übernommen: ";
constexpr const char* kEntryRestoredLog = "Eintrag in der Hosts-Datei wiederhergestellt: ";

constexpr double kCodeAccepted = 220;
constexpr double kCodeIgnored = 221;
constexpr double kCodeMessage = 90;
constexpr double kCodeBusy = 99;
constexpr double kCodeRejected = 100;
constexpr double kCodeFileMissing = 110;

constexpr double kStatusOfflineBelow = 30;
constexpr double kStatusOnline = 50;

constexpr std::size_t kFileNotFoundMeldung = 116;
constexpr std::size_t kMinMessageLength = 6;
constexpr int kSilentRejections = 5;  // with the caption "Online", the first four pass silently
constexpr int kRejectionsShown = 10;  // the tenth in a row starts the count again
constexpr auto kRetryInterval = std::chrono::milliseconds(30000);

// Why a status 50 cannot be taken over, or nothing when it can.
std::optional<std::string> refusal(const std::string& statusField, const ServerStatus& status) {
    if (!status.complete) return kStatusIncomplete + escapeControlCharacters(statusField);
    if (!isValidHostsAddress(status.address)) return kAddressRefused + escapeControlCharacters(status.address);
    if (characterCount(status.name) < kMinServerNameLength || !isValidHostName(status.name))
        return kNameRefused + escapeControlCharacters(status.name);
    return std::nullopt;
}

}  // namespace

ReplyHandler::ReplyHandler(TavikGlobal& g, FormState& form, RwModul& rw, HostsFile& hosts,
                           Dialogs& dialogs, Inet1& inet, Shutdown& shutdown,
                           MainFormActions& actions, const Clock& clock, const ProgramEnvironment& env)
    : g_(g), form_(form), rw_(rw), hosts_(hosts), dialogs_(dialogs), inet_(inet),
      shutdown_(shutdown), actions_(actions), clock_(clock), env_(env) {}

void ReplyHandler::handle(const std::string& reply) {
    // A web page instead of a reply: a server error page or a proxy's login page.
    if (toUpperAscii(reply).find("<HEAD>") != std::string::npos) {
        dialogs_.showInfo(kLoadError);
        inet_.Cancel();
        return;
    }
    const ReplyFields fields = splitReply(reply);
    const double code = fields.code();
    if (code == kCodeIgnored) {
        inet_.Cancel();
    } else if (code == kCodeAccepted) {
        accepted(fields);
    } else if (code == kCodeMessage) {
        messageOrdered(fields.field[2]);
    } else if (code == kCodeBusy) {
        inet_.Cancel();
        g_.AntwortCode = static_cast<std::int32_t>(kCodeBusy);
    } else if (code == kCodeRejected) {
        rejected();
    } else if (code == kCodeFileMissing) {
        fileNotFound();
    } else {
        unknownCode();
    }
}

void ReplyHandler::accepted(const ReplyFields& reply) {
    inet_.Cancel();
    g_.AntwortCode = static_cast<std::int32_t>(kCodeAccepted);
    form_.MerkerFalscherBenutzerTag = "0";

    const std::string& statusField = reply.field[3];
    std::string serverName;
    if (Val(statusField) > 0) serverName = applyStatus(statusField);

    if (!reply.field[5].empty()) g_.Kundenklasse = reply.field[5];

    const std::string& command = reply.field[6];
    if (command == kCommandQuit) actions_.unloadAndEnd();
    if (command == kCommandReboot && shutdown_.SystemShutdown(2, true, false)) actions_.unloadAndEnd();

    checkVersion(reply);
    buildTooltip(reply.field[4], serverName);
}

std::string ReplyHandler::applyStatus(const std::string& statusField) {
    const std::string section = customerSection(g_.Profil, g_.User);
    const ServerStatus status = splitStatus(statusField);
    const double number = status.number();
    // An unchanged status leaves the store alone, and the hosts file too
    // unless another program took our line out of it.
    if (statusField == rw_.read(section, valueName::Status)) {
        if (number == kStatusOnline && !refusal(statusField, status) && status.name == g_.ServerName)
            keepEntry(status.address);
        return status.name;
    }

    bool hostsDone = true;
    if (number < kStatusOfflineBelow) {
        rw_.write(section, valueName::ServerName, "");
        rw_.write(section, valueName::ServerIP, "");
        hostsDone = hosts_.EditHosts(g_.HostsDatei, kRemoveEntry, g_.ServerName);
    } else if (number == kStatusOnline) {
        // Only a field with all three parts and a sound address and name
        // names a server. Anything else is refused loudly and not stored,
        // so that the next reply tries again; the program keeps the name
        // whose line it keeps (that line could otherwise never be removed).
        if (const std::optional<std::string> reason = refusal(statusField, status)) {
            refuseStatus(statusField, *reason);
            return status.name;
        }
        lastRefused_.clear();
        rw_.write(section, valueName::ServerName, status.name);
        rw_.write(section, valueName::ServerIP, status.address);
        rw_.write(section, valueName::Datum, formatServerDatum(clock_.now()));
        g_.ServerName = status.name;
        hostsDone = hosts_.EditHosts(g_.HostsDatei, status.address, g_.ServerName);
    }
    // Stored only once the hosts file holds it: after a failed edit (the file
    // locked, unreadable or on a full disk for a while) the next reply with
    // the same status tries again instead of leaving the old address in place.
    if (hostsDone) rw_.write(section, valueName::Status, statusField);
    return status.name;
}

void ReplyHandler::refuseStatus(const std::string& statusField, const std::string& reason) {
    // The same refused field again is tried again, but said only once: on
    // the desktop the info window would otherwise open with every reply.
    if (statusField == lastRefused_) return;
    lastRefused_ = statusField;
    Log(env_.logFolder(), clock_).SaveLog(kRefusedLog + escapeControlCharacters(statusField));
    dialogs_.showInfo(kStatusRefused + reason);
}

void ReplyHandler::keepEntry(const std::string& address) {
    if (hosts_.holdsEntry(g_.HostsDatei, address, g_.ServerName)) return;
    if (hosts_.EditHosts(g_.HostsDatei, address, g_.ServerName))
        Log(env_.logFolder(), clock_).SaveLog(kEntryRestoredLog + address + " " + g_.ServerName);
}

void ReplyHandler::checkVersion(const ReplyFields& reply) {
    // Versions compare as single-precision numbers, as they always have.
    const auto offered = static_cast<float>(Val(reply.field[7]));
    const auto own = static_cast<float>(Val(g_.ProgVersion));
    if (!(offered > own)) {
        form_.Image1Visible = false;
        return;
    }
    form_.Image1Visible = true;
    if (g_.AutoUpdate == "1") {
        const std::string& fileName = reply.field[8];
        actions_.GetUpdate(updateFileUrl(env_.updateHost(), fileName), fileName);
    }
}

void ReplyHandler::buildTooltip(const std::string& counter, const std::string& serverName) {
    std::string tip = g_.Profil + " V" + g_.ProgVersion + "\rStand:" + kReleaseDate;
    if (Val(counter) > 0) tip += "\rCounter:" + counter;
    if (!serverName.empty()) tip += "\r" + serverName;
    form_.picTaskIconTag[kIconConnected] = tip;
}

void ReplyHandler::rejected() {
    inet_.Cancel();
    g_.AntwortCode = static_cast<std::int32_t>(kCodeRejected);
    // The counter is our own text; clamping only guards the conversion.
    const int count = static_cast<int>(std::clamp(Val(form_.MerkerFalscherBenutzerTag), 0.0, 1000.0)) + 1;
    form_.MerkerFalscherBenutzerTag = std::to_string(count);

    if (form_.MerkerFalscherBenutzerCaption == "Online" && count < kSilentRejections) return;
    if (count < kRejectionsShown) {
        actions_.TaskIconSet(kIconRejected);
        dialogs_.showInfo(kLoginNotConfirmed);
    } else {
        form_.MerkerFalscherBenutzerTag.clear();
    }
}

void ReplyHandler::messageOrdered(const std::string& text) {
    // Too short to be a message: the order is ignored entirely.
    if (characterCount(text) < kMinMessageLength) return;
    dialogs_.messageBox(text, kMessageTitle, MessageIcon::Information);
    inet_.Cancel();
    actions_.unloadAndEnd();
}

void ReplyHandler::fileNotFound() {
    std::string& text = g_.Meldung[kFileNotFoundMeldung];
    if (text.empty()) text = kFileNotFound;
    dialogs_.showInfo(text);
    inet_.Cancel();
}

void ReplyHandler::unknownCode() {
    inet_.Cancel();
    form_.setMerkerFrame1("Offline");
    actions_.restartCycleTimer(kRetryInterval);
}

}  // namespace tavik
