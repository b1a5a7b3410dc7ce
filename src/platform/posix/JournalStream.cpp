#include "platform/posix/JournalStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/ConsoleOutput.h"

namespace tavik {

bool isJournalStream(const char* journalStream, int fd) {
    if (!journalStream) return false;
    const std::string_view value(journalStream);
    const auto colon = value.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == value.size()) return false;
    unsigned long long device = 0;
    unsigned long long inode = 0;
    // Decimal digits only: anything else is no stream systemd named.
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (i == colon) continue;
        const char c = value[i];
        if (c < '0' || c > '9') return false;
        unsigned long long& target = i < colon ? device : inode;
        if (target > (~0ULL - 9) / 10) return false;
        target = target * 10 + static_cast<unsigned long long>(c - '0');
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) return false;
    return static_cast<unsigned long long>(status.st_dev) == device &&
           static_cast<unsigned long long>(status.st_ino) == inode;
}

bool standardErrorIsJournal() {
    static const bool journal = isJournalStream(std::getenv("JOURNAL_STREAM"), STDERR_FILENO);
    return journal;
}

std::string forStandardError(const std::string& text, Severity severity) {
    return withJournalPriority(text, severity, standardErrorIsJournal());
}

void sayOnStandardError(const std::string& text, Severity severity) {
    writeConsole(stderr, forStandardError(text, severity));
}

}  // namespace tavik
