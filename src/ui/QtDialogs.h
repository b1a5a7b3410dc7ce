#pragma once
#include <QPointer>
#include <chrono>
#include <functional>

#include "forms/InfoForm.h"
#include "platform/Dialogs.h"
#include "state/TavikGlobal.h"
#include "ui/Info.h"

namespace tavik {

// Message boxes, the info window and the wizard's question window on Qt.
class QtDialogs : public Dialogs, private InfoView {
public:
    // The info window's caption names the profile `g.Profil` holds when it loads.
    explicit QtDialogs(const TavikGlobal& g, std::chrono::milliseconds infoLifetime = InfoForm::kLifetime);
    ~QtDialogs() override;

    // What the info window's Setup button runs (the tray menu's Setup).
    void setSetupAction(std::function<void()> action) { infoForm_.setSetupAction(std::move(action)); }

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    void showInfo(const std::string& text) override;
    std::optional<std::string> askQuestion(const QuestionStep& step) override;

    // The open info window, if any.
    Info* info() const;

private:
    // InfoView
    bool loadWindow() override;
    void setCaption(const std::string& caption) override;
    void makeTopmost() override;
    void showText(const std::string& text) override;
    void showWindow() override;
    void startCloseTimer(std::chrono::milliseconds after) override;
    void stopCloseTimer() override;
    void closeWindow() override;

    InfoForm infoForm_;
    QPointer<Info> info_;
};

}  // namespace tavik
