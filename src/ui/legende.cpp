#include "ui/legende.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>

#include "ui/TrayPictures.h"

namespace tavik {
namespace {

// The meaning of each row's picture, in the order of legende::kRowStates.
constexpr const char* kRowTexts[7] = {
    "Die Verbindung wurde vom Server abgewiesen",
    "Verbindung zu Server gestartet",
    "Verbindung hergestellt",
    "Verbindungstest",
    "Offline",
    "Es liegt eine neue Information vor",
    "Neue Updates vorhanden",
};

}  // namespace

legende::legende(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("legende"));
    setWindowTitle(QStringLiteral("Legende in der Taskbar"));
    setModal(true);

    auto* menuBar = new QMenuBar(this);
    menu_quit_ = menuBar->addAction(QStringLiteral("&Quit"));
    menu_quit_->setObjectName(QStringLiteral("menu_quit"));
    connect(menu_quit_, &QAction::triggered, this, &QDialog::accept);

    auto* rows = new QGridLayout(this);
    rows->setMenuBar(menuBar);
    rows->setHorizontalSpacing(12);
    rows->setVerticalSpacing(8);
    for (int row = 0; row < 7; ++row) {
        const int state = kRowStates[row];
        auto* picture = new QLabel(this);
        picture->setObjectName(QStringLiteral("picTaskIcon_%1").arg(state));
        picture->setPixmap(TrayPictures::statePixmap(state));
        picture->setFixedSize(TrayPictures::kTraySize, TrayPictures::kTraySize);
        auto* label = new QLabel(QString::fromUtf8(kRowTexts[row]), this);
        label->setObjectName(QStringLiteral("Label1"));
        rows->addWidget(picture, row, 0);
        rows->addWidget(label, row, 1);
    }
    // The first text stands on two lines, as the narrow label of the design shows it.
    auto* first = qobject_cast<QLabel*>(rows->itemAtPosition(0, 1)->widget());
    first->setWordWrap(true);
    first->setMaximumWidth(first->fontMetrics().horizontalAdvance(first->text()) * 2 / 3);
}

}  // namespace tavik
