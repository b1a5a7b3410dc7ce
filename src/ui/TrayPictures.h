#pragma once
#include <QIcon>
#include <QPixmap>

#include "forms/TrayMenu.h"

namespace tavik {

// The program's own pictures, drawn as SVG and kept as Qt resources: the tray
// states, the menu pictures and the online / offline status picture. Every
// caller renders from the same files, so the legend shows exactly the tray's
// images.
class TrayPictures {
public:
    static constexpr int kTraySize = 32;
    static constexpr int kMenuSize = 16;

    // True for the states that have a picture: 0, 1, 2, 3, 4, 8, 9 and 10.
    static bool hasState(int state);
    // The tray picture of a state at the given size; empty for a state without one.
    static QPixmap statePixmap(int state, int size = kTraySize);
    // The same picture in the sizes a notification area asks for.
    static QIcon stateIcon(int state);
    static QIcon menuIcon(MenuPicture picture);
    static QPixmap statusPixmap(bool online, int size = kMenuSize);
};

}  // namespace tavik
