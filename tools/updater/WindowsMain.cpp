// Velmora4.exe: the updater beside Tavik6.exe in the program folder.
//
//   Velmora4.exe [--wait-seconds N] [--confirm-seconds N] FILE[,PROFILE]
//
// The same steps as on Linux: waits until Tavik6.exe for PROFILE has ended
// (its profile's named mutex is gone), puts FILE from the Updates folder in
// place of Tavik6.exe (the previous program stays as Tavik6.bak), starts it
// with PROFILE and checks that it keeps running, else puts Tavik6.bak back
// and starts that. Each step goes to standard error and into the program's
// log logTavik.TXT: started by a program without a console, nobody would
// see standard error. Exit status 0 when a program runs again, 1 when none
// could be started, 2 for a command line it does not understand.

#include <windows.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>

#include "Updater.h"
#include "UpdaterCommand.h"
#include "Win32ProgramControl.h"
#include "log/SaveLog.h"
#include "platform/headless/ConsoleText.h"
#include "platform/win32/CngSignatureCheck.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/WideText.h"
#include "update/UpdateSignature.h"
#include "update/UpdaterProgram.h"

namespace {

constexpr const char* kUsage = "Aufruf: Velmora4.exe [--wait-seconds N] [--confirm-seconds N] Datei[,Profil]\n";

// Hands every finished line to standard error and to the log.
class LogLines : public std::stringbuf {
public:
    explicit LogLines(tavik::Log& log) : log_(log) {}
    ~LogLines() override { sync(); }

protected:
    int sync() override {
        std::string pending = str();
        std::size_t end = 0;
        for (std::size_t next; (next = pending.find('\n', end)) != std::string::npos; end = next + 1) {
            const std::string line = pending.substr(end, next - end);
            std::cerr << line << std::endl;
            log_.SaveLog(line);
        }
        str(pending.substr(end));
        return 0;
    }

private:
    tavik::Log& log_;
};

}  // namespace

int main() {
    tavik::useConsoleTextForStandardStreams();
    using namespace tavik::updater;
    const tavik::Win32Environment environment;
    const std::filesystem::path folder = environment.programFolder();
    tavik::Win32Clock clock;
    tavik::Log log(folder, clock);
    LogLines lines(log);
    std::ostream out(&lines);

    try {
        std::string error;
        const auto arguments = parseArguments(
            tavik::Win32Environment::arguments(),
            [&](const std::string& name) {
                std::error_code ec;
                return std::filesystem::is_regular_file(tavik::updatesFolder(folder) / tavik::toWide(name), ec);
            },
            error);
        if (!arguments) {
            out << tavik::kUpdaterName << ": " << error << std::endl;
            std::cerr << kUsage;
            return 2;
        }
        Win32ProgramControl control;
        tavik::CngSignatureCheck signatures(tavik::builtInUpdateKey());
        Updater updater(folder, control, signatures, out, arguments->options);
        return updater.run(arguments->command) == Outcome::Failed ? 1 : 0;
    } catch (const std::exception& e) {
        out << tavik::kUpdaterName << ": Abbruch wegen eines unerwarteten Fehlers: " << e.what() << std::endl;
        return 1;
    }
}
