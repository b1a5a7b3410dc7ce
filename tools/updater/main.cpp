// Velmora4: the updater beside Tavik6 in the program folder.
//
//   Velmora4 [--wait-seconds N] [--confirm-seconds N] FILE[,PROFILE]
//
// Waits until Tavik6 (for PROFILE) has ended, puts FILE from the Updates folder
// in place of Tavik6 (the previous program stays as Tavik6.bak), starts Tavik6
// with PROFILE as its command line and checks that it still runs N seconds
// later (5 by default); when it does not, puts Tavik6.bak back and starts that.
// "Velmora4 Tavik6" is the restart: the file is a copy of the program itself.
// Any other file is put in place only when FILE.sig beside it in the Updates
// folder is its signature by the key built into this program.
// Logs each step to standard error. Exit status 0 when a program runs again,
// 1 when none could be started, 2 for a command line it does not understand.

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "PosixProgramControl.h"
#include "platform/crypto/EcdsaP256.h"
#include "Updater.h"
#include "UpdaterCommand.h"
#include "update/UpdateSignature.h"
#include "update/UpdaterProgram.h"

namespace {

constexpr const char* kUsage = "Aufruf: Velmora4 [--wait-seconds N] [--confirm-seconds N] Datei[,Profil]\n";

std::filesystem::path ownFolder(const char* argv0) {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) self = std::filesystem::absolute(argv0 ? argv0 : ".", error);
    return self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tavik::updater;
    // A closed standard error must not end the updater half-way.
    std::signal(SIGPIPE, SIG_IGN);

    const std::filesystem::path folder = ownFolder(argc > 0 ? argv[0] : nullptr);
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    const auto arguments = parseArguments(
        words,
        [&](const std::string& name) {
            std::error_code ec;
            return std::filesystem::is_regular_file(tavik::updatesFolder(folder) / name, ec);
        },
        error);
    if (!arguments) {
        std::cerr << tavik::kUpdaterName << ": " << error << "\n" << kUsage;
        return 2;
    }

    PosixProgramControl control;
    tavik::LibcryptoSignatureCheck signatures(tavik::builtInUpdateKey());
    Updater updater(folder, control, signatures, std::cerr, arguments->options);
    return updater.run(arguments->command) == Outcome::Failed ? 1 : 0;
}
