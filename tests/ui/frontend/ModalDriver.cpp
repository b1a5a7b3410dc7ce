#include "ModalDriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace tavik {
namespace {

QComboBox* answerBox(Dialog& dialog) { return dialog.findChild<QComboBox*>(QStringLiteral("antwort1")); }

void clickOk(Dialog& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
}

}  // namespace

ModalDriver::ModalDriver() {
    // Looks for a new modal window often enough, without spinning.
    poll_.setInterval(5);
    connect(&poll_, &QTimer::timeout, this, &ModalDriver::act);
    poll_.start();
}

void ModalDriver::act() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->property("driven").toBool()) return;
    modal->setProperty("driven", true);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxTexts.push_back(box->text());
        boxIcons.push_back(box->icon());
        boxTitles.push_back(box->windowTitle());
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        return;
    }
    if (auto* dialog = qobject_cast<Dialog*>(modal)) {
        ++questionsSeen;
        if (inspect) inspect(*dialog);
        if (steps.empty()) {
            dialog->reject();
            return;
        }
        const Step step = steps.front();
        steps.pop_front();
        step(*dialog);
        // Every scripted step ends the window at once; one still open is a fault,
        // and closing it keeps the test from waiting forever.
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the question window stayed open after its step";
            dialog->reject();
        }
    }
}

ModalDriver::Step ModalDriver::typeAndOk(const QString& text) {
    return [text](Dialog& dialog) {
        QLineEdit* edit = answerBox(dialog)->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        clickOk(dialog);
    };
}

ModalDriver::Step ModalDriver::cancel() {
    return [](Dialog& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("CancelButton")), Qt::LeftButton);
    };
}

ModalDriver::Step ModalDriver::enterWithEmptyAnswer() {
    return [](Dialog& dialog) {
        QLineEdit* edit = answerBox(dialog)->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

ModalDriver::Step ModalDriver::chooseEntry(int downPresses) {
    return [downPresses](Dialog& dialog) {
        for (int i = 0; i < downPresses; ++i) QTest::keyClick(answerBox(dialog), Qt::Key_Down);
        clickOk(dialog);
    };
}

ModalDriver::Step ModalDriver::keepPresetAndOk() {
    return [](Dialog& dialog) { clickOk(dialog); };
}

}  // namespace tavik
