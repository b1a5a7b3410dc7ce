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

QtDialogs::QtDialogs(const TavikGlobal& g, std::chrono::milliseconds infoLifetime)
    : g_(g), infoLifetime_(infoLifetime) {}

QtDialogs::~QtDialogs() { delete info_.data(); }

void QtDialogs::messageBox(const std::string& text, const std::string& title, MessageIcon icon) {
    QMessageBox box(qtIcon(icon), qtText(title), qtText(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Info* QtDialogs::info() const {
    // A window that was closed is on its way out, even before Qt deletes it.
    return info_ && info_->isVisible() ? info_.data() : nullptr;
}

void QtDialogs::showInfo(const std::string& text) {
    // One window at a time: a second text while it is open only replaces the first.
    if (!info()) {
        auto setup = [this] {
            if (setupAction_) setupAction_();
        };
        info_ = new Info(g_.Profil, setup, infoLifetime_);
    }
    info_->setText(text);
    info_->show();
}

std::optional<std::string> QtDialogs::askQuestion(const QuestionStep& step) { return Dialog::ask(step); }

}  // namespace tavik
