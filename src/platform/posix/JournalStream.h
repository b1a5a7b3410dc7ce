#pragma once
#include <string>

#include "platform/JournalPriority.h"

namespace tavik {

// True when file descriptor `fd` is the stream systemd named in
// `journalStream` ("device:inode", as JOURNAL_STREAM holds it). A child that
// redirected its standard error to a file or a terminal keeps the variable,
// so the variable alone proves nothing.
bool isJournalStream(const char* journalStream, int fd);

// Whether this process's standard error goes to the journal (asked once).
bool standardErrorIsJournal();

// `text` as it goes to standard error: every line with the journal priority
// in front when standard error is the journal, unchanged otherwise.
std::string forStandardError(const std::string& text, Severity severity);

// Writes `text` (whole lines, each ending in a newline) to standard error,
// with the journal priority in front of each line when standard error is the
// journal, so that a service's messages are filed under their weight.
void sayOnStandardError(const std::string& text, Severity severity);

}  // namespace tavik
