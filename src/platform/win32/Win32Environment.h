#pragma once
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/ProgramEnvironment.h"

namespace tavik {

// The running process on Windows: the folder of its program file, its
// arguments as Windows hands them over (UTF-16, so any name survives), and
// the TAVIK_* settings.
class Win32Environment : public ProgramEnvironment {
public:
    Win32Environment();

    std::filesystem::path programFolder() const override { return folder_; }
    std::string commandLine() const override { return commandLine_; }
    std::string serviceHost() const override;
    std::string updateHost() const override;
    // TAVIK_HOSTS_FILE, else the hosts file under the Windows folder.
    std::filesystem::path hostsFile() const override;
    // A named mutex per profile, in the machine-wide namespace (the hosts
    // file is the machine's): Windows ends the claim with the process.
    ProfileClaim claimProfile(const std::string& profile) override;

    // The argument words after the program's name, in UTF-8, as Windows
    // splits the command line.
    static std::vector<std::string> arguments();
    // The value of an environment variable in UTF-8; empty when unset.
    static std::string variable(const wchar_t* name);

private:
    std::filesystem::path folder_;
    std::string commandLine_;
};

// The name of the machine-wide mutex that a running program holds for
// `profile`; the updater waits on it for the program to end.
std::string profileMutexName(const std::string& profile);

// The local time as the user's clock shows it.
class Win32Clock : public Clock {
public:
    LocalDateTime now() const override;
    void sleepFor(std::chrono::milliseconds duration) override;
};

}  // namespace tavik
