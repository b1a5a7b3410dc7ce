#include "platform/posix/SqliteRegistry.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/fakes/FakeDialogs.h"
#include "settings/RwModul.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

const char* const kCli = "/usr/bin/sqlite3";

class SqliteRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-store-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        file = folder / "registry.sqlite";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder, ignored);
    }

    static unsigned modeOf(const fs::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0xFFFFu;
    }

    // Runs the sqlite3 command-line tool on the store with `sql` as its input
    // and returns what it printed.
    std::string runCli(const std::string& sql) {
        const fs::path script = folder / "script.sql";
        std::ofstream(script) << sql << "\n";
        const std::string command = std::string(kCli) + " '" + file.string() + "' < '" +
                                    script.string() + "' 2>&1";
        std::string output;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            std::array<char, 256> buffer{};
            while (std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
            cliStatus = ::pclose(pipe);
        }
        return output;
    }

    // Number of rows in the table, counted by a connection of our own.
    int rowCount() {
        sqlite3* db = nullptr;
        int count = -1;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM registry", -1, &stmt, nullptr) == SQLITE_OK &&
                sqlite3_step(stmt) == SQLITE_ROW)
                count = sqlite3_column_int(stmt, 0);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return count;
    }

    fs::path folder;
    fs::path file;
    int cliStatus = -1;
    FakeDialogs dialogs;
};

TEST_F(SqliteRegistryTest, SettingsSurviveTheConnection) {
    {
        SqliteRegistry store(file);
        RwModul rw(store, dialogs);
        rw.write("Tavik6", "User", "k123");
        // Let go of while the program waits; the next use opens it again.
        store.release();
        EXPECT_EQ(rw.read("Tavik6", "User"), "k123");
        rw.write("Tavik6", "Proxyserver", "");
        rw.write("[DB-Vorgabe]", "Leer", "");
        rw.write("Internet Explorer", "Start Page", "http://x/");
    }
    SqliteRegistry store(file);
    RwModul rw(store, dialogs);
    EXPECT_EQ(rw.read("Tavik6", "User"), "k123");
    EXPECT_EQ(rw.read("Tavik6", "Proxyserver"), "");
    EXPECT_EQ(rw.read("[DB-Vorgabe]", "Leer"), " ");
    EXPECT_EQ(rw.read("Internet Explorer", "Start Page"), "http://x/");
    EXPECT_EQ(rw.read("Tavik6", "Passwort"), "");
    // The roots are kept apart.
    EXPECT_EQ(rw.RegReadString(RegRoot::HKCU, "Software\\Kovrin\\Tavik6\\Tavik6", "User"), "");
}

TEST_F(SqliteRegistryTest, KeysAndValueNamesMatchRegardlessOfCase) {
    SqliteRegistry store(file);
    RwModul rw(store, dialogs);
    rw.write("Tavik6", "Passwort", "alt");
    EXPECT_EQ(rw.read("Tavik6", "PASSWORT"), "alt");
    EXPECT_EQ(rw.read("TAVIK6", "passwort"), "alt");
    rw.write("tavik6", "passWORT", "neu");
    EXPECT_EQ(rw.read("Tavik6", "Passwort"), "neu");
    EXPECT_EQ(rowCount(), 1);
    // Other names stay apart.
    rw.write("Tavik6", "Passwort2", "x");
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(rw.read("Tavik6", "Passwort"), "neu");
}

TEST_F(SqliteRegistryTest, StoresBytesAndTypesUnchanged) {
    using namespace std::string_literals;
    SqliteRegistry store(file);
    const std::vector<RegValue> values = {
        {kRegSz, "a\0b\xFF\xC3\xA4"s},
        {kRegSz, ""},
        {kRegSz, std::string(5000, 'q')},
        {kRegDword, "\x2A\0\0\0"s},
        {kRegExpandSz, "%HOME%"},
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(store.writeValue(RegRoot::HKCU, "K", "v", values[i]));
        const auto back = store.readValue(RegRoot::HKCU, "K", "v");
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->type, values[i].type);
        EXPECT_EQ(back->data, values[i].data);
    }
    EXPECT_FALSE(store.readValue(RegRoot::HKLM, "K", "v").has_value());
    EXPECT_FALSE(store.readValue(RegRoot::HKCU, "K", "w").has_value());
}

TEST_F(SqliteRegistryTest, NewStoreIsForTheOwnerOnly) {
    file = folder / "deeper" / "still" / "registry.sqlite";
    SqliteRegistry store(file);
    RwModul rw(store, dialogs);
    rw.write("Tavik6", "Passwort", "geheim");
    EXPECT_EQ(rw.read("Tavik6", "Passwort"), "geheim");
    EXPECT_EQ(modeOf(file), 0600u);
    // The side files SQLite keeps while the store is open hold data too.
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        const fs::path side = file.string() + suffix;
        if (fs::exists(side)) {
            EXPECT_EQ(modeOf(side), 0600u) << side;
        }
    }
    EXPECT_EQ(modeOf(folder / "deeper"), 0700u);
    EXPECT_EQ(modeOf(folder / "deeper" / "still"), 0700u);
}

TEST_F(SqliteRegistryTest, ExistingFileKeepsItsMode) {
    { std::ofstream touch(file); }
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    SqliteRegistry store(file);
    EXPECT_TRUE(store.writeValue(RegRoot::HKLM, "K", "n", {kRegSz, "v"}));
    EXPECT_EQ(modeOf(file), 0640u);
}

TEST_F(SqliteRegistryTest, UnusableStoreReadsEmptyAndRefusesWrites) {
    const fs::path plainFile = folder / "plain";
    std::ofstream(plainFile) << "this is not a database, it is a text file of some length\n"
                             << std::string(600, '#') << "\n";
    const std::vector<fs::path> paths = {
        plainFile / "registry.sqlite",  // a folder that is a file
        folder,                          // a folder, not a file
        plainFile,                       // a file that is no database
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.string());
        SqliteRegistry store(path);
        RwModul rw(store, dialogs);
        EXPECT_FALSE(store.isOpen());
        EXPECT_FALSE(store.writeValue(RegRoot::HKLM, "K", "n", {kRegSz, "v"}));
        EXPECT_FALSE(store.readValue(RegRoot::HKLM, "K", "n").has_value());
        EXPECT_EQ(store.lookupValue(RegRoot::HKLM, "K", "n").status, RegLookup::Status::Unreadable);
        std::string section = "Tavik6";
        std::string name = "User";
        std::string value = "k1";
        rw.RegWrite(section, name, value);
        EXPECT_EQ(name, "False");
        EXPECT_EQ(rw.read("Tavik6", "User"), "");
    }
}

// Another program holding the store locked (an exclusive transaction on a
// file in rollback-journal mode, as the sqlite3 tool makes a new file) is
// waited for a few seconds, then reported as a store that cannot be read,
// not as one without the value; once the lock is gone the value is there.
TEST_F(SqliteRegistryTest, AStoreLockedByAnotherConnectionIsUnreadableNotEmpty) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "CREATE TABLE registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB);"
                           "INSERT INTO registry VALUES('HKLM', 'Software\\Kovrin\\Tavik6\\Tavik6', 'Install', 1, "
                           "CAST('01.12.2026' AS BLOB));"
                           "BEGIN EXCLUSIVE;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    SqliteRegistry store(file);
    RwModul rw(store, dialogs);
    EXPECT_EQ(rw.read("Tavik6", "Install"), "");
    EXPECT_EQ(rw.unreadableReads(), 1u);

    ASSERT_EQ(sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(rw.read("Tavik6", "Install"), "01.12.2026");
    EXPECT_EQ(store.lookupValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", "User").status,
              RegLookup::Status::Absent);
    EXPECT_EQ(rw.unreadableReads(), 1u);
}

TEST_F(SqliteRegistryTest, UnreadableFolderThatLaterOpensUp) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder modes";
    const fs::path locked = folder / "locked";
    ASSERT_EQ(::mkdir(locked.c_str(), 0500), 0);
    SqliteRegistry store(locked / "registry.sqlite");
    EXPECT_FALSE(store.writeValue(RegRoot::HKLM, "K", "n", {kRegSz, "v"}));
    ASSERT_EQ(::chmod(locked.c_str(), 0700), 0);
    EXPECT_TRUE(store.writeValue(RegRoot::HKLM, "K", "n", {kRegSz, "v"}));
    EXPECT_EQ(store.readValue(RegRoot::HKLM, "K", "n")->data, "v");
}

TEST_F(SqliteRegistryTest, CommandLineToolSeesAndAddsValues) {
    if (!fs::exists(kCli)) GTEST_SKIP() << "no sqlite3 command-line tool";
    SqliteRegistry store(file);
    RwModul rw(store, dialogs);
    rw.write("Tavik6", "User", "k123");

    EXPECT_EQ(runCli("SELECT root, key, name, type, data FROM registry;"),
              "HKLM|Software\\Kovrin\\Tavik6\\Tavik6|User|1|k123\n");
    EXPECT_EQ(cliStatus, 0);

    runCli("INSERT INTO registry(root, key, name, type, data)"
           " VALUES ('HKLM', 'software\\kovrin\\tavik6\\tavik6', 'PROXYSERVER', 1, '1');");
    EXPECT_EQ(cliStatus, 0);
    EXPECT_EQ(rw.read("Tavik6", "Proxyserver"), "1");

    // The unique index keeps a second spelling of the same value out.
    const std::string refused =
        runCli("INSERT INTO registry VALUES ('HKLM', 'SOFTWARE\\KOVRIN\\TAVIK6\\TAVIK6', 'user', 1, 'x');");
    EXPECT_NE(cliStatus, 0) << refused;
    EXPECT_EQ(rw.read("Tavik6", "User"), "k123");
}

// Each writer stores `count` values of its own and overwrites a shared one.
bool writeMany(const fs::path& file, const std::string& writer, int count) {
    SqliteRegistry store(file);
    bool allStored = true;
    for (int i = 0; i < count; ++i) {
        const std::string text = writer + "-" + std::to_string(i);
        allStored = store.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", text,
                                     {kRegSz, text}) && allStored;
        allStored = store.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", "Zuletzt",
                                     {kRegSz, text}) && allStored;
    }
    return allStored;
}

TEST_F(SqliteRegistryTest, ProcessesAndThreadsShareTheStore) {
    constexpr int kCount = 200;
    // The file exists before anyone forks; no connection is open across fork.
    { ASSERT_TRUE(SqliteRegistry(file).writeValue(RegRoot::HKLM, "K", "n", {kRegSz, "v"})); }

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(writeMany(file, "child", kCount) ? 0 : 1);

    bool threadStored[2] = {false, false};
    std::thread first([&] { threadStored[0] = writeMany(file, "first", kCount); });
    std::thread second([&] { threadStored[1] = writeMany(file, "second", kCount); });
    first.join();
    second.join();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(threadStored[0]);
    EXPECT_TRUE(threadStored[1]);

    SqliteRegistry store(file);
    for (const std::string writer : {"child", "first", "second"}) {
        for (int i = 0; i < kCount; ++i) {
            const std::string text = writer + "-" + std::to_string(i);
            const auto value = store.readValue(RegRoot::HKLM, "software\\kovrin\\tavik6\\tavik6", text);
            ASSERT_TRUE(value.has_value()) << text;
            EXPECT_EQ(value->data, text);
        }
    }
    EXPECT_EQ(rowCount(), 1 + 3 * kCount + 1);
    const std::string last = store.readValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", "Zuletzt")->data;
    const std::string end = "-" + std::to_string(kCount - 1);
    EXPECT_TRUE(last == "child" + end || last == "first" + end || last == "second" + end) << last;
}

class EnvironmentGuard {
public:
    explicit EnvironmentGuard(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
    }
    ~EnvironmentGuard() {
        if (saved_) ::setenv(name_, saved_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(SqliteRegistryPath, EnvironmentChoosesTheStoreElseTheHomeDefault) {
    EnvironmentGuard registry("TAVIK_REGISTRY");
    EnvironmentGuard home("HOME");
    ::setenv("TAVIK_REGISTRY", "/srv/tavik/store.sqlite", 1);
    EXPECT_EQ(SqliteRegistry::defaultPath(), fs::path("/srv/tavik/store.sqlite"));

    ::setenv("TAVIK_REGISTRY", "", 1);  // empty counts as unset
    ::setenv("HOME", "/home/kunde", 1);
    const std::string builtIn = TAVIK_DEFAULT_REGISTRY;
    const fs::path expected =
        builtIn.rfind("~/", 0) == 0 ? fs::path("/home/kunde") / builtIn.substr(2) : fs::path(builtIn);
    EXPECT_EQ(SqliteRegistry::defaultPath(), expected);
    ::unsetenv("TAVIK_REGISTRY");
    EXPECT_EQ(SqliteRegistry::defaultPath(), expected);
}

}  // namespace
}  // namespace tavik
