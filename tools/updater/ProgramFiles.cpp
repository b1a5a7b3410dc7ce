#include "ProgramFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "platform/posix/UniqueFd.h"

namespace tavik::updater {
namespace {

constexpr const char* kTemporaryPrefix = ".Velmora4-";

std::string reason(const std::string& what, const std::filesystem::path& file) {
    return what + " " + file.string() + ": " + std::strerror(errno);
}

bool copyContent(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        if (!writeAll(to, std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return false;
    }
}

bool syncFolder(const std::filesystem::path& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

}  // namespace

bool copyToTemporary(const std::filesystem::path& source, const std::filesystem::path& folder,
                     std::filesystem::path& temporary, std::string& error) {
    UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) {
        error = reason("Kann nicht lesen:", source);
        return false;
    }
    struct stat info {};
    if (::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = source.string() + " ist keine gewöhnliche Datei.";
        return false;
    }
    if (info.st_size == 0) {
        error = source.string() + " ist leer.";
        return false;
    }

    std::string name = (folder / (std::string(kTemporaryPrefix) + "XXXXXX")).string();
    UniqueFd out(::mkostemp(name.data(), O_CLOEXEC));
    if (out.get() < 0) {
        error = reason("Kann keine Datei anlegen in", folder);
        return false;
    }
    temporary = name;
    const bool complete = copyContent(in.get(), out.get()) && ::fsync(out.get()) == 0 &&
                          ::fchmod(out.get(), 0755) == 0;
    if (!complete || !out.close()) {
        error = reason("Kann nicht schreiben:", temporary);
        removeQuietly(temporary);
        return false;
    }
    return true;
}

bool keepBackup(const std::filesystem::path& program, const std::filesystem::path& backup, std::string& error) {
    // The old backup goes first: link() does not replace. Losing it for a
    // moment costs nothing, the program file itself stays untouched.
    if (::unlink(backup.c_str()) != 0 && errno != ENOENT) {
        error = reason("Kann die alte Sicherung nicht entfernen:", backup);
        return false;
    }
    if (::link(program.c_str(), backup.c_str()) == 0) {
        syncFolder(backup.parent_path());
        return true;
    }
    // File systems without hard links get a copy.
    std::filesystem::path temporary;
    if (!copyToTemporary(program, backup.parent_path(), temporary, error)) return false;
    if (!replaceWith(temporary, backup, error)) {
        removeQuietly(temporary);
        return false;
    }
    return true;
}

bool replaceWith(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = reason("Kann nicht umbenennen nach", to) + " (von " + from.string() + ")";
        return false;
    }
    // The rename has happened; a folder that cannot be synced only weakens
    // crash safety, so it does not turn the step into a failure.
    syncFolder(to.parent_path());
    return true;
}

void removeQuietly(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

bool isTemporaryName(const std::string& name) { return name.starts_with(kTemporaryPrefix); }

}  // namespace tavik::updater
