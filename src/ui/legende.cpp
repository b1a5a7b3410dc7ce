#include "ui/legende.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>

#include "ui/TrayPictures.h"

namespace tavik {

legende::legende(QWidget* parent) : QDialog(parent), form_(*this) {
    setObjectName(QStringLiteral("legende"));
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    menu_quit_ = menuBar->addAction(QStringLiteral("&Quit"));
    menu_quit_->setObjectName(QStringLiteral("menu_quit"));
    connect(menu_quit_, &QAction::triggered, this, [this] { form_.menu_quit_Click(); });

    rows_ = new QGridLayout(this);
    rows_->setMenuBar(menuBar);
    rows_->setHorizontalSpacing(12);
    rows_->setVerticalSpacing(8);
    form_.Form_Load();
    // The first text stands on two lines, as the narrow label of the design
    // shows it. The legend always has its rows.
    if (auto* first = qobject_cast<QLabel*>(rows_->itemAtPosition(0, 1)->widget())) {
        first->setWordWrap(true);
        first->setMaximumWidth(first->fontMetrics().horizontalAdvance(first->text()) * 2 / 3);
    }
}

void legende::setCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void legende::addRow(int state, const std::string& text) {
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picTaskIcon_%1").arg(state));
    picture->setPixmap(TrayPictures::statePixmap(state));
    picture->setFixedSize(TrayPictures::kTraySize, TrayPictures::kTraySize);
    auto* label = new QLabel(QString::fromStdString(text), this);
    label->setObjectName(QStringLiteral("Label1"));
    rows_->addWidget(picture, rowCount_, 0);
    rows_->addWidget(label, rowCount_, 1);
    ++rowCount_;
}

void legende::closeWindow() { accept(); }

}  // namespace tavik
