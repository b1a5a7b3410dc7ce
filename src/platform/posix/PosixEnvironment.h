#pragma once
#include <string>
#include <vector>

#include "platform/ProgramEnvironment.h"
#include "platform/posix/ProfileLock.h"

namespace tavik {

// The running process: its folder, its arguments and the TAVIK_* settings.
class PosixEnvironment : public ProgramEnvironment {
public:
    PosixEnvironment(int argc, char** argv);

    std::filesystem::path programFolder() const override { return folder_; }
    std::string commandLine() const override { return commandLine_; }
    std::string serviceHost() const override;
    std::string updateHost() const override;
    std::filesystem::path hostsFile() const override;
    // The lock lies beside the settings store the program uses.
    ProfileClaim claimProfile(const std::string& profile) override;

    // The argument words joined by one blank.
    static std::string joinArguments(const std::vector<std::string>& words);

private:
    std::filesystem::path folder_;
    std::string commandLine_;
    ProfileLock profileLock_;
};

}  // namespace tavik
