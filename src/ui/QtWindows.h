#pragma once
#include "platform/Windows.h"
#include "forms/FormContext.h"

namespace tavik {

// Opens the program's windows modally, as the tray menu asks.
class QtWindows : public Windows {
public:
    explicit QtWindows(FormContext& context);

    void showParameter(const std::string& caption) override;
    void showAbout() override;
    void showLegend() override;
    void showBrowserWindow(const std::string& url) override;

private:
    FormContext& context_;
};

}  // namespace tavik
