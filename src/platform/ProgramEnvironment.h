#pragma once
#include <filesystem>
#include <string>

#include "platform/ConsoleOutput.h"
#include "platform/JournalPriority.h"

namespace tavik {

// Whether this process may run a profile.
enum class ProfileClaim {
    Claimed,    // the profile is this process's until it ends
    InUse,      // another running process holds the profile
    Unchecked,  // it cannot be found out (no place for the mark); the program runs all the same
};

// Who looks after the program file, and so whether the program may replace it.
enum class ProgramInstall {
    SelfManaged,     // the user's own folder (or a build folder): updates and restarts go through the updater
    PackageManaged,  // the package manager put it there and alone replaces it
    NotWritable,     // a folder this user cannot change, e.g. installed by the administrator
};

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

    // The folder of the log file, and the one that holds the "Updates" folder:
    // the program folder, unless the program may not write there.
    virtual std::filesystem::path logFolder() const { return programFolder(); }
    virtual std::filesystem::path updatesParent() const { return programFolder(); }
    virtual ProgramInstall install() const { return ProgramInstall::SelfManaged; }
    // Starts the running program afresh, with its command line, in place of
    // this process; returns only when that was impossible. A restart that
    // replaces no file, for installs the program may not change.
    virtual bool restartInPlace() { return false; }

    // Claims the profile for this process, so that one profile runs once: two
    // clients of one profile would remove each other's hosts line. The claim
    // ends with the process however it ends, a crash included.
    virtual ProfileClaim claimProfile(const std::string& /*profile*/) { return ProfileClaim::Unchecked; }
    // One line on the program's standard error, for whoever watches it
    // (terminal, journal), also when a desktop shows the same text.
    virtual void reportError(const std::string& text, Severity = Severity::Error) const {
        writeConsole(stderr, "Tavik6: " + text + "\n");
    }
};

}  // namespace tavik
