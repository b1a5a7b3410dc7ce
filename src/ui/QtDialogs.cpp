#include "ui/QtDialogs.h"

#include <QMessageBox>

#include "ui/Dialog.h"
#include "ui/QtText.h"

namespace tavik {
namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information: return QMessageBox::Information;
        case MessageIcon::Exclamation: return QMessageBox::Warning;
        case MessageIcon::None: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtDialogs::QtDialogs(const TavikGlobal& g, std::chrono::milliseconds infoLifetime) : infoForm_(*this, g, infoLifetime) {}

QtDialogs::~QtDialogs() { delete info_.data(); }

void QtDialogs::messageBox(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(qtIcon(icon), qtText(title), qtText(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Info* QtDialogs::info() const { return infoForm_.loaded() ? info_.data() : nullptr; }

void QtDialogs::showInfo(const std::string& text) { infoForm_.showMessage(text); }

bool QtDialogs::loadWindow() {
    info_ = new Info(infoForm_);
    return true;
}

void QtDialogs::setCaption(const std::string& caption) { info_->setWindowTitle(qtText(caption)); }

void QtDialogs::makeTopmost() { info_->setWindowFlag(Qt::WindowStaysOnTopHint, true); }

void QtDialogs::showText(const std::string& text) { info_->setText(qtText(text)); }

void QtDialogs::showWindow() { info_->show(); }

void QtDialogs::startCloseTimer(std::chrono::milliseconds after) {
    info_->Timer1().start(static_cast<int>(after.count()));
}

void QtDialogs::stopCloseTimer() { info_->Timer1().stop(); }

// The window deletes itself once closed.
void QtDialogs::closeWindow() {
    if (info_) info_->close();
}

std::optional<std::string> QtDialogs::askQuestion(const QuestionStep& step) { return Dialog::ask(step); }

}  // namespace tavik
