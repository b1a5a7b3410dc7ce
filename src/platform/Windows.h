#pragma once
#include <string>

namespace tavik {

// The program's own windows that the tray menu opens. Each call shows its
// window modally and returns when the user has closed it.
class Windows {
public:
    virtual ~Windows() = default;
    // The settings window `Parameter`, with its caption.
    virtual void showParameter(const std::string& caption) = 0;
    // The about window `copyright`.
    virtual void showAbout() = 0;
    // The legend `legende`.
    virtual void showLegend() = 0;
    // The browser window `softwareupdate`, showing the page of `url`.
    virtual void showBrowserWindow(const std::string& url) = 0;
};

}  // namespace tavik
