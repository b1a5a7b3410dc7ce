#pragma once
#include <chrono>
#include <string>

#include "platform/BrowserLookup.h"

namespace tavik {

// The desktop's default program for web pages: the handler xdg-mime names
// for text/html, found through its .desktop file; else xdg-open; else none.
class XdgBrowserLookup : public BrowserLookup {
public:
    struct Paths {
        std::string path;          // the PATH that programs are looked up in
        std::string dataHome;      // XDG_DATA_HOME
        std::string dataDirs;      // XDG_DATA_DIRS, ':'-separated
        std::string xdgMime;       // xdg-mime to run; empty: looked up in `path`
        std::chrono::milliseconds timeout{std::chrono::seconds(5)};
    };

    explicit XdgBrowserLookup(Paths paths);
    // The paths of this process's environment, with the usual defaults.
    static Paths fromEnvironment();

    std::string findBrowser() override;

private:
    // The desktop entry's name ("firefox.desktop"), or empty.
    std::string defaultHandlerId() const;
    std::string findDesktopFile(const std::string& id) const;
    // The full path of an executable named as in a command (bare name or path).
    std::string resolveProgram(const std::string& program) const;

    Paths paths_;
};

}  // namespace tavik
