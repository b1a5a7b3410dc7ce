#pragma once
#include "platform/Windows.h"

namespace tavik {

// Without a desktop there is no menu that could open a window.
class NoWindows : public Windows {
public:
    void showParameter(const std::string&) override {}
    void showAbout() override {}
    void showLegend() override {}
    void showBrowserWindow(const std::string&) override {}
};

}  // namespace tavik
