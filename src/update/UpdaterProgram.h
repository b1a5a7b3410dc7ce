#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace tavik {

// The separate updater program beside this one in the program folder.
constexpr const char* kUpdaterName = "Velmora4";

// The entry of `folder` whose name equals `name` ignoring case (an exact
// spelling wins); folder/name when there is none.
std::filesystem::path findInFolder(const std::filesystem::path& folder, const std::string& name);

// The updater is there when its file can be opened for reading.
bool updaterPresent(const std::filesystem::path& folder);

// How the updater is started: its file and its arguments, each of which
// reaches it as one argument, exactly as given.
struct UpdaterStart {
    std::filesystem::path program;
    std::vector<std::string> arguments;
};

// Install `fileName` from the updates folder and start the given profile: one
// argument "file,profile", so that neither a blank in the profile nor anything
// in the file name can turn into a second argument or an option of the updater.
UpdaterStart updateCommand(const std::filesystem::path& folder, const std::string& fileName,
                           const std::string& profil);
// Restart this program with its profile (any other profile than the default
// would otherwise come back as the default one).
UpdaterStart restartCommand(const std::filesystem::path& folder, const std::string& profil);

// The updates folder, spelled "Updates" in any case; folder/"Updates" when
// none exists yet.
std::filesystem::path updatesFolder(const std::filesystem::path& folder);

}  // namespace tavik
