// A child for the updater's process tests: claims its profile (its command
// line, or "Tavik6" without one) as the program does, writes the profile it
// got into the file named by TAVIK_HOLDER_FILE, keeps running for
// TAVIK_HOLDER_MS milliseconds and ends with the exit code TAVIK_HOLDER_EXIT.
// A profile already claimed ends it with 2 at once, as the program would.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/Win32Environment.h"
#include "platform/win32/WideText.h"

int main() {
    using tavik::Win32Environment;
    Win32Environment environment;
    const std::string profile = environment.commandLine().empty() ? "Tavik6" : environment.commandLine();
    if (environment.claimProfile(profile) != tavik::ProfileClaim::Claimed) return 2;

    const std::string target = Win32Environment::variable(L"TAVIK_HOLDER_FILE");
    if (!target.empty()) {
        const std::wstring file = tavik::toWide(target);
        std::ofstream(std::filesystem::path(file + L".part"), std::ios::binary) << profile;
        // Renamed when complete, so the test never reads half of it.
        MoveFileExW((file + L".part").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    Sleep(static_cast<DWORD>(std::stoul("0" + Win32Environment::variable(L"TAVIK_HOLDER_MS"))));
    return std::stoi("0" + Win32Environment::variable(L"TAVIK_HOLDER_EXIT"));
}
