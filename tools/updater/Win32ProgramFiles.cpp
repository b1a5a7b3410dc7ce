// The file steps on Windows: the same promises as on Linux (the program file
// is never missing or half-written), kept with the calls this system has.
#include <windows.h>

#include <chrono>
#include <system_error>
#include <vector>

#include "ProgramFiles.h"
#include "platform/win32/FileHandle.h"
#include "platform/win32/WideText.h"

namespace tavik::updater {
namespace {

constexpr const wchar_t* kTemporaryPrefix = L".Velmora4-";

std::string text(const std::filesystem::path& file) { return fromWide(file.wstring()); }

std::string reason(const std::string& what, const std::filesystem::path& file, DWORD code = GetLastError()) {
    return what + " " + text(file) + ": " + systemErrorText(code);
}

using winfile::Handle;

bool copyContent(HANDLE from, HANDLE to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
        if (got == 0) return true;
        if (!winfile::writeAll(to, std::string_view(buffer.data(), got))) return false;
    }
}

}  // namespace

bool copyToTemporary(const std::filesystem::path& source, const std::filesystem::path& folder,
                     std::filesystem::path& temporary, std::string& error) {
    const DWORD attributes = GetFileAttributesW(source.wstring().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = reason("Kann nicht lesen:", source);
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        error = text(source) + " ist keine gewöhnliche Datei.";
        return false;
    }
    Handle in(CreateFileW(source.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.valid()) {
        error = reason("Kann nicht lesen:", source);
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(in.get(), &size)) {
        error = reason("Kann nicht lesen:", source);
        return false;
    }
    if (size.QuadPart == 0) {
        error = text(source) + " ist leer.";
        return false;
    }

    // A fresh name the updater alone uses: CREATE_NEW never opens a file
    // that is already there.
    HANDLE created = INVALID_HANDLE_VALUE;
    const unsigned long long seed = GetTickCount64() ^ (static_cast<unsigned long long>(GetCurrentProcessId()) << 20);
    for (unsigned attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder / (kTemporaryPrefix + std::to_wstring(seed + attempt));
        created = CreateFileW(temporary.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    Handle out(created);
    if (!out.valid()) {
        error = reason("Kann keine Datei anlegen in", folder);
        temporary.clear();
        return false;
    }
    const bool complete = copyContent(in.get(), out.get()) && FlushFileBuffers(out.get());
    const DWORD code = GetLastError();
    if (!complete || !out.close()) {
        error = reason("Kann nicht schreiben:", temporary, complete ? GetLastError() : code);
        removeQuietly(temporary);
        return false;
    }
    return true;
}

bool keepBackup(const std::filesystem::path& program, const std::filesystem::path& backup, std::string& error) {
    // The old backup goes first: a hard link does not replace. The program
    // file itself stays untouched meanwhile.
    if (!DeleteFileW(backup.wstring().c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        error = reason("Kann die alte Sicherung nicht entfernen:", backup);
        return false;
    }
    if (CreateHardLinkW(backup.wstring().c_str(), program.wstring().c_str(), nullptr)) return true;
    // File systems without hard links (FAT) get a copy.
    std::filesystem::path temporary;
    if (!copyToTemporary(program, backup.parent_path(), temporary, error)) return false;
    if (!replaceWith(temporary, backup, error)) {
        removeQuietly(temporary);
        return false;
    }
    return true;
}

bool replaceWith(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
    // One rename that replaces the target, written through to the disk
    // before it returns. Copying over the target instead would leave a
    // half-written program behind a failure.
    // A file that is still open elsewhere for a moment (the image of a
    // program that has just ended, a virus scanner looking at a new file)
    // refuses to be replaced; such refusals are tried again for a few seconds.
    if (winfile::retryWhileBusy(std::chrono::seconds(3), std::chrono::milliseconds(100), [&] {
            return MoveFileExW(from.wstring().c_str(), to.wstring().c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        }))
        return true;
    error = reason("Kann nicht umbenennen nach", to, GetLastError()) + " (von " + text(from) + ")";
    return false;
}

void removeQuietly(const std::filesystem::path& file) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

bool isTemporaryName(const std::string& name) { return name.rfind(fromWide(kTemporaryPrefix), 0) == 0; }

}  // namespace tavik::updater
