#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/BrowserLookup.h"
#include "platform/Processes.h"

typedef struct _GAppInfo GAppInfo;

namespace tavik {

// The desktop's default program for web pages, found and started through the
// desktop's own launcher library (GIO). It reads the Exec line of the
// program's desktop file as the desktop does: field codes, quoted paths and
// launchers such as env or flatpak in front of the browser. Without a handler
// for http (or text/html), xdg-open stands in; without that, there is none.
class XdgBrowserLookup : public BrowserLookup {
public:
    // `path`: the folders, ':'-separated, that xdg-open is looked up in.
    explicit XdgBrowserLookup(std::string path);
    ~XdgBrowserLookup() override;
    XdgBrowserLookup(const XdgBrowserLookup&) = delete;
    XdgBrowserLookup& operator=(const XdgBrowserLookup&) = delete;

    // PATH of this process, with the usual default.
    static std::string pathFromEnvironment();

    // The handler's desktop id ("firefox.desktop"), or its command line when
    // it has no id; else the full path of xdg-open; else empty.
    std::string findBrowser() override;

    // The page of a command line that opens one with the handler found:
    // what findBrowser returned, a blank and the page. Nothing for any other
    // command line, and when the handler is xdg-open, which starts as it is.
    std::optional<std::string> pageOf(const std::string& commandLine) const;

    // Starts the handler found with the page, nothing waiting for it. Empty
    // when it started, else why not.
    std::string launch(const std::string& url);

    // The full path of xdg-open, or empty.
    std::string xdgOpen() const;

private:
    std::string path_;
    GAppInfo* handler_ = nullptr;
    std::string found_;
};

// Starts programs through `inner`, except a page for the default browser the
// lookup found: that goes through the launcher library, and to xdg-open when
// the launcher cannot start it. What fails is said on standard error.
class BrowserLaunchingProcesses : public Processes {
public:
    BrowserLaunchingProcesses(Processes& inner, XdgBrowserLookup& browser) : inner_(inner), browser_(browser) {}

    // Where a page that cannot be opened is also said to the user (a
    // desktop's message box); standard error always hears of it.
    void tellUser(std::function<void(const std::string&)> tell) { tell_ = std::move(tell); }

    bool start(const std::string& commandLine) override;
    // Programs named by path (the updater) are never a browser page.
    bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) override {
        return inner_.startProgram(program, arguments);
    }
    [[noreturn]] void exitNow(int code) override;

private:
    void cannotOpen(const std::string& text);

    Processes& inner_;
    XdgBrowserLookup& browser_;
    std::function<void(const std::string&)> tell_;
};

}  // namespace tavik
