#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/Windows.h"

namespace tavik {

// Records which window was opened; `whileOpen` runs as if the user were at it.
class FakeWindows : public Windows {
public:
    std::vector<std::string> shown;
    std::function<void()> whileOpen;

    void showParameter(const std::string& caption) override { open("Parameter:" + caption); }
    void showAbout() override { open("copyright"); }
    void showLegend() override { open("legende"); }
    void showBrowserWindow(const std::string& url) override { open("softwareupdate:" + url); }

private:
    void open(const std::string& what) {
        shown.push_back(what);
        if (whileOpen) whileOpen();
    }
};

}  // namespace tavik
