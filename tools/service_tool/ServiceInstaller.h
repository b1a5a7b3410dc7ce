#pragma once
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "ServiceCommand.h"
#include "ServiceUnit.h"

namespace tavik::servicetool {

// Runs an outside command (systemctl) to its end; true when it succeeded.
class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual bool run(const std::vector<std::string>& argv) = 0;
};

struct InstallerSetup {
    std::filesystem::path unitFolder;
    UnitScope scope = UnitScope::System;
    // Null when the unit folder was chosen by hand: then only files change
    // and the service manager is left alone.
    CommandRunner* systemctl = nullptr;
    EnvironmentList environment;  // passed on to the program
};

// Writes and removes the unit and tells the service manager. Results are exit
// statuses: 0 done, 1 failed (the messages say why).
class ServiceInstaller {
public:
    ServiceInstaller(InstallerSetup setup, std::ostream& out, std::ostream& err);

    int install(const ServiceCommand& command);
    int remove(const ServiceCommand& command);

    std::filesystem::path unitFile(const std::string& serviceName) const;

private:
    bool systemctl(const std::vector<std::string>& arguments);

    InstallerSetup setup_;
    std::ostream& out_;
    std::ostream& err_;
};

// Writes `text` to `file` through a synced temporary file renamed over it,
// so a unit is never seen half-written.
bool writeFileAtomically(const std::filesystem::path& file, const std::string& text, std::string& error);

}  // namespace tavik::servicetool
