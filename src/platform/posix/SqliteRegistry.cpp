#include "platform/posix/SqliteRegistry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
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
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    bool bindText(int index, std::string_view text) {
        return fits(text) && sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                               SQLITE_TRANSIENT) == SQLITE_OK;
    }
    bool bindBlob(int index, std::string_view bytes) {
        return fits(bytes) && sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()),
                                                SQLITE_TRANSIENT) == SQLITE_OK;
    }
    bool bindInt(int index, int value) { return sqlite3_bind_int(stmt_, index, value) == SQLITE_OK; }
    int step() { return sqlite3_step(stmt_); }
    int columnInt(int column) { return sqlite3_column_int(stmt_, column); }
    std::string columnBytes(int column) {
        // Text inserted by hand comes back as its bytes just as a blob does.
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        const int size = sqlite3_column_bytes(stmt_, column);
        return bytes ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
    }

private:
    static bool fits(std::string_view text) { return text.size() <= static_cast<std::size_t>(INT_MAX); }
    sqlite3_stmt* stmt_ = nullptr;
};

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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

void SqliteRegistry::Closer::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

bool makePrivateFolders(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error)) return true;
    if (!makePrivateFolders(folder.parent_path())) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

SqliteRegistry::SqliteRegistry(std::filesystem::path file) : file_(std::move(file)) {}

SqliteRegistry::~SqliteRegistry() = default;

sqlite3* SqliteRegistry::connection() {
    if (db_) return db_.get();
    // SQLite sets aside twenty pages of page cache for each connection up
    // front; the store is a few pages, so they come as needed. This must
    // precede the process's first connection.
    static std::once_flag pageCacheSet;
    std::call_once(pageCacheSet, [] { sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0); });
    try {
        if (!ensureStoreFile(file_)) return nullptr;
        sqlite3* raw = nullptr;
        // No SQLITE_OPEN_CREATE: the file was made above with its mode.
        const int rc = sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        std::unique_ptr<sqlite3, Closer> db(raw);
        if (rc != SQLITE_OK) return nullptr;
        sqlite3_busy_timeout(db.get(), kModeSwitchWaitMs);
        // Write-ahead logging keeps each write short (no journal file and one
        // flush per checkpoint instead of several per write), so processes
        // sharing the store rarely wait on each other. A crash may lose the
        // last few writes but never leaves a half-written one, much as the
        // registry flushes lazily. If the mode cannot be switched now (another
        // connection is busy), the file keeps its mode and still works.
        exec(db.get(), "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
        sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
        if (!exec(db.get(), kSchema)) return nullptr;
        db_ = std::move(db);
    } catch (...) {
        return nullptr;
    }
    return db_.get();
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
    Statement select(db, kSelect);
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
    if (!db || !exec(db, "BEGIN IMMEDIATE")) return false;
    bool stored = false;
    {
        Statement upsert(db, kUpsert);
        stored = upsert.ok() && upsert.bindText(1, rootText(root)) && upsert.bindText(2, key) &&
                 upsert.bindText(3, name) && upsert.bindInt(4, value.type) &&
                 upsert.bindBlob(5, value.data) && upsert.step() == SQLITE_DONE;
    }
    if (stored) stored = exec(db, "COMMIT");
    if (!stored) exec(db, "ROLLBACK");
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
