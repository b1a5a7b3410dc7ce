#include "platform/posix/SysfsDialUp.h"

#include <climits>
#include <string>
#include <system_error>

#include "platform/posix/ReadFile.h"

namespace tavik {
namespace {

std::string readWord(const std::filesystem::path& file) {
    // The first word, as a stream's >> would read it.
    const std::string text = readWholeFile(file);
    constexpr const char* kSpace = " \t\n\v\f\r";
    const auto begin = text.find_first_not_of(kSpace);
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_first_of(kSpace, begin) - begin);
}

long readNumber(const std::filesystem::path& file, long fallback) {
    try {
        return std::stol(readWord(file), nullptr, 0);
    } catch (...) {
        return fallback;
    }
}

constexpr long kIffUp = 0x1;

}  // namespace

SysfsDialUp::SysfsDialUp(std::filesystem::path netClass) : netClass_(std::move(netClass)) {}

bool SysfsDialUp::firstConnectionConnected() {
    std::error_code error;
    std::filesystem::path first;
    long firstIndex = LONG_MAX;
    for (const auto& entry : std::filesystem::directory_iterator(netClass_, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("ppp", 0) != 0) continue;
        const long index = readNumber(entry.path() / "ifindex", LONG_MAX - 1);
        if (index < firstIndex) {
            firstIndex = index;
            first = entry.path();
        }
    }
    if (first.empty()) return false;
    // The "flags" file holds only the flags set on the interface; "running"
    // is never among them, the kernel derives it from the carrier. So a line
    // is connected when it is switched up, has its carrier (the kernel
    // refuses to read "carrier" of an interface that is down) and its state
    // is "up" or, as ppp usually reports it, "unknown".
    if (!(readNumber(first / "flags", 0) & kIffUp)) return false;
    if (readWord(first / "carrier") != "1") return false;
    const std::string state = readWord(first / "operstate");
    return state == "up" || state == "unknown";
}

}  // namespace tavik
