#pragma once
#include <string>
#include <string_view>

#include "text/TextCase.h"

namespace tavik {

// Every value name the program reads or writes, in one place. Callers copy
// one into a std::string when they need the in-out argument of RegRead.
namespace valueName {
// Section: the profile (Profil).
inline constexpr const char* User = "User";                // customer number, lower case
inline constexpr const char* Passwort = "Passwort";        // password, lower case
inline constexpr const char* Proxyserver = "Proxyserver";  // "0" direct, "1" indirect
inline constexpr const char* AutoUpdate = "AutoUpdate";    // "1" install updates automatically
inline constexpr const char* ntdienst = "ntdienst";        // "1" registered as a service
inline constexpr const char* Restart = "Restart";          // "1" restart after a long offline time
inline constexpr const char* Install = "Install";          // date the setup wizard was completed
// Section: kSoftwareSection.
inline constexpr const char* IUpdate = "IUpdate";          // "dd.mm.yyyy" of the last update attempt
// Section: the customer section.
inline constexpr const char* ServerName = "ServerName";    // server name last put into the hosts file
inline constexpr const char* ServerIP = "ServerIP";        // its address
inline constexpr const char* Datum = "Datum";              // "dd.mm.yyyy - hh:mm:ss" of the last set
inline constexpr const char* Status = "(Status)";          // last status field as received
}  // namespace valueName

// The section holding the date of the last update check.
inline constexpr const char* kSoftwareSection = "Software";

// The per-customer section below the profile: Profil\VPN\<customer number in lower case>.
inline std::string customerSection(std::string_view profil, std::string_view user) {
    return std::string(profil) + "\\VPN\\" + toLowerText(user);
}

}  // namespace tavik
