#pragma once
#include <vector>

#include "platform/ProgramEnvironment.h"

namespace tavik {

class FakeEnvironment : public ProgramEnvironment {
public:
    std::filesystem::path folder = "/tmp/tavik-fake";
    std::string arguments;
    std::string service = "127.0.0.1:8080";
    std::string update = "127.0.0.1:8081";
    std::filesystem::path hosts = "/tmp/tavik-fake/hosts";

    std::filesystem::path programFolder() const override { return folder; }
    std::string commandLine() const override { return arguments; }
    std::string serviceHost() const override { return service; }
    std::string updateHost() const override { return update; }
    std::filesystem::path hostsFile() const override { return hosts; }

    // What claimProfile answers, and the profiles it was asked for.
    ProfileClaim claim = ProfileClaim::Claimed;
    std::vector<std::string> claimed;
    ProfileClaim claimProfile(const std::string& profile) override {
        claimed.push_back(profile);
        return claim;
    }
    // Lines written to standard error.
    mutable std::vector<std::string> errors;
    void reportError(const std::string& text) const override { errors.push_back(text); }
};

}  // namespace tavik
