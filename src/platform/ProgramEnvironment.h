#pragma once
#include <filesystem>
#include <string>

namespace tavik {

// Where the program lives and how it was started, plus the configured hosts.
class ProgramEnvironment {
public:
    virtual ~ProgramEnvironment() = default;
    // The folder of the running program file.
    virtual std::filesystem::path programFolder() const = 0;
    // The program's argument words joined by one blank (empty when none).
    virtual std::string commandLine() const = 0;
    // host[:port] of the service's web server and of the update web server.
    virtual std::string serviceHost() const = 0;
    virtual std::string updateHost() const = 0;
    // The hosts file this machine resolves names from.
    virtual std::filesystem::path hostsFile() const = 0;
};

}  // namespace tavik
