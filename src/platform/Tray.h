#pragma once
#include <functional>
#include <string>

namespace tavik {

// The icon in the notification area, its popup menu and the status picture.
class Tray {
public:
    virtual ~Tray() = default;
    virtual void add(int state, const std::string& tooltip) = 0;
    virtual void change(int state, const std::string& tooltip) = 0;
    virtual void remove() = 0;
    // Connects / disconnects the icon's mouse events to the popup menu.
    virtual void hookMenu() = 0;
    virtual void unhookMenu() = 0;
    virtual void setExitEntryEnabled(bool enabled) = 0;
    // The online / offline status picture of the main form.
    virtual void showStatusPicture(bool online) = 0;
    // False where nobody can see the pictures (no desktop); the one-second
    // hold after a change, meant to let the user see each picture, is then skipped.
    virtual bool showsPictures() const = 0;
};

}  // namespace tavik
