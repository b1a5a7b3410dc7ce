#pragma once
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

#include "ui/Dialog.h"

namespace tavik {

// Plays the user at the program's modal windows: every message box is
// recorded and confirmed with OK; every question window gets the next
// scripted step. Question windows beyond the script are closed without an answer.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(Dialog&)>;

    ModalDriver();

    // Steps a user can take in the question window.
    static Step typeAndOk(const QString& text);
    static Step cancel();
    static Step enterWithEmptyAnswer();
    static Step chooseEntry(int downPresses);  // moves down the list, then OK
    static Step keepPresetAndOk();

    std::deque<Step> steps;
    std::vector<QString> boxTexts;
    std::vector<QMessageBox::Icon> boxIcons;
    std::vector<QString> boxTitles;
    int questionsSeen = 0;
    // Runs in each question window before its step, to look at it.
    std::function<void(Dialog&)> inspect;

private:
    void act();
    QTimer poll_;
};

}  // namespace tavik
