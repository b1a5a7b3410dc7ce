#pragma once
#include <filesystem>
#include <optional>

namespace tavik {

// File name of the desktop front end in the program folder, and its entry.
inline constexpr const char* kDesktopModuleFile = "libtavik6-desktop.so";
inline constexpr const char* kDesktopEntry = "tavik_desktop_main";

// True when a display is named (DISPLAY or WAYLAND_DISPLAY) and TAVIK_HEADLESS is not "1".
bool desktopWanted();

// Loads the desktop front end from `programFolder` and hands it the process;
// returns its exit code. When the display cannot be reached or the module not
// loaded, says so on standard error and returns nothing: the caller goes on headless.
std::optional<int> runDesktopModule(const std::filesystem::path& programFolder, int argc, char** argv);

}  // namespace tavik
