#pragma once
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/RegistryBackend.h"

struct sqlite3;

namespace tavik {

class SqliteLibrary;
struct SqliteApi;

// Creates the missing folders of `folder`, each for the owner only: the
// store's folder, since the store holds the password.
bool makePrivateFolders(const std::filesystem::path& folder);

// The settings store in one SQLite file:
//   registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB)
// with root 'HKCU' or 'HKLM', key and name matched case-insensitively (ASCII
// letters, SQLite's NOCASE) and data the value's bytes without a closing NUL.
// Several processes may share the file: each write is its own transaction and
// a locked file is waited for, a few seconds at most. The file is opened, and
// SQLite loaded, on first use; release() lets go of both until the next use.
class SqliteRegistry : public RegistryBackend {
public:
    explicit SqliteRegistry(std::filesystem::path file);
    ~SqliteRegistry() override;
    SqliteRegistry(const SqliteRegistry&) = delete;
    SqliteRegistry& operator=(const SqliteRegistry&) = delete;

    std::optional<RegValue> readValue(RegRoot root, const std::string& key,
                                      const std::string& name) override;
    // Unreadable when the file cannot be opened or another connection keeps
    // it locked for longer than the wait.
    RegLookup lookupValue(RegRoot root, const std::string& key, const std::string& name) override;
    bool writeValue(RegRoot root, const std::string& key, const std::string& name,
                    const RegValue& value) override;

    // True when the file is open and holds the table.
    bool isOpen();
    // Closes the file and unloads SQLite, for the time the program waits:
    // nothing stored is lost, the next read or write opens it again.
    void release();

    // TAVIK_REGISTRY when set, else the built-in default with "~" standing
    // for the home folder.
    static std::filesystem::path defaultPath();

private:
    // Opens the file on first use, and again later if that failed, so a
    // store that becomes reachable later still works.
    sqlite3* connection();

    std::filesystem::path file_;
    std::unique_ptr<SqliteLibrary> library_;
    const SqliteApi* sql_ = nullptr;  // while db_ is open
    sqlite3* db_ = nullptr;
};

}  // namespace tavik
