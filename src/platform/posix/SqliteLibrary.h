#pragma once
#include <sqlite3.h>

namespace tavik {

// The SQLite functions the settings store calls, taken from libsqlite3 with
// dlopen instead of linking it. The store is needed at start and around each
// request, a few milliseconds every few minutes; in between, the program lets
// go of the library so that its 1.2 MB of code do not stay in memory.
struct SqliteApi {
    decltype(&::sqlite3_config) config = nullptr;
    decltype(&::sqlite3_shutdown) shutdown = nullptr;
    decltype(&::sqlite3_open_v2) open = nullptr;
    decltype(&::sqlite3_close_v2) close = nullptr;
    decltype(&::sqlite3_busy_timeout) busyTimeout = nullptr;
    decltype(&::sqlite3_exec) exec = nullptr;
    decltype(&::sqlite3_prepare_v2) prepare = nullptr;
    decltype(&::sqlite3_finalize) finalize = nullptr;
    decltype(&::sqlite3_bind_text) bindText = nullptr;
    decltype(&::sqlite3_bind_blob) bindBlob = nullptr;
    decltype(&::sqlite3_bind_int) bindInt = nullptr;
    decltype(&::sqlite3_step) step = nullptr;
    decltype(&::sqlite3_column_int) columnInt = nullptr;
    decltype(&::sqlite3_column_blob) columnBlob = nullptr;
    decltype(&::sqlite3_column_bytes) columnBytes = nullptr;
};

// One loaded copy of libsqlite3. load() is a no-op while loaded; unload()
// shuts SQLite down and closes the library, so every connection made through
// it must be closed before.
class SqliteLibrary {
public:
    SqliteLibrary() = default;
    ~SqliteLibrary();
    SqliteLibrary(const SqliteLibrary&) = delete;
    SqliteLibrary& operator=(const SqliteLibrary&) = delete;

    // Null when the library cannot be loaded or lacks a function.
    const SqliteApi* load();
    void unload();

private:
    void* handle_ = nullptr;
    bool ownsCopy_ = false;
    bool failureSaid_ = false;
    SqliteApi api_;
};

}  // namespace tavik
