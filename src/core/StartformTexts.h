#pragma once
#include <string>

#include "state/InstallTexts.h"

namespace tavik::startformText {

// What start-up, the cycle and the exit say when they cannot do their job.

inline std::string profileInUse(const std::string& profile) {
    return "Das Profil „" + profile + "“ läuft bereits in einem anderen Tavik6-Programm.\r"
           "Ein zweiter Start desselben Profils würde dessen Eintrag in der Hosts-Datei entfernen; "
           "dieser Start wird daher beendet.";
}

inline std::string profileUnchecked(const std::string& profile) {
    return "Ob das Profil „" + profile + "“ schon in einem anderen Tavik6-Programm läuft, lässt sich nicht "
           "prüfen (keine Sperrdatei beim Einstellungsspeicher möglich). Das Programm startet trotzdem.";
}

inline constexpr const char* kStoreUnreadable =
    "Die Einstellungen können nicht gelesen werden: Der Einstellungsspeicher ist gesperrt oder nicht "
    "erreichbar. Tavik6 versucht es alle 30 Sekunden erneut und fragt bis dahin nicht beim Server an.";

inline constexpr const char* kStoreReadableAgain =
    "Die Einstellungen sind wieder lesbar; Tavik6 arbeitet weiter.";

inline std::string noCredentials(const std::string& profile) {
    return "Für das Profil „" + profile + "“ fehlen Kundennummer oder Passwort. Tavik6 fragt nicht beim "
           "Server an, bis beide eingetragen sind (Menü „Setup“).";
}

inline std::string notSetUp(const std::string& profile) {
    return "Das Profil „" + profile + "“ ist nicht eingerichtet, und ohne Terminal kann der Setupassistent "
           "nicht fragen. Richten Sie es einmal auf einem Terminal ein: Tavik6 --setup " + profile;
}

inline std::string logNotWritable(const std::string& file) {
    return "Das Log " + file + " kann nicht geschrieben werden (der Ordner ist nicht beschreibbar); "
           "Tavik6 läuft ohne Log weiter.";
}

// Why an update the server offers is only shown, in an install the program
// may not change itself.
inline std::string updateOnlyShown(const std::string& fileName, ProgramInstall install, const std::string& folder) {
    return "Ein neues Update (" + fileName + ") ist verfügbar, wird aber nicht automatisch installiert: " +
           installText::whyNoAutomaticUpdate(install, folder);
}

// The restart after a long time offline, where the program may not be replaced.
inline constexpr const char* kRestartInPlace =
    "Tavik6 startet neu, ohne eine Programmdatei zu ersetzen (die Installation verwaltet Tavik6 nicht selbst).";

inline std::string unusableHost(const std::string& host) {
    return "Der Server des Dienstes ist als „" + host + "“ angegeben (TAVIK_SERVICE_HOST); das ist kein "
           "Rechnername und kein Rechnername:Port. Tavik6 kann ihn so nicht fragen.";
}

inline std::string serverUnreachable(const std::string& host) {
    return "Der Server des Dienstes (" + host + ") ist nicht erreichbar; der Eintrag in der Hosts-Datei "
           "bleibt, wie er ist. Tavik6 versucht es alle 30 Sekunden erneut.";
}

inline std::string serverReachableAgain(const std::string& host) {
    return "Der Server des Dienstes (" + host + ") ist wieder erreichbar.";
}

}  // namespace tavik::startformText
