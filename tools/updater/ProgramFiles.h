#pragma once
#include <filesystem>
#include <string>

namespace tavik::updater {

// File steps on the program folder. Each returns false and says why in
// `error` when it fails; none of them ever leaves the program file itself
// missing or half-written.

// Copies `source` (a non-empty regular file) to a new temporary file in
// `folder`, flushes it to disk and makes it executable (0755).
bool copyToTemporary(const std::filesystem::path& source, const std::filesystem::path& folder,
                     std::filesystem::path& temporary, std::string& error);

// Keeps `program` as `backup`, replacing an older backup: a hard link where
// the file system has them, else a synced copy renamed into place.
bool keepBackup(const std::filesystem::path& program, const std::filesystem::path& backup, std::string& error);

// Renames `from` over `to` in one step and syncs the folder, so the new name
// survives a crash.
bool replaceWith(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

// Removes a file if it is there; failures do not matter to the caller.
void removeQuietly(const std::filesystem::path& file);

// Whether the updater's temporary files are named like `name`.
bool isTemporaryName(const std::string& name);

}  // namespace tavik::updater
