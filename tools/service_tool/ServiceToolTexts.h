#pragma once

// What AppToService tells its user, in one place.
namespace tavik::servicetool::texts {

inline constexpr const char* kUsage =
    "Aufruf:\n"
    "  AppToService /Install /Startup:A \"<Programmordner>/\" <Programm> [/Arguments:\"<Argumente>\"]\n"
    "  AppToService /Remove \"<Dienst>\"\n"
    "Die Unit-Datei liegt in /etc/systemd/system (als root) oder ~/.config/systemd/user;\n"
    "TAVIK_UNIT_DIR wählt einen anderen Ordner, dann bleibt systemctl unberührt.\n";
inline constexpr const char* kNotUnderstood = "AppToService: Befehlszeile nicht verstanden: ";
inline constexpr const char* kProgramMissing = "AppToService: Programm nicht gefunden oder nicht ausführbar: ";
inline constexpr const char* kUnitNotWritten = "AppToService: Unit-Datei nicht geschrieben: ";
inline constexpr const char* kUnitNotRemoved = "AppToService: Unit-Datei nicht entfernt: ";
inline constexpr const char* kCommandFailed = "AppToService: fehlgeschlagen: ";
inline constexpr const char* kInstalled = "AppToService: Dienst eingetragen: ";
inline constexpr const char* kStartsAtBoot = ", startet beim Hochfahren.";
inline constexpr const char* kStartsByHand = ", startet nur von Hand.";
inline constexpr const char* kUserUnitHint =
    "AppToService: Hinweis: ein Benutzerdienst startet schon vor der Anmeldung erst nach "
    "\"loginctl enable-linger\" für diesen Benutzer.";
inline constexpr const char* kRemoved = "AppToService: Dienst entfernt: ";
inline constexpr const char* kNotInstalled = "AppToService: Dienst war nicht eingetragen: ";
inline constexpr const char* kVariableSkipped = "AppToService: Steuerzeichen im Wert, nicht übernommen: ";

}  // namespace tavik::servicetool::texts
