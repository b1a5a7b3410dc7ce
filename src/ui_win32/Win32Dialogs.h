#pragma once
#include <functional>
#include <string>

#include "platform/Dialogs.h"

namespace tavik {

// Message boxes (MessageBoxW) and the wizard's question window (a dialog
// template driven by DialogForm) on the Windows desktop. The info window
// belongs to the windows of the settings and the legend; until one is
// plugged in, its messages go to `showInfoElsewhere`.
class Win32Dialogs : public Dialogs {
public:
    explicit Win32Dialogs(std::function<void(const std::string&)> showInfoElsewhere)
        : showInfoElsewhere_(std::move(showInfoElsewhere)) {}

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    void showInfo(const std::string& text) override;
    std::optional<std::string> askQuestion(const QuestionStep& step) override;

    void setInfoWindow(std::function<void(const std::string&)> showInfo) { infoWindow_ = std::move(showInfo); }

    // The program's texts break lines with a lone CR; Windows controls want CR LF.
    static std::wstring windowsText(const std::string& text);

private:
    std::function<void(const std::string&)> showInfoElsewhere_;
    std::function<void(const std::string&)> infoWindow_;
};

}  // namespace tavik
