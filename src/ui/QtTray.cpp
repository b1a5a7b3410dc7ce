#include "ui/QtTray.h"

#include <QAction>
#include <QCursor>

#include "ui/QtText.h"

namespace tavik {

QtTray::QtTray(TrayMenuActions actions, QObject* parent) : QObject(parent), actions_(std::move(actions)) {
    menu_.setObjectName(QStringLiteral("menu_popup"));
    menu_.setTitle(QStringLiteral("&popup"));
    // The captions keep their three leading blanks; Qt draws the picture in
    // its own column beside them.
    for (const TrayMenuItem& item : kTrayMenu) {
        if (!item.entry) {
            menu_.addSeparator()->setObjectName(QString::fromUtf8(item.name));
            continue;
        }
        QAction* entry = addEntry(item.name, item.caption, *item.entry, actions_.of(*item.entry));
        if (*item.entry == MenuPicture::Beenden) exitEntry_ = entry;
    }
}

QtTray::~QtTray() { icon_.hide(); }

QAction* QtTray::addEntry(const char* name, const char* caption, MenuPicture picture,
                          const std::function<void()>& action) {
    QAction* entry = menu_.addAction(TrayPictures::menuIcon(picture), QString::fromUtf8(caption));
    entry->setObjectName(QString::fromUtf8(name));
    connect(entry, &QAction::triggered, this, [action] {
        if (action) action();
    });
    return entry;
}

QString QtTray::tooltipText(const std::string& tooltip) {
    // Counted in characters, not bytes or UTF-16 units, so no letter is split.
    QList<uint> characters = QString::fromStdString(tooltip).toUcs4();
    if (characters.size() > 63) characters.resize(63);
    return qtText(QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), characters.size()));
}

void QtTray::show(int state, const std::string& tooltip) {
    state_ = state;
    icon_.setIcon(TrayPictures::stateIcon(state));
    icon_.setToolTip(tooltipText(tooltip));
}

void QtTray::add(int state, const std::string& tooltip) {
    show(state, tooltip);
    icon_.show();
}

void QtTray::change(int state, const std::string& tooltip) { show(state, tooltip); }

void QtTray::remove() {
    menu_.hide();
    icon_.hide();
}

void QtTray::hookMenu() {
    if (!hook_) hook_ = connect(&icon_, &QSystemTrayIcon::activated, this, &QtTray::onActivated);
}

void QtTray::unhookMenu() {
    disconnect(hook_);
    hook_ = {};
}

void QtTray::onActivated(QSystemTrayIcon::ActivationReason reason) {
    // A right button press reports Context, a left double click DoubleClick;
    // single clicks (Trigger), the middle button and the rest are other.
    const TrayMouse mouse = reason == QSystemTrayIcon::Context       ? TrayMouse::RightPress
                            : reason == QSystemTrayIcon::DoubleClick ? TrayMouse::LeftDoubleClick
                                                                     : TrayMouse::Other;
    if (opensPopupMenu(mouse)) menu_.popup(QCursor::pos());
}

void QtTray::setExitEntryEnabled(bool enabled) { exitEntry_->setEnabled(enabled); }

void QtTray::showStatusPicture(bool online) {
    statusOnline_ = online;
    statusPicture_ = TrayPictures::statusPixmap(online);
}

}  // namespace tavik
