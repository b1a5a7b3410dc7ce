#pragma once
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace tavik {

// The info and warning window: floats above all windows, blocks nothing and
// closes itself a fixed time after it was loaded. "Setup" closes it and then
// opens the settings.
class Info : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kLifetime{10000};

    Info(const std::string& profil, std::function<void()> setupAction,
         std::chrono::milliseconds lifetime = kLifetime, QWidget* parent = nullptr);

    // Replaces the message; the count towards closing goes on.
    void setText(const std::string& text);
    QString text() const;
    // Time left until the window closes by itself.
    std::chrono::milliseconds remainingLifetime() const {
        return std::chrono::milliseconds(Timer1_.remainingTime());
    }

private:
    void SetUP_Button_Click();

    QLabel* Info_;
    QPushButton* quit_button_;
    QPushButton* SetUP_Button_;
    QTimer Timer1_;
    std::function<void()> setupAction_;
};

}  // namespace tavik
