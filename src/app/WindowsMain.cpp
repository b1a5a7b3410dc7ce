#include "app/CommandLineOptions.h"
#include "app/HeadlessApp.h"
#include "app/WindowsApp.h"
#include "platform/headless/ConsoleText.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"

namespace {

constexpr const char* kEnvironmentHelp = "Umgebung: TAVIK_SERVICE_HOST, TAVIK_UPDATE_HOST, TAVIK_HOSTS_FILE, TAVIK_HEADLESS.\n";

}  // namespace

// The Windows program shows its icon in the notification area; with
// TAVIK_HEADLESS=1 it runs with its console front end only.
int main(int argc, char** argv) {
    tavik::useConsoleTextForStandardStreams();
    {
        tavik::Win32Clock clock;
        const tavik::CommandLinePlatform platform{[] { return std::make_unique<tavik::Win32Registry>(); }, clock,
                                                  kEnvironmentHelp};
        if (auto code = tavik::runCommandLineOption(tavik::Win32Environment::arguments(), platform)) return *code;
    }
    if (tavik::Win32Environment::variable(L"TAVIK_HEADLESS") == "1") return tavik::runHeadless(argc, argv);
    return tavik::runWindowsDesktop();
}
