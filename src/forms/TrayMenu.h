#pragma once
#include <array>
#include <functional>
#include <optional>

namespace tavik {

// The pictures beside the popup menu's entries; each names its entry.
enum class MenuPicture { Anmelden, Info, Legende, Setup, Test, Beenden };

// One position of the tray's popup menu `menu_popup`.
struct TrayMenuItem {
    const char* name;
    const char* caption;                // three blanks leave room for the picture
    std::optional<MenuPicture> entry;   // none for a separator
};

// The popup menu, top to bottom, as every desktop shows it.
inline constexpr std::array<TrayMenuItem, 9> kTrayMenu = {{
    {"menu_popup_anmeldung", "   &Anmelden", MenuPicture::Anmelden},
    {"menu_popup_info", "   &Info", MenuPicture::Info},
    {"menu_popup_legende", "   &Legende", MenuPicture::Legende},
    {"m0", "-", std::nullopt},
    {"menu_popup_user", "   &Setup", MenuPicture::Setup},
    {"m1", "-", std::nullopt},
    {"menu_test", "   &Test", MenuPicture::Test},
    {"m2", "-", std::nullopt},
    {"menu_popup_exit", "   &Programm beenden", MenuPicture::Beenden},
}};

// What the popup menu's entries do; the main form's menu handlers. Every
// desktop calls the same ones.
struct TrayMenuActions {
    std::function<void()> anmeldung;
    std::function<void()> info;
    std::function<void()> legende;
    std::function<void()> user;
    std::function<void()> test;
    std::function<void()> exit;

    const std::function<void()>& of(MenuPicture entry) const {
        switch (entry) {
            case MenuPicture::Anmelden: return anmeldung;
            case MenuPicture::Info: return info;
            case MenuPicture::Legende: return legende;
            case MenuPicture::Setup: return user;
            case MenuPicture::Test: return test;
            case MenuPicture::Beenden: break;
        }
        return exit;
    }
};

// What the mouse did on the tray icon.
enum class TrayMouse { RightPress, LeftDoubleClick, Other };

// The menu opens on a right button press or a left double click only; single
// clicks, moves and releases open nothing.
constexpr bool opensPopupMenu(TrayMouse mouse) {
    return mouse == TrayMouse::RightPress || mouse == TrayMouse::LeftDoubleClick;
}

}  // namespace tavik
