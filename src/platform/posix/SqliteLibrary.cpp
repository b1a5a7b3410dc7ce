#include "platform/posix/SqliteLibrary.h"

#include <dlfcn.h>

#include <string>

#include "platform/posix/DynamicLibrary.h"
#include "platform/posix/JournalStream.h"

namespace tavik {
namespace {

// The name Debian's libsqlite3-0 gives the library's current interface.
constexpr const char* kLibrary = "libsqlite3.so.0";

}  // namespace

SqliteLibrary::~SqliteLibrary() { unload(); }

const SqliteApi* SqliteLibrary::load() {
    if (handle_ != nullptr) return &api_;
    // Where another part of the process already uses SQLite (a test that
    // looks into the store), the copy is shared and must not be shut down.
    void* present = dlopen(kLibrary, RTLD_NOW | RTLD_NOLOAD);
    const bool shared = present != nullptr;
    if (shared) dlclose(present);
    std::string why;
    void* handle = openLibrary(kLibrary, why);
    if (handle == nullptr) {
        // Said once: the store is tried again at every cycle, and the caller
        // reports the unreadable store itself.
        if (!failureSaid_)
            sayOnStandardError("Tavik6: Der Einstellungsspeicher ist nicht nutzbar: " + why + "\n", Severity::Error);
        failureSaid_ = true;
        return nullptr;
    }
    SqliteApi api;
    bool complete = true;
    const auto take = [&](auto& function, const char* name) {
        complete = loadSymbol(handle, name, function) && complete;
    };
    take(api.config, "sqlite3_config");
    take(api.shutdown, "sqlite3_shutdown");
    take(api.open, "sqlite3_open_v2");
    take(api.close, "sqlite3_close_v2");
    take(api.busyTimeout, "sqlite3_busy_timeout");
    take(api.exec, "sqlite3_exec");
    take(api.prepare, "sqlite3_prepare_v2");
    take(api.finalize, "sqlite3_finalize");
    take(api.bindText, "sqlite3_bind_text");
    take(api.bindBlob, "sqlite3_bind_blob");
    take(api.bindInt, "sqlite3_bind_int");
    take(api.step, "sqlite3_step");
    take(api.columnInt, "sqlite3_column_int");
    take(api.columnBlob, "sqlite3_column_blob");
    take(api.columnBytes, "sqlite3_column_bytes");
    if (!complete) {
        if (!failureSaid_)
            sayOnStandardError(std::string("Tavik6: Der Einstellungsspeicher ist nicht nutzbar: ") + kLibrary +
                                   " ist zu alt.\n",
                               Severity::Error);
        failureSaid_ = true;
        dlclose(handle);
        return nullptr;
    }
    // SQLite sets aside twenty pages of page cache for each connection up
    // front; the store is a few pages, so they come as needed. This must
    // precede the first connection of each freshly loaded copy, and fails
    // harmlessly where another part of the process already uses SQLite.
    api.config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    handle_ = handle;
    ownsCopy_ = !shared;
    api_ = api;
    return &api_;
}

void SqliteLibrary::unload() {
    if (handle_ == nullptr) return;
    // Shutting down frees what SQLite allocated for itself; without it each
    // load would leave that behind.
    if (ownsCopy_) api_.shutdown();
    dlclose(handle_);
    handle_ = nullptr;
    api_ = SqliteApi{};
}

}  // namespace tavik
