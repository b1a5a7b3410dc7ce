#include "ui/TrayPictures.h"

#include <QPainter>
#include <QString>
#include <QSvgRenderer>

// The pictures live in a static library; registering their resource by hand
// keeps it linked in. Once is enough.
static void initTrayIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(trayicons);
        return true;
    }();
    (void)registered;
}

namespace tavik {
namespace {

QPixmap render(const QString& name, int size) {
    initTrayIconResources();
    QSvgRenderer renderer(QStringLiteral(":/tavik/icons/") + name + QStringLiteral(".svg"));
    if (!renderer.isValid() || size <= 0) return {};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QString menuFileName(MenuPicture picture) {
    switch (picture) {
        case MenuPicture::Anmelden: return QStringLiteral("menu-anmelden");
        case MenuPicture::Info: return QStringLiteral("menu-info");
        case MenuPicture::Legende: return QStringLiteral("menu-legende");
        case MenuPicture::Setup: return QStringLiteral("menu-setup");
        case MenuPicture::Test: return QStringLiteral("menu-test");
        case MenuPicture::Beenden: return QStringLiteral("menu-beenden");
    }
    return {};
}

}  // namespace

bool TrayPictures::hasState(int state) {
    switch (state) {
        case 0: case 1: case 2: case 3: case 4: case 8: case 9: case 10: return true;
        default: return false;
    }
}

QPixmap TrayPictures::statePixmap(int state, int size) {
    if (!hasState(state)) return {};
    return render(QStringLiteral("state") + QString::number(state), size);
}

QIcon TrayPictures::stateIcon(int state) {
    QIcon icon;
    if (!hasState(state)) return icon;
    // Notification areas differ in the size they draw; give each a sharp picture.
    for (int size : {16, 22, 24, 32, 48, 64}) icon.addPixmap(statePixmap(state, size));
    return icon;
}

QIcon TrayPictures::menuIcon(MenuPicture picture) {
    QIcon icon;
    for (int size : {kMenuSize, 2 * kMenuSize}) icon.addPixmap(render(menuFileName(picture), size));
    return icon;
}

QPixmap TrayPictures::statusPixmap(bool online, int size) {
    return render(online ? QStringLiteral("status-online") : QStringLiteral("status-offline"), size);
}

}  // namespace tavik
