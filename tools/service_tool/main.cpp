// AppToService: registers a program of this folder as a systemd service.
//
//   AppToService /Install /Startup:A "<folder>/" <program>" [/Arguments:"<arguments>"]
//   AppToService /Remove "<service>"
//
// The command lines are the ones the program builds (quotes as it writes
// them). /Install writes <service>.service (the program name in lower case)
// that starts <folder>/<program> headless with <arguments> as its one
// argument: a system unit in /etc/systemd/system when run as root, else a
// user unit in ~/.config/systemd/user; then systemctl daemon-reload and
// enable. /Remove disables, stops and removes the unit. TAVIK_UNIT_DIR names
// another unit folder; then only the file changes and systemctl is not run.
// The TAVIK_* settings of the caller's environment go into the unit.
// Exit status: 0 done, 1 failed, 2 command line not understood.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "ServiceCommand.h"
#include "ServiceInstaller.h"
#include "ServiceToolTexts.h"
#include "SpawnRunner.h"

namespace {

using namespace tavik::servicetool;

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::filesystem::path userUnitFolder() {
    if (const std::string config = environmentValue("XDG_CONFIG_HOME"); !config.empty()) {
        return std::filesystem::path(config) / "systemd" / "user";
    }
    std::string home = environmentValue("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) home = entry->pw_dir;
    }
    return std::filesystem::path(home) / ".config" / "systemd" / "user";
}

bool hasControlCharacter(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// The service runs with the settings of the program that registered it. File
// paths are made absolute: the service does not start in the caller's folder.
EnvironmentList callerSettings() {
    EnvironmentList settings;
    for (const char* name : {"TAVIK_REGISTRY", "TAVIK_HOSTS_FILE", "TAVIK_SERVICE_HOST", "TAVIK_UPDATE_HOST"}) {
        std::string value = environmentValue(name);
        if (value.empty()) continue;
        if (hasControlCharacter(value)) {
            std::cerr << texts::kVariableSkipped << name << "\n";
            continue;
        }
        if (std::string(name) == "TAVIK_REGISTRY" || std::string(name) == "TAVIK_HOSTS_FILE") {
            std::error_code ec;
            const auto absolute = std::filesystem::absolute(value, ec);
            if (!ec) value = absolute.string();
        }
        settings.emplace_back(name, value);
    }
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    const auto command = parseServiceCommand(words, error);
    if (!command) {
        std::cerr << texts::kNotUnderstood << error << "\n" << texts::kUsage;
        return 2;
    }

    SpawnRunner runner;
    InstallerSetup setup;
    setup.scope = ::geteuid() == 0 ? UnitScope::System : UnitScope::User;
    setup.environment = callerSettings();
    if (const std::string chosen = environmentValue("TAVIK_UNIT_DIR"); !chosen.empty()) {
        setup.unitFolder = chosen;
    } else {
        setup.unitFolder = setup.scope == UnitScope::System ? std::filesystem::path("/etc/systemd/system")
                                                            : userUnitFolder();
        setup.systemctl = &runner;
    }

    ServiceInstaller installer(setup, std::cout, std::cerr);
    return command->action == ServiceAction::Install ? installer.install(*command) : installer.remove(*command);
}
