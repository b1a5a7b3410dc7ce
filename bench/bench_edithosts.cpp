// EditHosts on a large hosts file against the least any safe rewrite costs:
// reading the file and writing a synced copy of it. Prints the ratio.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

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
}

void BM_CopyAndSync(benchmark::State& state) {
    const fs::path copy = bigFile().folder / "copy";
    for (auto _ : state) {
        std::ifstream in(bigFile().hosts, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        const std::string text = content.str();
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) || ::fsync(fd) != 0) {
            state.SkipWithError("copy failed");
        }
        if (fd >= 0) ::close(fd);
    }
}

BENCHMARK(BM_EditHosts)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();

// Remembers the time per iteration of each benchmark to print their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto edit = reporter.times.find("BM_EditHosts/real_time");
    const auto copy = reporter.times.find("BM_CopyAndSync/real_time");
    if (edit != reporter.times.end() && copy != reporter.times.end() && copy->second > 0)
        std::printf("EditHosts / copy-and-fsync: %.2f\n", edit->second / copy->second);
    benchmark::Shutdown();
    return 0;
}
