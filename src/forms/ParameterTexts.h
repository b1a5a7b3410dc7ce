#pragma once
#include <string>

#include "state/InstallTexts.h"

namespace tavik::parameterText {

// Captions and tool tips of the settings window; the help window shows the
// same controls.
inline constexpr const char* Caption = "Userdaten";
inline constexpr const char* Kundennummer = "Kundennummer";
inline constexpr const char* Passwort = "Passwort";
inline constexpr const char* Optionen = "Optionen";
inline constexpr const char* proxyserver = "Verbindung erfolgt über Proxyserver";
inline constexpr const char* proxyserverTip = "Ihre Internetverbindung läuft über einen Proxyserver";
inline constexpr const char* AutoUpdate = "Automatisches Update";
inline constexpr const char* AutoUpdateTip = "Beim Erscheinen eines neuen Updates wird dieses automatisch geladen";
inline constexpr const char* ntdienst = "Dieses Programm als NT-Dienst starten";
inline constexpr const char* ntdienstTip = "Das Programm wird als Dienst gestartet";
inline constexpr const char* Restart = "Nach 5-Min. Offline PRG neu Starten";
inline constexpr const char* RestartTip = "Das Programm wird nach 5 Minuten Offline neu gestartet. ";
inline constexpr const char* SetUP_Button = "Setup";
inline constexpr const char* Command2 = "Hilfe";
inline constexpr const char* info_button = "Info";
inline constexpr const char* quit_button = "Quit";
inline constexpr const char* Image1Tip = "Vorhandene Updates";
inline constexpr const char* AppToServiceDownloadTip = "Download AppToService";

// Why "Automatisches Update" is unavailable where the program may not replace
// itself; the new version is then only announced (tray picture and link).
inline std::string autoUpdateUnavailable(ProgramInstall install, const std::string& folder) {
    return installText::whyNoAutomaticUpdate(install, folder) +
           " Neue Versionen zeigt Tavik6 an (Symbol und Link „Vorhandene Updates“).";
}

}  // namespace tavik::parameterText
