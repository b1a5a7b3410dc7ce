#include "log/SaveLog.h"

#include <fstream>
#include <utility>

#include "platform/PlatformFacts.h"
#include "text/DateFormat.h"

namespace tavik {

Log::Log(std::filesystem::path programFolder, const Clock& clock) : folder_(std::move(programFolder)), clock_(clock) {}

std::filesystem::path Log::file() const { return folder_ / "logTavik.TXT"; }

bool Log::writable() const {
    try {
        return static_cast<bool>(std::ofstream(file(), std::ios::binary | std::ios::app));
    } catch (...) {
        return false;
    }
}

void Log::SaveLog(const std::string& txt) {
    try {
        // Opened and closed per line, so the file can be read or deleted while we run.
        std::ofstream out(file(), std::ios::binary | std::ios::app);
        if (!out) return;
        out << formatGeneralDate(clock_.now()) + '\t' + txt + kLineEnd;
    } catch (...) {
        // A log line that cannot be written is lost without a word.
    }
}

}  // namespace tavik
