// EditHosts on a large hosts file against the least any safe rewrite costs:
// reading the file and writing a synced copy of it. Prints the ratio of the
// medians (run with --benchmark_repetitions=N for more than one run each).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <vector>

#include "hosts/HostsEntry.h"
#include "hosts/HostsFile.h"
#include "platform/posix/PosixHostsFileStore.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLines = 200000;

class FixedClock : public tavik::Clock {
public:
    tavik::LocalDateTime now() const override { return {2026, 12, 8, 14, 3, 55}; }
    void sleepFor(std::chrono::milliseconds) override {}
};

// A folder with a hosts file of kLines lines, made once for both benchmarks.
struct BigHostsFile {
    BigHostsFile() : folder(fs::temp_directory_path() / ("tavik-bench-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(folder);
        std::ofstream out(hosts, std::ios::binary);
        for (int i = 0; i < kLines; ++i)
            out << "10." << (i >> 16) << '.' << ((i >> 8) & 255) << '.' << (i & 255) << "    host" << i
                << ".lan.example\n";
    }
    ~BigHostsFile() { fs::remove_all(folder); }
    fs::path folder;
    fs::path hosts = folder / "hosts";
};

bool readWhole(const fs::path& path, std::string& text) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    text.resize(ok ? static_cast<std::size_t>(info.st_size) : 0);
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t got = ::read(fd, text.data() + done, text.size() - done);
        ok = got > 0;
        if (ok) done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return ok;
}

bool writeSynced(const fs::path& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        ok = put > 0;
        if (ok) done += static_cast<std::size_t>(put);
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

BigHostsFile& bigFile() {
    static BigHostsFile file;
    return file;
}

void BM_EditHosts(benchmark::State& state) {
    tavik::PosixHostsFileStore store;
    FixedClock clock;
    tavik::HostsFile hostsFile(store, clock);
    const std::string host = bigFile().hosts.string();
    bool flip = false;
    for (auto _ : state) {
        // Alternating addresses, so that every edit really changes the file.
        hostsFile.EditHosts(host, (flip = !flip) ? "1.2.3.4" : "4.3.2.1", "srv.example");
    }
    // EditHosts reports no result; a rewrite that silently failed would be
    // timed as a very fast one, so the last edit is looked for in the file.
    const std::string expected = std::string(flip ? "1.2.3.4" : "4.3.2.1") + "    srv.example";
    std::ifstream in(bigFile().hosts, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    if (content.str().find(expected) == std::string::npos) state.SkipWithError("the hosts file lacks the last edit");
}

// The floor: one read of the whole file and one synced write of it into a new
// file, with plain system calls and no parsing.
void BM_CopyAndSync(benchmark::State& state) {
    const fs::path copy = bigFile().folder / "copy";
    std::string text;
    for (auto _ : state) {
        // Into a new file, the plain way to make a synced copy; the cost of
        // freeing the last copy's blocks is left out. (EditHosts writes over
        // its previous backup instead, which frees and allocates nothing.)
        state.PauseTiming();
        std::error_code ignored;
        fs::remove(copy, ignored);
        state.ResumeTiming();
        if (!readWhole(bigFile().hosts, text) || !writeSynced(copy, text)) state.SkipWithError("copy failed");
    }
}

// The part of EditHosts that is plain computation: the new text made from
// the old one, with no file touched. What EditHosts costs beyond this and
// the copy is the price of the lock, the backup and the swap.
void BM_RewriteHosts(benchmark::State& state) {
    std::string text;
    if (!readWhole(bigFile().hosts, text)) state.SkipWithError("cannot read the hosts file");
    const tavik::LocalDateTime now{2026, 12, 8, 14, 3, 55};
    for (auto _ : state) benchmark::DoNotOptimize(tavik::rewriteHosts(text, "1.2.3.4", "srv.example", now));
}

BENCHMARK(BM_EditHosts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RewriteHosts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();

// Collects the time per iteration of every run of each benchmark that did not
// fail, so that the
// ratio can be taken of the medians.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only for a terminal, so that the output can be filtered.
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.benchmark_name()].push_back(run.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The median time of one benchmark, 0 when it did not run.
    double median(const std::string& name) const {
        const auto found = times.find(name);
        if (found == times.end() || found->second.empty()) return 0;
        std::vector<double> sorted = found->second;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

    std::map<std::string, std::vector<double>> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double edit = reporter.median("BM_EditHosts/real_time");
    const double copy = reporter.median("BM_CopyAndSync/real_time");
    if (edit > 0 && copy > 0)
        std::printf("EditHosts / copy-and-fsync: %.2f (medians %.1f ms and %.1f ms, %zu runs each)\n",
                    edit / copy, edit, copy, reporter.times["BM_EditHosts/real_time"].size());
    const double rewrite = reporter.median("BM_RewriteHosts/real_time");
    if (edit > 0 && copy > 0 && rewrite > 0)
        std::printf("  of which the new text alone: %.1f ms; the rest over the copy: %.2f\n", rewrite,
                    (edit - rewrite) / copy);
    benchmark::Shutdown();
    return 0;
}
