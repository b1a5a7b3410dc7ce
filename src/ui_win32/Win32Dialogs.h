#pragma once
#include <functional>
#include <string>

#include "platform/Dialogs.h"

namespace tavik {

// Message boxes (MessageBoxW) and the wizard's question window (a dialog
// template driven by DialogForm) on the Windows desktop. Info messages go to
// the info window that is plugged in; when there is none, or it could not
// be made, they go to `showInfoElsewhere`.
class Win32Dialogs : public Dialogs {
public:
    explicit Win32Dialogs(std::function<void(const std::string&)> showInfoElsewhere)
        : showInfoElsewhere_(std::move(showInfoElsewhere)) {}

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    void showInfo(const std::string& text) override;
    std::optional<std::string> askQuestion(const QuestionStep& step) override;

    // `showInfo` answers false when it had no window to show the text in.
    void setInfoWindow(std::function<bool(const std::string&)> showInfo) { infoWindow_ = std::move(showInfo); }

private:
    std::function<void(const std::string&)> showInfoElsewhere_;
    std::function<bool(const std::string&)> infoWindow_;
};

}  // namespace tavik
