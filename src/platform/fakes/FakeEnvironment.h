#pragma once
#include <vector>

#include "platform/ProgramEnvironment.h"
#include "platform/fakes/FakeProcesses.h"

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
    // Lines written to standard error, and how serious each was.
    mutable std::vector<std::string> errors;
    mutable std::vector<Severity> severities;
    void reportError(const std::string& text, Severity severity = Severity::Error) const override {
        errors.push_back(text);
        severities.push_back(severity);
    }

    // Where variable data goes and who looks after the program file.
    std::filesystem::path logs;     // empty: the program folder
    std::filesystem::path updates;  // empty: the program folder
    ProgramInstall installKind = ProgramInstall::SelfManaged;
    std::filesystem::path logFolder() const override { return logs.empty() ? folder : logs; }
    std::filesystem::path updatesParent() const override { return updates.empty() ? folder : updates; }
    ProgramInstall install() const override { return installKind; }
    // How often a restart in place was asked for. A working one ends this
    // process as FakeProcesses::exitNow does; else it fails.
    int restarts = 0;
    bool restartWorks = true;
    bool restartInPlace() override {
        ++restarts;
        if (restartWorks) throw ProgramEnded{0};
        return false;
    }
};

}  // namespace tavik
