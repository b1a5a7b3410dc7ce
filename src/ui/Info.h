#pragma once
#include <QTimer>
#include <QWidget>
#include <chrono>

class QLabel;
class QPushButton;

namespace tavik {

class InfoForm;

// The info and warning window on Qt: a label, Quit, Setup and the timer.
// What it does lives in InfoForm, which QtDialogs keeps for the program.
class Info : public QWidget {
    Q_OBJECT
public:
    explicit Info(InfoForm& form, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // Time left until the window closes by itself.
    std::chrono::milliseconds remainingLifetime() const {
        return std::chrono::milliseconds(Timer1_.remainingTime());
    }
    QTimer& Timer1() { return Timer1_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    InfoForm& form_;
    QLabel* Info_;
    QPushButton* quit_button_;
    QPushButton* SetUP_Button_;
    QTimer Timer1_;
};

}  // namespace tavik
