#include "hosts/HostsFile.h"

#include <utility>

#include "hosts/HostsEntry.h"
#include "text/PathText.h"
#include "text/TextCase.h"

namespace tavik {
namespace {

// A program that ignores the lock may change the file during our edit; we
// then start over on its new content, but not forever.
constexpr int kMaxAttempts = 5;

// Why the helper could not make the edit, for the user.
std::string helperProblem(PrivilegedHostsEdit::Outcome outcome) {
    switch (outcome) {
        case PrivilegedHostsEdit::Outcome::Denied: return "die Berechtigung dafür wurde verweigert";
        case PrivilegedHostsEdit::Outcome::Unavailable:
            return "der Helfer für diese Änderung kann hier nicht gestartet werden (polkit/pkexec)";
        default: return "auch der Helfer für diese Änderung konnte sie nicht ändern";
    }
}

bool isSoundRequest(const std::string& serverIp, const std::string& serverName) {
    if (!isValidHostName(serverName)) return false;
    return serverIp.empty() || serverIp == kHostsRemove || isValidHostsAddress(serverIp);
}

}  // namespace

HostsFile::HostsFile(HostsFileStore& store, const Clock& clock, std::function<void(const std::string&)> saveLog)
    : store_(store), clock_(clock), saveLog_(std::move(saveLog)) {}

void HostsFile::tellUser(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }

void HostsFile::usePrivilegedEdit(PrivilegedHostsEdit& privileged, std::function<void(const std::string&)> notice) {
    privileged_ = &privileged;
    notice_ = std::move(notice);
}

std::string HostsFile::SetHost(const std::filesystem::path& hostsFile) {
    try {
        if (store_.read(hostsFile)) return utf8FromPath(hostsFile);
    } catch (...) {
    }
    return {};
}

bool HostsFile::EditHosts(const std::string& host, const std::string& serverIp, const std::string& serverName) {
    if (characterCount(host) < 5 || characterCount(serverName) < kMinServerNameLength) return true;
    if (!isSoundRequest(serverIp, serverName)) return true;
    if (privileged_ && privileged_->needed(pathFromUtf8(host))) return editThroughHelper(host, serverIp, serverName);
    std::string why;
    try {
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            // Rewritten even when nothing changes, so that ".jst" always holds
            // the file as it was before the last edit.
            const EditOutcome outcome = store_.edit(pathFromUtf8(host), [&](const std::string& current) {
                return rewriteHosts(current, serverIp, serverName, clock_.now());
            });
            why = outcome.note;
            if (outcome.result == ReplaceResult::Replaced) {
                if (!why.empty()) saveLog("Hosts-Datei " + host + " geändert, jedoch: " + why);
                if (editsFailing_ && notice_) notice_("Die Hosts-Datei " + host + " wird wieder geändert.");
                editsFailing_ = false;
                return true;
            }
            if (outcome.result == ReplaceResult::Failed) break;
        }
    } catch (...) {
        // Out of memory on a huge file: the file stays as it was.
        why = "zu wenig Arbeitsspeicher";
    }
    const std::string line =
        "Hosts-Datei " + host + " nicht geändert: " + why + ". Die Änderung wird beim nächsten Abruf erneut versucht.";
    // The user hears of it when it begins (the notice logs it too); the log
    // gets every further failure.
    if (!editsFailing_ && notice_) {
        try {
            notice_(line);
        } catch (...) {
        }
    } else {
        saveLog(line);
    }
    editsFailing_ = true;
    return false;
}

bool HostsFile::editThroughHelper(const std::string& host, const std::string& serverIp,
                                  const std::string& serverName) {
    const std::string address = serverIp == kHostsRemove ? std::string() : serverIp;
    const auto outcome = privileged_->edit(address, serverName);
    if (outcome == PrivilegedHostsEdit::Outcome::Done) {
        if (helperClosed_) saveLog("Die Hosts-Datei " + host + " wird wieder über den Helfer geändert.");
        helperClosed_ = false;
        return true;
    }
    if (!helperClosed_) {
        helperClosed_ = true;
        const std::string text = "Tavik6 darf die Hosts-Datei " + host + " nicht ändern, und " +
                                 helperProblem(outcome) +
                                 ". Der Name des Servers zeigt auf diesem Rechner so nicht auf seine Adresse; "
                                 "Tavik6 versucht es beim nächsten Abruf erneut.";
        try {
            if (notice_) notice_(text);
        } catch (...) {
        }
    }
    return false;
}

void HostsFile::saveLog(const std::string& line) {
    try {
        if (saveLog_) saveLog_(line);
    } catch (...) {
    }
}

bool HostsFile::holdsEntry(const std::string& host, const std::string& serverIp, const std::string& serverName) {
    if (characterCount(host) < 5 || characterCount(serverName) < kMinServerNameLength) return true;
    if (!isValidHostName(serverName) || !isValidHostsAddress(serverIp)) return true;
    try {
        const std::optional<std::string> current = store_.read(pathFromUtf8(host));
        // A file we cannot read now we could not restore either.
        return !current || addressOf(*current, serverName) == serverIp;
    } catch (...) {
        return true;
    }
}

}  // namespace tavik
