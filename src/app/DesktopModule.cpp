#include "app/DesktopModule.h"

#include <cstdlib>
#include <string>

#include "app/DisplayProbe.h"
#include "platform/posix/DynamicLibrary.h"
#include "platform/posix/JournalStream.h"

namespace tavik {
namespace {

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void sayHeadless(const std::string& reason) {
    const std::string line = "Tavik6: " + reason + " Das Programm läuft ohne Desktop weiter.\n";
    sayOnStandardError(line, Severity::Warning);
}

}  // namespace

bool desktopWanted() {
    const char* headless = std::getenv("TAVIK_HEADLESS");
    if (headless && std::string(headless) == "1") return false;
    return environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY");
}

std::optional<int> runDesktopModule(const std::filesystem::path& programFolder, int argc, char** argv) {
    const auto display = probeDisplay();
    if (!display.reachable) {
        sayHeadless("Die Anzeige (" + display.tried + ") ist nicht erreichbar.");
        return std::nullopt;
    }
    const std::string file = (programFolder / kDesktopModuleFile).string();
    std::string reason;
    void* module = openLibrary(file, reason);
    if (!module) {
        sayHeadless("Die Desktop-Oberfläche konnte nicht geladen werden (" + reason + ").");
        return std::nullopt;
    }
    int (*entry)(int, char**) = nullptr;
    if (!loadSymbol(module, kDesktopEntry, entry)) {
        sayHeadless("Die Desktop-Oberfläche " + file + " hat keinen Einstieg " + kDesktopEntry + ".");
        dlclose(module);
        return std::nullopt;
    }
    return entry(argc, argv);
}

}  // namespace tavik
