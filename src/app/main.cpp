#include "app/CommandLineOptions.h"
#include "app/DesktopModule.h"
#include "app/HeadlessApp.h"
#include "platform/posix/JournalStream.h"
#include "platform/posix/PosixEnvironment.h"
#include "platform/posix/SqliteRegistry.h"
#include "platform/posix/SystemClock.h"

namespace {

constexpr const char* kEnvironmentHelp =
    "Umgebung: TAVIK_SERVICE_HOST, TAVIK_UPDATE_HOST, TAVIK_HOSTS_FILE, TAVIK_REGISTRY,\n"
    "TAVIK_HEADLESS (siehe man Tavik6).\n";

}  // namespace

int main(int argc, char** argv) {
    {
        tavik::SystemClock clock;
        const tavik::CommandLinePlatform platform{
            [] { return std::make_unique<tavik::SqliteRegistry>(tavik::SqliteRegistry::defaultPath()); }, clock,
            kEnvironmentHelp, tavik::standardErrorIsJournal()};
        const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
        if (auto code = tavik::runCommandLineOption(words, platform)) return *code;
    }
    // With a desktop the tray front end takes over; without one, or when it
    // cannot start, the program runs headless.
    if (tavik::desktopWanted()) {
        const auto folder = tavik::PosixEnvironment(argc, argv).programFolder();
        if (auto code = tavik::runDesktopModule(folder, argc, argv)) return *code;
    }
    return tavik::runHeadless(argc, argv);
}
