#pragma once
#include <QMenu>
#include <QMetaObject>
#include <QObject>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <functional>
#include <string>

#include "platform/Tray.h"
#include "ui/TrayPictures.h"

class QAction;

namespace tavik {

// The icon in the notification area and its popup menu `menu_popup`. The menu
// opens on a right button press or a left double click only, never on a
// single click, so it is not set as the icon's context menu (Qt would open
// it by itself).
class QtTray : public QObject, public Tray {
    Q_OBJECT
public:
    explicit QtTray(TrayMenuActions actions, QObject* parent = nullptr);
    ~QtTray() override;

    void add(int state, const std::string& tooltip) override;
    void change(int state, const std::string& tooltip) override;
    void remove() override;
    void hookMenu() override;
    void unhookMenu() override;
    void setExitEntryEnabled(bool enabled) override;
    void showStatusPicture(bool online) override;
    bool showsPictures() const override { return true; }

    // The at most 63 characters the notification area shows, line breaks for Qt.
    static QString tooltipText(const std::string& tooltip);

    QSystemTrayIcon& icon() { return icon_; }
    QMenu& menu() { return menu_; }
    int state() const { return state_; }
    // The status picture (`Image2`): the online or the offline picture.
    bool statusOnline() const { return statusOnline_; }
    const QPixmap& statusPicture() const { return statusPicture_; }

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    QAction* addEntry(const char* name, const char* caption, MenuPicture picture, const std::function<void()>& action);
    void show(int state, const std::string& tooltip);

    TrayMenuActions actions_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QAction* exitEntry_ = nullptr;
    QMetaObject::Connection hook_;
    int state_ = -1;
    bool statusOnline_ = false;
    QPixmap statusPicture_;
};

}  // namespace tavik
