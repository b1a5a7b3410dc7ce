#pragma once
#include <filesystem>
#include <functional>
#include <string>

#include "state/TavikGlobal.h"
#include "platform/Dialogs.h"
#include "platform/Processes.h"
#include "platform/ProgramEnvironment.h"
#include "settings/RwModul.h"

namespace tavik {

// The service tool beside this program in the program folder.
constexpr const char* kServiceToolName = "AppToService";
// Title of the message shown when a companion program is missing.
constexpr const char* kProgramMissingTitle = "Programm nicht gefunden.";

// Turns every backslash into a forward slash, in the argument too, and
// returns the result.
std::string ChangeSlash(std::string& text);

// The message telling the user which companion program is missing and where
// it belongs (`program` is its base name).
std::string missingProgramMessage(const std::string& program, const std::filesystem::path& folder);

// Registers this program as a service through the service tool, and removes
// it again: the logic behind the settings window's "ntdienst" check box.
class ServiceRegistration {
public:
    ServiceRegistration(TavikGlobal& g, RwModul& rw, Dialogs& dialogs, Processes& processes,
                        const ProgramEnvironment& environment);

    // The check box changed to `on`. Does nothing while the settings window
    // is still loading. Returns false when the tool is missing and the box
    // has to go back off; `enableDownloadLink` has run by then.
    bool ntdienst_Click(bool on, bool loading, const std::function<void()>& enableDownloadLink);

    // The tool is there when its file (any spelling) opens for reading.
    bool toolPresent() const;
    std::string removeCommandLine() const;
    std::string installCommandLine() const;

private:
    // The service tool's file in the program folder, in the spelling found there.
    std::filesystem::path toolFile() const;
    // That file as the command lines name it.
    std::string toolPath() const;

    TavikGlobal& g_;
    RwModul& rw_;
    Dialogs& dialogs_;
    Processes& processes_;
    const ProgramEnvironment& environment_;
};

}  // namespace tavik
