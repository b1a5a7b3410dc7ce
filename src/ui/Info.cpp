#include "ui/Info.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "forms/InfoForm.h"
#include "ui/TrayPictures.h"

namespace tavik {
namespace {

// The label's size as designed.
constexpr int kLabelMinimumWidth = 225;
constexpr int kLabelMinimumHeight = 65;

}  // namespace

Info::Info(InfoForm& form, QWidget* parent)
    : QWidget(parent, Qt::Window),
      form_(form),
      Info_(new QLabel(QStringLiteral("Info"), this)),
      quit_button_(new QPushButton(TrayPictures::menuIcon(MenuPicture::Beenden), QStringLiteral("Quit"), this)),
      SetUP_Button_(new QPushButton(QStringLiteral("Setup"), this)) {
    setObjectName(QStringLiteral("Info"));
    setAttribute(Qt::WA_DeleteOnClose);

    Info_->setObjectName(QStringLiteral("Info"));
    Info_->setMinimumSize(kLabelMinimumWidth, kLabelMinimumHeight);
    Info_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Info_->setWordWrap(true);
    Info_->setTextFormat(Qt::PlainText);
    quit_button_->setObjectName(QStringLiteral("quit_button"));
    SetUP_Button_->setObjectName(QStringLiteral("SetUP_Button"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Info_, 0, 0, 3, 1);
    layout->addWidget(quit_button_, 0, 1);
    layout->addWidget(SetUP_Button_, 1, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(0, 1);

    connect(quit_button_, &QPushButton::clicked, this, [this] { form_.quit_button_Click(); });
    connect(SetUP_Button_, &QPushButton::clicked, this, [this] { form_.SetUP_Button_Click(); });
    Timer1_.setSingleShot(true);
    Timer1_.setTimerType(Qt::PreciseTimer);
    connect(&Timer1_, &QTimer::timeout, this, [this] { form_.Timer1_Timer(); });
}

void Info::setText(const QString& shown) {
    Info_->setText(shown);
    // Each line of the message on one line of the window, as it was written;
    // only a line wider than half the screen wraps.
    const QFontMetrics metrics(Info_->font());
    int widest = 0;
    for (const QString& line : shown.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line) + 1);
    const int limit = screen() ? screen()->availableGeometry().width() / 2 : kLabelMinimumWidth;
    Info_->setMinimumWidth(std::clamp(widest, kLabelMinimumWidth, std::max(limit, kLabelMinimumWidth)));
    adjustSize();
}

QString Info::text() const { return Info_->text(); }

// A closed window is deleted a little later; its timer must not fire for a
// window loaded after it.
void Info::closeEvent(QCloseEvent* event) {
    Timer1_.stop();
    form_.windowClosed();
    QWidget::closeEvent(event);
}

}  // namespace tavik
