#pragma once
#include <filesystem>
#include <string>

namespace tavik {

// The separate updater program beside this one in the program folder.
constexpr const char* kUpdaterName = "Velmora4";

// The entry of `folder` whose name equals `name` ignoring case (an exact
// spelling wins); folder/name when there is none.
std::filesystem::path findInFolder(const std::filesystem::path& folder, const std::string& name);

// The updater is there when its file can be opened for reading.
bool updaterPresent(const std::filesystem::path& folder);

// Command lines the updater understands: install `fileName` from the updates
// folder and start the given profile; or restart this program with its
// profile (any other profile than the default would otherwise come back as
// the default one).
std::string updateCommandLine(const std::filesystem::path& folder, const std::string& fileName,
                              const std::string& profil);
std::string restartCommandLine(const std::filesystem::path& folder, const std::string& profil);

// The updates folder, spelled "Updates" in any case; folder/"Updates" when
// none exists yet.
std::filesystem::path updatesFolder(const std::filesystem::path& folder);

}  // namespace tavik
