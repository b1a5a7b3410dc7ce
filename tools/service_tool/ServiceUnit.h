#pragma once
#include <string>
#include <utility>
#include <vector>

#include "ServiceCommand.h"

namespace tavik::servicetool {

// A system unit starts at boot for everyone; a user unit runs in the user's
// own service manager.
enum class UnitScope { System, User };

using EnvironmentList = std::vector<std::pair<std::string, std::string>>;

// "Tavik6" → "tavik6.service".
std::string unitFileName(const std::string& serviceName);

// One word of an ExecStart= line: in double quotes, with "\", "\"", "%" and
// "$" escaped so that systemd hands it over unchanged.
std::string quoteExecWord(const std::string& word);

// One Environment= assignment, quoted the same way ("$" is not special there).
std::string quoteAssignment(const std::string& name, const std::string& value);

// The unit that starts the program headless with its arguments as one word,
// restarts it when it fails, and keeps the service up while the updater and
// the program it starts again run on after the first process has ended.
// `environment` is passed on to the program.
std::string unitText(const ServiceCommand& command, UnitScope scope, const EnvironmentList& environment);

}  // namespace tavik::servicetool
