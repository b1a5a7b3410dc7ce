#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace tavik {

// Fixed texts of this release.
inline constexpr const char* kProductName = "Tavik6";   // program file base name and default profile
inline constexpr const char* kProgramTitle = "Tavik6";  // title of the program's message boxes
inline constexpr const char* kReleaseDate = "14. April 2005";
inline constexpr int kMajorVersion = 6;
inline constexpr int kRevision = 10;
inline constexpr std::size_t kMeldungCount = 501;

// The process-wide values. The app creates one and hands it to whoever needs
// it; nothing else keeps state that outlives a handler.
struct TavikGlobal {
    std::string Profil;        // profile name: the command line or "Tavik6"
    std::string ProgVersion;   // "6.10"
    std::string User;          // customer number (lower case as stored)
    std::string Passwort;      // password
    std::string Proxyserver;   // "1" indirect connection, anything else direct
    std::string AutoUpdate;    // "1" when updates install automatically
    std::string HostsDatei;    // path of the hosts file, empty when unreadable
    std::string ServerName;    // server name last written into the hosts file
    std::string Kundenklasse;  // account class of the last accepted reply
    std::string InetFehler;    // error text of the last transfer
    std::string BrowserPfad;   // default web browser
    std::string UpdatePfad;    // program folder + "Updates"
    std::string DialogAntwort; // answer of the wizard's question window
    std::int32_t AntwortCode = 0;
    std::int32_t OfflineCount = 0;
    std::array<std::string, kMeldungCount> Meldung{};  // message texts by number
};

}  // namespace tavik
