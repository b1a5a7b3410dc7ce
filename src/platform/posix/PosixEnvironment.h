#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProgramEnvironment.h"
#include "platform/posix/ProfileLock.h"

namespace tavik {

// Where the program keeps what changes while it runs.
struct VariableDataPlaces {
    ProgramInstall install = ProgramInstall::SelfManaged;
    std::filesystem::path logFolder;
    std::filesystem::path updatesParent;
};

// The running process: its folder, its arguments and the TAVIK_* settings.
class PosixEnvironment : public ProgramEnvironment {
public:
    PosixEnvironment(int argc, char** argv);

    std::filesystem::path programFolder() const override { return programFile_.parent_path(); }
    // The arguments after the program's own name, joined.
    std::string commandLine() const override;
    std::string serviceHost() const override;
    std::string updateHost() const override;
    std::filesystem::path hostsFile() const override;
    std::filesystem::path logFolder() const override { return places().logFolder; }
    std::filesystem::path updatesParent() const override { return places().updatesParent; }
    ProgramInstall install() const override { return places().install; }
    // Executes the program file anew with this process's arguments.
    bool restartInPlace() override;
    // The lock lies beside the settings store the program uses.
    ProfileClaim claimProfile(const std::string& profile) override;
    // With the journal's priority in front when standard error is the journal.
    void reportError(const std::string& text, Severity severity) const override;

    // Where the log and the updates go for the program file `programFile`,
    // run by root or not, with `variable` reading the environment:
    // - a program in a folder this user may write that no package owns (a
    //   build folder, a user's own install): beside the program;
    // - otherwise, under a service manager: the folders it names in
    //   LOGS_DIRECTORY and STATE_DIRECTORY;
    // - otherwise root: /var/log/tavik6 and /var/lib/tavik6;
    // - otherwise the user's XDG state folder (log) and cache folder (updates),
    //   each with "tavik6" below it.
    using Variable = std::function<const char*(const char*)>;
    static VariableDataPlaces choosePlaces(const std::filesystem::path& programFile, const Variable& variable,
                                           bool root);
    // True when the dpkg database of the root the program lies in lists the
    // program file as a file of the package.
    static bool packageManaged(const std::filesystem::path& programFile);

private:
    // Chosen when first asked for: finding out whether a package owns the
    // program reads dpkg's file list, which a process that only wants its
    // folder does not need.
    const VariableDataPlaces& places() const;

    std::filesystem::path programFile_;
    std::vector<std::string> arguments_;
    mutable std::optional<VariableDataPlaces> places_;
    ProfileLock profileLock_;
};

}  // namespace tavik
