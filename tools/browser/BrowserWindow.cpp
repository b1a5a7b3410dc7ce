#include "BrowserWindow.h"

#include <QFrame>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QToolButton>
#include <QUrl>
#include <QWebEngineView>
#include <algorithm>

namespace tavik {
namespace {

constexpr int kPanelHeight = 41;  // the panel's height as designed
constexpr int kButtonOffset = 8;  // the quit button's distance from the panel's corner
constexpr int kPictureSize = 24;

// A red cross on a light ground: the quit button's picture.
QPixmap quitPicture() {
    QPixmap picture(kPictureSize, kPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0xf0, 0xf0, 0xf0));
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.drawRoundedRect(QRectF(0.5, 0.5, kPictureSize - 1, kPictureSize - 1), 3, 3);
    painter.setPen(QPen(QColor(0xc0, 0x10, 0x10), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(6, 6), QPointF(kPictureSize - 6, kPictureSize - 6));
    painter.drawLine(QPointF(kPictureSize - 6, 6), QPointF(6, kPictureSize - 6));
    return picture;
}

}  // namespace

BrowserWindow::BrowserWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("softwareupdate"));
    setWindowTitle(QStringLiteral("Internet"));

    SSPanel1_ = new QFrame(this);
    SSPanel1_->setObjectName(QStringLiteral("SSPanel1"));
    SSPanel1_->setFrameShape(QFrame::Panel);
    SSPanel1_->setFrameShadow(QFrame::Raised);
    SSPanel1_->setAutoFillBackground(true);

    quit_button_ = new QToolButton(SSPanel1_);
    quit_button_->setObjectName(QStringLiteral("quit_button"));
    quit_button_->setIcon(quitPicture());
    quit_button_->setIconSize(QSize(kPictureSize, kPictureSize));
    quit_button_->setToolTip(QStringLiteral("Quit"));
    quit_button_->move(kButtonOffset, (kPanelHeight - quit_button_->sizeHint().height()) / 2);
    connect(quit_button_, &QToolButton::clicked, this, &QWidget::close);

    WebBrowser1_ = new QWebEngineView(this);
    WebBrowser1_->setObjectName(QStringLiteral("WebBrowser1"));
    resize(800, 600);
}

void BrowserWindow::navigate(const QString& address) {
    // The addresses are written unescaped; blanks and the like are encoded here.
    WebBrowser1_->setUrl(QUrl(address, QUrl::TolerantMode));
}

// The page fills the window below the panel; a window smaller than the
// panel leaves it no room rather than a negative size.
void BrowserWindow::resizeEvent(QResizeEvent* event) {
    const QSize size = event->size();
    SSPanel1_->setGeometry(0, 0, size.width(), kPanelHeight);
    WebBrowser1_->setGeometry(0, kPanelHeight, std::max(0, size.width()),
                              std::max(0, size.height() - kPanelHeight));
    QWidget::resizeEvent(event);
}

}  // namespace tavik
