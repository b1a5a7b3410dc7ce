#include "app/CommandLineOptions.h"
#include "app/DesktopModule.h"
#include "app/HeadlessApp.h"
#include "platform/posix/PosixEnvironment.h"

int main(int argc, char** argv) {
    if (auto code = tavik::runCommandLineOption(argc, argv)) return *code;
    // With a desktop the tray front end takes over; without one, or when it
    // cannot start, the program runs headless.
    if (tavik::desktopWanted()) {
        const auto folder = tavik::PosixEnvironment(argc, argv).programFolder();
        if (auto code = tavik::runDesktopModule(folder, argc, argv)) return *code;
    }
    return tavik::runHeadless(argc, argv);
}
