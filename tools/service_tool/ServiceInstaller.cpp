#include "ServiceInstaller.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "ServiceToolTexts.h"
#include "platform/posix/UniqueFd.h"

namespace tavik::servicetool {
namespace {

bool isExecutableFile(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& file, const std::string& text, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::filesystem::path temporary = file.string() + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool written = writeAll(fd, text) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    if (!written) error = std::strerror(errno);
    if (::close(fd) != 0 && written) {
        written = false;
        error = std::strerror(errno);
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

ServiceInstaller::ServiceInstaller(InstallerSetup setup, std::ostream& out, std::ostream& err)
    : setup_(std::move(setup)), out_(out), err_(err) {}

std::filesystem::path ServiceInstaller::unitFile(const std::string& serviceName) const {
    return setup_.unitFolder / unitFileName(serviceName);
}

bool ServiceInstaller::systemctl(const std::vector<std::string>& arguments) {
    if (!setup_.systemctl) return true;
    std::vector<std::string> argv{"systemctl"};
    if (setup_.scope == UnitScope::User) argv.push_back("--user");
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (setup_.systemctl->run(argv)) return true;
    std::string line;
    for (const auto& word : argv) line += (line.empty() ? "" : " ") + word;
    err_ << texts::kCommandFailed << line << "\n";
    return false;
}

int ServiceInstaller::install(const ServiceCommand& command) {
    if (!isExecutableFile(command.program)) {
        err_ << texts::kProgramMissing << command.program.string() << "\n";
        return 1;
    }
    const std::filesystem::path file = unitFile(command.serviceName);
    std::string error;
    if (!writeFileAtomically(file, unitText(command, setup_.scope, setup_.environment), error)) {
        err_ << texts::kUnitNotWritten << file.string() << ": " << error << "\n";
        return 1;
    }
    const std::string unit = unitFileName(command.serviceName);
    const bool enabled = command.startup == StartupMode::Automatic;
    if (!systemctl({"daemon-reload"}) || !systemctl({enabled ? "enable" : "disable", unit})) return 1;
    out_ << texts::kInstalled << command.serviceName << " (" << file.string() << ")"
         << (enabled ? texts::kStartsAtBoot : texts::kStartsByHand) << "\n";
    if (enabled && setup_.scope == UnitScope::User) out_ << texts::kUserUnitHint << "\n";
    return 0;
}

int ServiceInstaller::remove(const ServiceCommand& command) {
    const std::filesystem::path file = unitFile(command.serviceName);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        out_ << texts::kNotInstalled << command.serviceName << " (" << file.string() << ")\n";
        return 0;
    }
    // Stopped and unhooked first, so that no link to a missing unit remains.
    if (!systemctl({"disable", "--now", unitFileName(command.serviceName)})) return 1;
    if (!std::filesystem::remove(file, ec) || ec) {
        err_ << texts::kUnitNotRemoved << file.string() << ": " << ec.message() << "\n";
        return 1;
    }
    if (!systemctl({"daemon-reload"})) return 1;
    out_ << texts::kRemoved << command.serviceName << " (" << file.string() << ")\n";
    return 0;
}

}  // namespace tavik::servicetool
