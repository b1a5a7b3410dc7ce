#pragma once
#include <string>

#include "forms/FormContext.h"
#include "platform/Windows.h"

namespace tavik {

// Opens a web page in the desktop's default browser. Only http and https
// addresses are handed on, so no file or program can be started this way.
// Returns an empty text on success, else why it failed (German).
std::string openPageInBrowser(const std::string& url);

// The tray menu's windows as Win32 dialogs. The forms reach the rest of the
// program through the context, which exists only once the main form does:
// attach it before the first window is opened.
class Win32Windows : public Windows {
public:
    Win32Windows() = default;
    explicit Win32Windows(FormContext& context) : context_(&context) {}
    void attach(FormContext& context) { context_ = &context; }

    void showParameter(const std::string& caption) override;
    void showAbout() override;
    void showLegend() override;
    // No browser engine is at hand on Windows for a page inside a window of
    // our own: the page opens in the default browser.
    void showBrowserWindow(const std::string& url) override;

private:
    void reportMissingWindow(const char* what) const;

    FormContext* context_ = nullptr;
};

}  // namespace tavik
