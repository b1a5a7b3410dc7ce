#include "platform/posix/LogindSession.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/posix/DynamicLibrary.h"
#include "platform/posix/JournalStream.h"

namespace tavik {
namespace {

constexpr unsigned kModeMask = 3;
constexpr unsigned kModeLogOff = 0;
constexpr unsigned kModePowerOff = 1;
constexpr unsigned kModeReboot = 2;

constexpr const char* kDestination = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

// sd-bus's own types as far as we touch them: the bus and the message stay
// opaque; the error record is part of libsystemd's stable interface.
struct Bus;
struct Message;
struct BusError {
    const char* name = nullptr;
    const char* message = nullptr;
    int needsFree = 0;
};

// logind's "interactive" argument: nobody is asked for a password, the call
// succeeds only when the policy allows it outright.
constexpr int kNotInteractive = 0;

}  // namespace

struct LogindSession::Api {
    int (*openSystem)(Bus**) = nullptr;
    int (*callMethod)(Bus*, const char*, const char*, const char*, const char*, BusError*, Message**, const char*,
                      ...) = nullptr;
    int (*readMessage)(Message*, const char*, ...) = nullptr;
    Message* (*unrefMessage)(Message*) = nullptr;
    Bus* (*closeBus)(Bus*) = nullptr;
    void (*freeError)(BusError*) = nullptr;
};

LogindSession::LogindSession(std::string library) : library_(std::move(library)) {}

// The library stays loaded once it was: unloading libsystemd is not safe.
LogindSession::~LogindSession() = default;

std::optional<OsVersion> LogindSession::version() { return OsVersion{2, 5}; }

const LogindSession::Api* LogindSession::api() {
    if (!tried_) {
        tried_ = true;
        if (void* handle = openLibrary(library_, loadError_)) {
            auto api = std::make_unique<Api>();
            const auto load = [&](auto& function, const char* name) {
                if (!loadSymbol(handle, name, function) && loadError_.empty()) loadError_ = library_ + " ohne " + name;
            };
            load(api->openSystem, "sd_bus_open_system");
            load(api->callMethod, "sd_bus_call_method");
            load(api->readMessage, "sd_bus_message_read");
            load(api->unrefMessage, "sd_bus_message_unref");
            load(api->closeBus, "sd_bus_flush_close_unref");
            load(api->freeError, "sd_bus_error_free");
            if (loadError_.empty()) api_ = std::move(api);
        }
    }
    return api_.get();
}

template <typename... Arguments>
bool LogindSession::callManager(const char* action, const char* member, std::string* answer, const char* types,
                                Arguments... arguments) {
    const Api* sd = api();
    if (sd == nullptr) {
        sayOnStandardError(std::string("Tavik6: ") + action + " nicht möglich: libsystemd ist nicht ladbar (" +
                               loadError_ + ").\n",
                           Severity::Error);
        return false;
    }
    Bus* bus = nullptr;
    const int opened = sd->openSystem(&bus);
    if (opened < 0) {
        sayOnStandardError(std::string("Tavik6: ") + action + " nicht möglich: Der Systembus ist nicht erreichbar (" +
                               std::strerror(-opened) + ").\n",
                           Severity::Error);
        return false;
    }
    BusError error;
    Message* reply = nullptr;
    bool done = sd->callMethod(bus, kDestination, kPath, kManager, member, &error, &reply, types, arguments...) >= 0;
    if (!done) {
        const char* why = error.message != nullptr ? error.message : (error.name != nullptr ? error.name : "?");
        sayOnStandardError(std::string("Tavik6: ") + action + " nicht möglich: systemd-logind lehnt ab (" + member +
                               ": " + why + ")\n",
                           Severity::Error);
    } else if (answer != nullptr) {
        const char* text = nullptr;
        done = sd->readMessage(reply, "s", &text) >= 0 && text != nullptr;
        if (done) {
            *answer = text;
        } else {
            sayOnStandardError(std::string("Tavik6: ") + action +
                                   " nicht möglich: systemd-logind antwortet unverständlich auf " + member + ".\n",
                               Severity::Error);
        }
    }
    if (reply != nullptr) sd->unrefMessage(reply);
    sd->freeError(&error);
    sd->closeBus(bus);
    return done;
}

bool LogindSession::acquireShutdownRight() {
    std::string answer;
    if (!callManager("Neustart", "CanReboot", &answer, "")) return false;
    // "challenge": allowed once polkit agrees; whether it does shows in the
    // reboot call itself.
    if (answer == "yes" || answer == "challenge") return true;
    sayOnStandardError("Tavik6: Neustart nicht möglich: systemd-logind erlaubt ihn nicht (CanReboot: „" + answer +
                           "“).\n",
                       Severity::Error);
    return false;
}

bool LogindSession::endShell() { return false; }

bool LogindSession::exitSession(unsigned flags) {
    switch (flags & kModeMask) {
        case kModeReboot:
            return callManager("Neustart", "Reboot", nullptr, "b", kNotInteractive);
        case kModePowerOff:
            return callManager("Ausschalten", "PowerOff", nullptr, "b", kNotInteractive);
        case kModeLogOff: {
            const char* session = std::getenv("XDG_SESSION_ID");
            if (session == nullptr || *session == '\0') {
                sayOnStandardError("Tavik6: Abmelden nicht möglich: XDG_SESSION_ID ist nicht gesetzt.\n",
                                   Severity::Error);
                return false;
            }
            return callManager("Abmelden", "TerminateSession", nullptr, "s", session);
        }
        default:
            return false;
    }
}

}  // namespace tavik
