#include "app/CommandLineOptions.h"
#include "app/DesktopModule.h"
#include "app/HeadlessApp.h"
#include "platform/posix/PosixEnvironment.h"

#include <sqlite3.h>

int main(int argc, char** argv) {
    // SQLite sets aside twenty pages of page cache for each connection up
    // front; the settings store is a few pages, so they come as needed. Must
    // precede the first connection.
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);

    if (auto code = tavik::runCommandLineOption(argc, argv)) return *code;
    // With a desktop the tray front end takes over; without one, or when it
    // cannot start, the program runs headless.
    if (tavik::desktopWanted()) {
        const auto folder = tavik::PosixEnvironment(argc, argv).programFolder();
        if (auto code = tavik::runDesktopModule(folder, argc, argv)) return *code;
    }
    return tavik::runHeadless(argc, argv);
}
