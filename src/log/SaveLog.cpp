#include "log/SaveLog.h"

#include <cstdio>
#include <utility>

#include "platform/PlatformFacts.h"
#include "text/DateFormat.h"

namespace tavik {
namespace {

// Opens the log for appending through the C library: an std::ofstream would
// set up the C++ library's locale machinery, which the resident program then
// keeps in memory for good, for the sake of one line a cycle.
std::FILE* openForAppend(const std::filesystem::path& file) {
#ifdef _WIN32
    return _wfopen(file.c_str(), L"ab");
#else
    return std::fopen(file.c_str(), "ab");
#endif
}

}  // namespace

Log::Log(std::filesystem::path programFolder, const Clock& clock) : folder_(std::move(programFolder)), clock_(clock) {}

std::filesystem::path Log::file() const { return folder_ / "logTavik.TXT"; }

bool Log::writable() const {
    try {
        std::FILE* out = openForAppend(file());
        if (!out) return false;
        std::fclose(out);
        return true;
    } catch (...) {
        return false;
    }
}

void Log::SaveLog(const std::string& txt) {
    try {
        // Opened and closed per line, so the file can be read or deleted while we run.
        const std::string line = formatGeneralDate(clock_.now()) + '\t' + txt + kLineEnd;
        std::FILE* out = openForAppend(file());
        if (!out) return;
        std::fwrite(line.data(), 1, line.size(), out);
        std::fclose(out);
    } catch (...) {
        // A log line that cannot be written is lost without a word.
    }
}

}  // namespace tavik
