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
    addEntry("menu_popup_anmeldung", "   &Anmelden", MenuPicture::Anmelden, actions_.anmeldung);
    addEntry("menu_popup_info", "   &Info", MenuPicture::Info, actions_.info);
    addEntry("menu_popup_legende", "   &Legende", MenuPicture::Legende, actions_.legende);
    menu_.addSeparator()->setObjectName(QStringLiteral("m0"));
    addEntry("menu_popup_user", "   &Setup", MenuPicture::Setup, actions_.user);
    menu_.addSeparator()->setObjectName(QStringLiteral("m1"));
    addEntry("menu_test", "   &Test", MenuPicture::Test, actions_.test);
    menu_.addSeparator()->setObjectName(QStringLiteral("m2"));
    exitEntry_ = addEntry("menu_popup_exit", "   &Programm beenden", MenuPicture::Beenden, actions_.exit);
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
    // single clicks (Trigger), the middle button and the rest open nothing.
    if (reason != QSystemTrayIcon::Context && reason != QSystemTrayIcon::DoubleClick) return;
    menu_.popup(QCursor::pos());
}

void QtTray::setExitEntryEnabled(bool enabled) { exitEntry_->setEnabled(enabled); }

void QtTray::showStatusPicture(bool online) {
    statusOnline_ = online;
    statusPicture_ = TrayPictures::statusPixmap(online);
}

}  // namespace tavik
