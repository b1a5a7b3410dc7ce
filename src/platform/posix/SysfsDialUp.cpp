#include "platform/posix/SysfsDialUp.h"

#include <climits>
#include <fstream>
#include <string>
#include <system_error>

namespace tavik {
namespace {

std::string readWord(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string word;
    in >> word;
    return word;
}

long readNumber(const std::filesystem::path& file, long fallback) {
    try {
        return std::stol(readWord(file), nullptr, 0);
    } catch (...) {
        return fallback;
    }
}

constexpr long kIffUp = 0x1;
constexpr long kIffRunning = 0x40;

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
    // A ppp line is connected when it is up and running; its operstate is
    // often "unknown", so the flags decide, and "down" overrules them.
    const long flags = readNumber(first / "flags", 0);
    return (flags & kIffUp) && (flags & kIffRunning) && readWord(first / "operstate") != "down";
}

}  // namespace tavik
