#include "platform/posix/XdgBrowserLookup.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/JournalStream.h"

namespace tavik {
namespace {

void say(const std::string& line) { sayOnStandardError(line + "\n", Severity::Warning); }

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The default handler of `type` that takes addresses, or none.
GAppInfo* handlerFor(const char* type) {
    GAppInfo* handler = g_app_info_get_default_for_type(type, TRUE);
    if (handler && !g_app_info_supports_uris(handler)) {
        g_object_unref(handler);
        return nullptr;
    }
    return handler;
}

}  // namespace

XdgBrowserLookup::XdgBrowserLookup(std::string path) : path_(std::move(path)) {}

XdgBrowserLookup::~XdgBrowserLookup() {
    if (handler_) g_object_unref(handler_);
}

std::string XdgBrowserLookup::pathFromEnvironment() {
    const char* path = std::getenv("PATH");
    return path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::string XdgBrowserLookup::findBrowser() {
    if (handler_) g_object_unref(handler_);
    // The handler for http addresses; a desktop that names only one for web
    // pages gets that one.
    handler_ = handlerFor("x-scheme-handler/http");
    if (!handler_) handler_ = handlerFor("text/html");
    if (handler_) {
        const char* id = g_app_info_get_id(handler_);
        const char* commandLine = g_app_info_get_commandline(handler_);
        found_ = id && *id ? id : commandLine && *commandLine ? commandLine : g_app_info_get_name(handler_);
    } else {
        found_ = xdgOpen();
    }
    return found_;
}

std::optional<std::string> XdgBrowserLookup::pageOf(const std::string& commandLine) const {
    const std::string prefix = found_ + " ";
    if (!handler_ || found_.empty() || commandLine.size() <= prefix.size() || commandLine.rfind(prefix, 0) != 0)
        return std::nullopt;
    return commandLine.substr(prefix.size());
}

std::string XdgBrowserLookup::launch(const std::string& url) {
    if (!handler_) return "kein Browser gefunden";
    GList* uris = g_list_append(nullptr, const_cast<char*>(url.c_str()));
    GError* error = nullptr;
    const bool started = g_app_info_launch_uris(handler_, uris, nullptr, &error);
    g_list_free(uris);
    std::string reason;
    if (!started) reason = error && error->message ? error->message : "unbekannter Fehler";
    if (error) g_error_free(error);
    return reason;
}

std::string XdgBrowserLookup::xdgOpen() const {
    std::string dir;
    for (const char c : path_ + ':') {
        if (c != ':') {
            dir += c;
            continue;
        }
        // Only a full path can be started later without a search.
        if (!dir.empty() && dir.front() == '/' && isExecutableFile(dir + "/xdg-open")) return dir + "/xdg-open";
        dir.clear();
    }
    return {};
}

bool BrowserLaunchingProcesses::start(const std::string& commandLine) {
    // A page without a program in front: no browser was found at start.
    if (!commandLine.empty() && commandLine.front() == ' ') {
        cannotOpen("Es wurde kein Browser gefunden; die Seite" + commandLine + " kann nicht geöffnet werden.");
        return false;
    }
    const auto page = browser_.pageOf(commandLine);
    if (!page) return inner_.start(commandLine);
    const std::string reason = browser_.launch(*page);
    if (reason.empty()) return true;
    say("Tavik6: Der Browser konnte nicht gestartet werden (" + reason + ").");
    const std::string xdgOpen = browser_.xdgOpen();
    if (!xdgOpen.empty() && inner_.start(xdgOpen + " " + *page)) return true;
    cannotOpen("Die Seite " + *page + " konnte nicht geöffnet werden.");
    return false;
}

// A click that opens nothing must not pass in silence where nobody reads
// standard error.
void BrowserLaunchingProcesses::cannotOpen(const std::string& text) {
    say("Tavik6: " + text);
    if (tell_) tell_(text);
}

void BrowserLaunchingProcesses::exitNow(int code) {
    inner_.exitNow(code);
    std::abort();  // not reached: the inner port ends the process
}

}  // namespace tavik
