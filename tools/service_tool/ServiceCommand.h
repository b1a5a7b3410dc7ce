#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavik::servicetool {

enum class ServiceAction { Install, Remove };

// "/Startup:A" automatic start at boot; "M" manual and "D" disabled both
// leave the service to be started by hand.
enum class StartupMode { Automatic, Manual, Disabled };

struct ServiceCommand {
    ServiceAction action = ServiceAction::Install;
    std::string serviceName;                // the program's name ("Tavik6"), or the one /Remove names
    StartupMode startup = StartupMode::Automatic;
    std::filesystem::path program;          // the program file (install only)
    std::string arguments;                  // the /Arguments: text, given to the program as one argument
};

// Service names become unit file names: letters, digits, "_", "-", "." and ":" only.
bool validServiceName(const std::string& name);

// Reads the command lines the program builds:
//   /Install /Startup:A "<folder>/" <program>" [/Arguments:"<arguments>"]
//   /Remove "<service>"
// They reach us split at blanks, with the double quotes acting as toggles
// (and the one after <program> left unmatched), so the words are joined again
// with one blank and every double quote is dropped. The folder ends at its
// last "/", and may hold blanks. Without a result, `error` says what was wrong.
std::optional<ServiceCommand> parseServiceCommand(const std::vector<std::string>& words, std::string& error);

}  // namespace tavik::servicetool
