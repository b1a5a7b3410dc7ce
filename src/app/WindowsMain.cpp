#include "app/CommandLineOptions.h"
#include "app/HeadlessApp.h"
#include "platform/headless/ConsoleText.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"

namespace {

constexpr const char* kEnvironmentHelp = "Umgebung: TAVIK_SERVICE_HOST, TAVIK_UPDATE_HOST, TAVIK_HOSTS_FILE.\n";

}  // namespace

// The Windows program runs headless with its console front end; the Win32
// desktop front end is not built yet.
int main(int argc, char** argv) {
    tavik::useConsoleTextForStandardStreams();
    {
        tavik::Win32Clock clock;
        const tavik::CommandLinePlatform platform{[] { return std::make_unique<tavik::Win32Registry>(); }, clock,
                                                  kEnvironmentHelp};
        if (auto code = tavik::runCommandLineOption(tavik::Win32Environment::arguments(), platform)) return *code;
    }
    return tavik::runHeadless(argc, argv);
}
