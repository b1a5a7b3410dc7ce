#pragma once
#include <string>

namespace tavik {

// How serious a line on standard error is.
enum class Severity { Error, Warning, Info };

// The priority a service manager's journal reads at the start of a line
// ("<3>" error, "<4>" warning, "<6>" info), so that the journal files each
// message under its weight. Only meant for a standard error that is the
// journal; a terminal or a file gets the plain line.
inline std::string journalPrefix(Severity severity) {
    switch (severity) {
    case Severity::Error: return "<3>";
    case Severity::Warning: return "<4>";
    case Severity::Info: return "<6>";
    }
    return "<3>";
}

// `text` with the priority in front of every line when `journal` is true (the
// journal makes one entry of each line, and each needs its priority);
// unchanged otherwise.
inline std::string withJournalPriority(const std::string& text, Severity severity, bool journal) {
    if (!journal) return text;
    const std::string prefix = journalPrefix(severity);
    std::string out = prefix;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size()) out += prefix;
    }
    return out;
}

}  // namespace tavik
