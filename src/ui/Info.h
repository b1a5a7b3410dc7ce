#pragma once
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <string>

#include "forms/InfoForm.h"

class QLabel;
class QPushButton;

namespace tavik {

// The info and warning window on Qt. What it does (caption, the ten seconds,
// Setup) lives in InfoForm; this class draws it and runs its timer.
class Info : public QWidget, private InfoView {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kLifetime = InfoForm::kLifetime;

    Info(const std::string& profil, std::function<void()> setupAction,
         std::chrono::milliseconds lifetime = kLifetime, QWidget* parent = nullptr);

    // Replaces the message; the count towards closing goes on.
    void setText(const std::string& text) { form_.setText(text); }
    QString text() const;
    // Time left until the window closes by itself.
    std::chrono::milliseconds remainingLifetime() const {
        return std::chrono::milliseconds(Timer1_.remainingTime());
    }

private:
    // InfoView
    void setCaption(const std::string& caption) override;
    void makeTopmost() override;
    void showText(const std::string& text) override;
    void startCloseTimer(std::chrono::milliseconds after) override;
    void stopCloseTimer() override;
    void closeWindow() override;

    QLabel* Info_;
    QPushButton* quit_button_;
    QPushButton* SetUP_Button_;
    QTimer Timer1_;
    InfoForm form_;
};

}  // namespace tavik
