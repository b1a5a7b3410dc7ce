// The settings store under real faults: a file the program may not write, a
// disk that fills up, and a writer killed in the middle of its writes. Every
// write reported as done must stay readable, every write reported as failed
// must have left nothing, and the file must stay a sound database.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "ChildProcess.h"
#include "InodeFlag.h"
#include "platform/posix/SqliteRegistry.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using robustness::becomeNobody;
using robustness::runInChild;

const std::string kKey = "Software\\Kovrin\\Tavik6\\Tavik6";
constexpr int kCommitted = 20;

std::string valueFor(const std::string& name, std::size_t size) {
    std::string value;
    while (value.size() < size) value += name + ";";
    value.resize(size);
    return value;
}

bool store(SqliteRegistry& registry, const std::string& name, std::size_t size = 200) {
    return registry.writeValue(RegRoot::HKLM, kKey, name, RegValue{kRegSz, valueFor(name, size)});
}

std::optional<std::string> load(SqliteRegistry& registry, const std::string& name) {
    const auto value = registry.readValue(RegRoot::HKLM, kKey, name);
    if (!value) return std::nullopt;
    return value->data;
}

// The names a child reports as written, one record per write through a pipe.
class Reports {
public:
    struct Record {
        std::int32_t index;
        std::int32_t stored;
    };

    Reports() {
        if (::pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
    }
    ~Reports() {
        for (const int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    // In the child.
    void send(Record record) const { [[maybe_unused]] auto n = ::write(fds_[1], &record, sizeof record); }
    // In the parent, once the child runs: stop writing here so the end of
    // the child's writes shows as the end of the pipe.
    void closeWriteEnd() {
        ::close(fds_[1]);
        fds_[1] = -1;
    }
    // Waits for the next record; nothing at the end or after a generous wait.
    std::optional<Record> next() const {
        pollfd ready{fds_[0], POLLIN, 0};
        if (::poll(&ready, 1, 30000) <= 0) return std::nullopt;
        Record record{};
        if (::read(fds_[0], &record, sizeof record) != sizeof record) return std::nullopt;
        return record;
    }

private:
    int fds_[2];
};

class StoreFaults : public testing::Test {
protected:
    StoreFaults() : folder(fs::temp_directory_path() / ("tavik-store-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(folder);
        ::chmod(folder.c_str(), 0755);
        SqliteRegistry registry(file);
        for (int i = 0; i < kCommitted; ++i) EXPECT_TRUE(store(registry, "v" + std::to_string(i)));
    }
    ~StoreFaults() override { fs::remove_all(folder); }

    // Every value written before the fault, as written.
    void expectCommittedValues(SqliteRegistry& registry, const std::string& what) {
        for (int i = 0; i < kCommitted; ++i) {
            const std::string name = "v" + std::to_string(i);
            EXPECT_EQ(load(registry, name), valueFor(name, 200)) << what;
        }
    }

    bool setImmutable(bool on) const { return robustness::setInodeFlag(file, FS_IMMUTABLE_FL, on); }

    std::string integrity() const {
        sqlite3* db = nullptr;
        std::string result = "cannot open";
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* check = nullptr;
            if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
                sqlite3_step(check) == SQLITE_ROW)
                result = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
            sqlite3_finalize(check);
        }
        sqlite3_close_v2(db);
        return result;
    }

    fs::path folder;
    fs::path file = folder / "registry.sqlite";
};

// The writer may not write the store: the file is immutable (its folder
// stays writable), or the writer runs as another user and may write neither
// the file nor its folder. Writes must be refused, and nothing refused may
// show; the values must be read as written or, where SQLite cannot read a
// write-ahead-log store without writing beside it, not at all, never wrongly.
TEST_F(StoreFaults, AStoreThatCannotBeWrittenRefusesWritesAndKeepsItsValues) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up the faults";
    struct Fault {
        const char* what;
        bool asNobody;
        bool mustRead;
    };
    const Fault faults[] = {
        {"immutable file", false, true},
        {"file and folder of another user", true, false},
    };
    for (const auto& fault : faults) {
        if (fault.asNobody) {
            ::chmod(file.c_str(), 0644);  // readable by all, writable by root only
        } else if (!setImmutable(true)) {
            std::cout << "not possible here: " << fault.what << "\n";
            continue;
        }
        enum Code { kFine, kMisread, kMissing, kWriteReported, kRefusedShows };
        const auto end = runInChild([&] {
            if (fault.asNobody && !becomeNobody()) return 90;
            SqliteRegistry registry(file);
            int code = kFine;
            for (int i = 0; i < kCommitted; ++i) {
                const std::string name = "v" + std::to_string(i);
                const auto value = load(registry, name);
                if (value && *value != valueFor(name, 200)) return int{kMisread};
                if (!value) code = kMissing;
            }
            if (store(registry, "refused")) return int{kWriteReported};
            if (load(registry, "refused")) return int{kRefusedShows};
            return code;
        });
        setImmutable(false);
        EXPECT_TRUE(end.exited) << fault.what << ": killed by signal " << end.code;
        if (fault.mustRead || end.code != kMissing) {
            EXPECT_EQ(end.code, kFine) << fault.what;
        } else {
            std::cout << fault.what << ": the values could not be read (a write-ahead log needs a writable folder)\n";
        }

        SqliteRegistry registry(file);
        expectCommittedValues(registry, fault.what);
        EXPECT_EQ(load(registry, "refused"), std::nullopt) << fault.what;
        EXPECT_TRUE(store(registry, "later")) << fault.what;
        EXPECT_EQ(integrity(), "ok") << fault.what;
    }
}

// A file size limit makes writes fail part-way (EFBIG), as a full disk does.
TEST_F(StoreFaults, ADiskThatFillsUpRefusesWritesAndLosesNothingCommitted) {
    constexpr int kAttempts = 120;
    constexpr std::size_t kLarge = 8192;
    Reports reports;
    const auto end = runInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlim_t size = static_cast<rlim_t>(fs::file_size(file)) + 96 * 1024;
        const rlimit limit{size, size};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 92;
        SqliteRegistry registry(file);
        for (int i = 0; i < kAttempts; ++i)
            reports.send({i, store(registry, "big" + std::to_string(i), kLarge) ? 1 : 0});
        return 0;
    });
    ASSERT_TRUE(end.ok()) << "child ended with " << end.code;
    reports.closeWriteEnd();

    SqliteRegistry registry(file);
    int stored = 0;
    int refused = 0;
    while (const auto record = reports.next()) {
        const std::string name = "big" + std::to_string(record->index);
        if (record->stored) {
            ++stored;
            EXPECT_EQ(load(registry, name), valueFor(name, kLarge)) << name << " was reported stored";
        } else {
            ++refused;
            EXPECT_EQ(load(registry, name), std::nullopt) << name << " was reported refused";
        }
    }
    EXPECT_EQ(stored + refused, kAttempts);
    EXPECT_GT(stored, 0);
    EXPECT_GT(refused, 0) << "the size limit never bit";
    expectCommittedValues(registry, "after the disk filled up");
    EXPECT_TRUE(store(registry, "later", kLarge));
    EXPECT_EQ(integrity(), "ok");
}

// The child keeps writing and reports each write the store said was done;
// the parent kills it after a different number of writes each round, so the
// kill falls at different moments of a write.
TEST_F(StoreFaults, AWriterKilledMidWriteLosesNoCommittedValue) {
    constexpr int kRounds = 6;
    for (int round = 0; round < kRounds; ++round) {
        const std::string prefix = "r" + std::to_string(round) + "-";
        const int killAfter = 20 + 53 * round;
        Reports reports;
        const pid_t child = robustness::startChild([&] {
            SqliteRegistry registry(file);
            for (std::int32_t i = 0;; ++i) {
                if (!store(registry, prefix + std::to_string(i), 3000)) return 1;
                if (!store(registry, prefix + "counter", 100 + i % 50)) return 2;
                reports.send({i, 1});
            }
        });
        ASSERT_GT(child, 0);
        reports.closeWriteEnd();
        int last = -1;
        while (last < killAfter) {
            const auto record = reports.next();
            if (!record) break;
            last = record->index;
        }
        // The child is busy with its next writes when the kill comes.
        const auto end = robustness::endChild(child, true);
        EXPECT_FALSE(end.exited) << "round " << round << ": the writer gave up with " << end.code;
        while (const auto record = reports.next()) last = record->index;
        ASSERT_GE(last, killAfter) << "round " << round;

        SqliteRegistry registry(file);
        for (int i = 0; i <= last; ++i) {
            const std::string name = prefix + std::to_string(i);
            ASSERT_EQ(load(registry, name), valueFor(name, 3000)) << "round " << round;
        }
        const auto counter = load(registry, prefix + "counter");
        ASSERT_TRUE(counter.has_value());
        EXPECT_TRUE(*counter == valueFor(prefix + "counter", 100 + last % 50) ||
                    *counter == valueFor(prefix + "counter", 100 + (last + 1) % 50))
            << "round " << round;
        expectCommittedValues(registry, "round " + std::to_string(round));
        EXPECT_EQ(integrity(), "ok") << "round " << round;
    }
}

}  // namespace
}  // namespace tavik
