#include "platform/posix/SqliteRegistry.h"

#include "platform/posix/SqliteLibrary.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <system_error>

#ifndef TAVIK_DEFAULT_REGISTRY
#define TAVIK_DEFAULT_REGISTRY "~/.config/tavik6/registry.sqlite"
#endif

namespace tavik {

namespace {

// Long enough to outlast another process's write, short enough that the
// program does not hang on a store someone keeps locked.
constexpr int kBusyTimeoutMs = 5000;
// Switching to write-ahead logging is only worth a short wait: the store
// works without it, and a store that stays locked would otherwise cost the
// full wait twice on every attempt to open it.
constexpr int kModeSwitchWaitMs = 500;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB);"
    "CREATE UNIQUE INDEX IF NOT EXISTS registry_slot"
    " ON registry(root, key COLLATE NOCASE, name COLLATE NOCASE);";
constexpr const char* kSelect =
    "SELECT type, data FROM registry"
    " WHERE root = ?1 AND key = ?2 COLLATE NOCASE AND name = ?3 COLLATE NOCASE";
constexpr const char* kUpsert =
    "INSERT OR REPLACE INTO registry(root, key, name, type, data) VALUES (?1, ?2, ?3, ?4, ?5)";

const char* rootText(RegRoot root) { return root == RegRoot::HKCU ? "HKCU" : "HKLM"; }

// A prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(const SqliteApi& sql, sqlite3* db, const char* text) : sql_(sql) {
        if (sql_.prepare(db, text, -1, &stmt_, nullptr) != SQLITE_OK) {
            sql_.finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sql_.finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    bool bindText(int index, std::string_view text) {
        return fits(text) && sql_.bindText(stmt_, index, text.data(), static_cast<int>(text.size()),
                                               SQLITE_TRANSIENT) == SQLITE_OK;
    }
    bool bindBlob(int index, std::string_view bytes) {
        return fits(bytes) && sql_.bindBlob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()),
                                                SQLITE_TRANSIENT) == SQLITE_OK;
    }
    bool bindInt(int index, int value) { return sql_.bindInt(stmt_, index, value) == SQLITE_OK; }
    int step() { return sql_.step(stmt_); }
    int columnInt(int column) { return sql_.columnInt(stmt_, column); }
    std::string columnBytes(int column) {
        // Text inserted by hand comes back as its bytes just as a blob does.
        const auto* bytes = static_cast<const char*>(sql_.columnBlob(stmt_, column));
        const int size = sql_.columnBytes(stmt_, column);
        return bytes ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
    }

private:
    static bool fits(std::string_view text) { return text.size() <= static_cast<std::size_t>(INT_MAX); }
    const SqliteApi& sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

bool exec(const SqliteApi& sql, sqlite3* db, const char* text) {
    return sql.exec(db, text, nullptr, nullptr, nullptr) == SQLITE_OK;
}


// The store holds the password, so a new file is created for the owner only
// before SQLite sees it. An existing file keeps the mode it has.
bool ensureStoreFile(const std::filesystem::path& file) {
    if (!makePrivateFolders(file.parent_path())) return false;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return ::close(fd) == 0;
    return errno == EEXIST;
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

}  // namespace

bool makePrivateFolders(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error)) return true;
    if (!makePrivateFolders(folder.parent_path())) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

SqliteRegistry::SqliteRegistry(std::filesystem::path file)
    : file_(std::move(file)), library_(std::make_unique<SqliteLibrary>()) {}

SqliteRegistry::~SqliteRegistry() { release(); }

void SqliteRegistry::release() {
    if (db_ != nullptr) sql_->close(db_);
    db_ = nullptr;
    sql_ = nullptr;
    library_->unload();
}

sqlite3* SqliteRegistry::connection() {
    if (db_ != nullptr) return db_;
    try {
        if (!ensureStoreFile(file_)) return nullptr;
        const SqliteApi* sql = library_->load();
        if (sql == nullptr) return nullptr;
        sqlite3* db = nullptr;
        // No SQLITE_OPEN_CREATE: the file was made above with its mode.
        if (sql->open(file_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sql->close(db);
            return nullptr;
        }
        sql->busyTimeout(db, kModeSwitchWaitMs);
        // Write-ahead logging keeps each write short (no journal file and one
        // flush per checkpoint instead of several per write), so processes
        // sharing the store rarely wait on each other. A crash may lose the
        // last few writes but never leaves a half-written one, much as the
        // registry flushes lazily. If the mode cannot be switched now (another
        // connection is busy), the file keeps its mode and still works.
        exec(*sql, db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        sql->busyTimeout(db, kBusyTimeoutMs);
        if (!exec(*sql, db, kSchema)) {
            sql->close(db);
            return nullptr;
        }
        db_ = db;
        sql_ = sql;
    } catch (...) {
        return nullptr;
    }
    return db_;
}

bool SqliteRegistry::isOpen() { return connection() != nullptr; }

std::optional<RegValue> SqliteRegistry::readValue(RegRoot root, const std::string& key,
                                                  const std::string& name) {
    auto found = lookupValue(root, key, name);
    if (found.status != RegLookup::Status::Found) return std::nullopt;
    return std::move(found.value);
}

RegLookup SqliteRegistry::lookupValue(RegRoot root, const std::string& key, const std::string& name) {
    const RegLookup kUnreadable{RegLookup::Status::Unreadable, {}};
    sqlite3* db = connection();
    if (!db) return kUnreadable;
    Statement select(*sql_, db, kSelect);
    if (!select.ok() || !select.bindText(1, rootText(root)) || !select.bindText(2, key) ||
        !select.bindText(3, name))
        return kUnreadable;
    // Only a finished search without a row means the value is absent; a
    // lock that outlasted the wait or a damaged file is no answer at all.
    switch (select.step()) {
    case SQLITE_ROW:
        return {RegLookup::Status::Found, RegValue{select.columnInt(0), select.columnBytes(1)}};
    case SQLITE_DONE:
        return {};
    default:
        return kUnreadable;
    }
}

bool SqliteRegistry::writeValue(RegRoot root, const std::string& key, const std::string& name,
                                const RegValue& value) {
    sqlite3* db = connection();
    // IMMEDIATE takes the write lock up front: a transaction that had to
    // upgrade a read lock later could fail at once instead of waiting.
    if (!db || !exec(*sql_, db, "BEGIN IMMEDIATE")) return false;
    bool stored = false;
    {
        Statement upsert(*sql_, db, kUpsert);
        stored = upsert.ok() && upsert.bindText(1, rootText(root)) && upsert.bindText(2, key) &&
                 upsert.bindText(3, name) && upsert.bindInt(4, value.type) &&
                 upsert.bindBlob(5, value.data) && upsert.step() == SQLITE_DONE;
    }
    if (stored) stored = exec(*sql_, db, "COMMIT");
    if (!stored) exec(*sql_, db, "ROLLBACK");
    return stored;
}

std::filesystem::path SqliteRegistry::defaultPath() {
    if (const char* chosen = std::getenv("TAVIK_REGISTRY"); chosen && *chosen) return chosen;
    const std::string builtIn = TAVIK_DEFAULT_REGISTRY;
    if (builtIn.rfind("~/", 0) != 0) return builtIn;
    // Without a home folder the store goes below the current folder.
    const std::string home = homeFolder();
    return home.empty() ? std::filesystem::path(builtIn.substr(2))
                        : std::filesystem::path(home) / builtIn.substr(2);
}

}  // namespace tavik
