#pragma once
#include <filesystem>
#include <string>

#include "platform/PlatformFacts.h"
#include "platform/PrivilegedHostsEdit.h"

namespace tavik {

// Runs tavik6-hosts-helper from the program folder through polkit's pkexec
// and waits for it. The polkit action allows it without a password in the
// active local session and asks for an administrator's otherwise.
class PkexecHostsEdit : public PrivilegedHostsEdit {
public:
    PkexecHostsEdit(std::filesystem::path programFolder, std::filesystem::path systemHostsFile = kSystemHostsFile,
                    std::filesystem::path pkexec = "/usr/bin/pkexec");

    bool needed(const std::filesystem::path& hostsFile) override;
    Outcome edit(const std::string& serverIp, const std::string& serverName) override;

private:
    std::filesystem::path helper_;
    std::filesystem::path systemHostsFile_;
    std::filesystem::path pkexec_;
};

}  // namespace tavik
