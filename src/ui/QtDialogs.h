#pragma once
#include <QPointer>
#include <chrono>
#include <functional>

#include "state/TavikGlobal.h"
#include "platform/Dialogs.h"
#include "ui/Info.h"

namespace tavik {

// Message boxes, the info window and the wizard's question window on Qt.
class QtDialogs : public Dialogs {
public:
    // The info window's caption names the profile `g.Profil` holds when it loads.
    explicit QtDialogs(const TavikGlobal& g, std::chrono::milliseconds infoLifetime = Info::kLifetime);
    ~QtDialogs() override;

    // What the info window's Setup button runs (the tray menu's Setup).
    void setSetupAction(std::function<void()> action) { setupAction_ = std::move(action); }

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    void showInfo(const std::string& text) override;
    std::optional<std::string> askQuestion(const QuestionStep& step) override;

    // The open info window, if any.
    Info* info() const;

private:
    const TavikGlobal& g_;
    std::chrono::milliseconds infoLifetime_;
    std::function<void()> setupAction_;
    QPointer<Info> info_;
};

}  // namespace tavik
