#pragma once

// The wizard's own texts. "\r" is the line break of the program's messages.
namespace tavik::wizardText {

inline constexpr const char* kCaption = "Neue Verbindung herstellen";
inline constexpr const char* kWelcome =
    "Dieses ist der erste Start.\r"
    "\r"
    "Bitte geben Sie nun Ihre Benutzerdaten ein,                \r"
    "welche Sie per eMail erhalten haben.\r"
    "\r"
    "Alle weiteren Einstellungen erfolgen Online über unsere Webseite.   \r";
inline constexpr const char* kStep1 = "Schritt 1 von 3";
inline constexpr const char* kQuestion1 =
    "Geben Sie Ihre Kundennummer ein.\rDiese wurde Ihnen per eMail zugesand.";
inline constexpr const char* kStep2 = "Schritt 2 von 3";
inline constexpr const char* kQuestion2 =
    "Geben Sie Ihr Passwort ein.\rDiese wurde Ihnen per eMail zugesand.";
inline constexpr const char* kStep3 = "Schritt 3 von 3";
inline constexpr const char* kQuestion3 =
    "Wählen Sie aus, wie Ihre Verbindung ins Internet \rhergestellt wird.";
inline constexpr const char* kChoiceDirect = "1) Direkt per Modem/ISDN";
inline constexpr const char* kChoiceIndirect = "2) Indirekt über einen Router/Proxyserver/LAN";
inline constexpr const char* kDone =
    "Herzlichen Glückwunsch.\r"
    "\r"
    "Ihre EIngaben wurden gespeichert.\r"
    "Sie können diese jederzeit ändern. Klicken Sie dazu mit der rechten \r"
    "Maustaste auf den Monitor in Ihrer Leiste (neben der Uhr)\r"
    "Unter dem Menüpunkt -Setup- können diese geändert werden.\r";
inline constexpr const char* kCancelled = "Der Setupassistent wird nun beendet.";

}  // namespace tavik::wizardText
