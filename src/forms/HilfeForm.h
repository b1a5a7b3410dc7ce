#pragma once
#include <string>

namespace tavik {

// The explanations the help window shows beside the settings window's controls.
namespace hilfeText {
inline constexpr const char* Caption = "Hilfe";
inline constexpr const char* Fields =
    "Geben Sie hier Ihre Benutzerdaten, welche Ihnen per eMail zugeschickt wurden ein. Ohne diese Daten werden "
    "Sie von unserem Server abgewiesen.";
inline constexpr const char* Proxy =
    "Dieser Menüpunkt muss aktiviert werden sobald Sie indirekt (zb.über einen Proxyserver/Router) ins Internet "
    "gehen.";
inline constexpr const char* AutoUpdate = "Neue Programmversionen werden automatisch geladen und installiert.";
inline constexpr const char* UpdateLink = "Unsere Updateseite im Internet";
inline constexpr const char* Service = "Das Programm wird vor der Anmeldung als Dienst gestartet.";
inline constexpr const char* Download = "Hier können  Sie die Tools ggf. laden.";
inline constexpr const char* Setup =
    "Dieser Menüpunkt ist nur im Onlinebetrieb offen. Alle weiteren Einstellungen können nur Online über unsere "
    "Webseite vorgenommen werden.";
inline constexpr const char* Help = "Dieses Fenster";
inline constexpr const char* Info = "Info über dieses Software";
inline constexpr const char* Quit = "Setupmenü beenden";
}  // namespace hilfeText

// The help window as it looks to its behaviour.
class HilfeView {
public:
    virtual ~HilfeView() = default;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void makeTopmost() = 0;
    virtual void closeWindow() = 0;
};

// "Hilfe": a picture of the settings window with explanations; topmost, and
// only its two Quit controls react.
class HilfeForm {
public:
    explicit HilfeForm(HilfeView& view) : view_(view) {}

    void Form_Load() {
        view_.setCaption(hilfeText::Caption);
        view_.makeTopmost();
    }
    void menu_exit_Click() { view_.closeWindow(); }
    void quit_button_Click() { view_.closeWindow(); }

private:
    HilfeView& view_;
};

}  // namespace tavik
