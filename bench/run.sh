#!/usr/bin/env bash
# Builds what the benchmarks need (Release, in build-bench/) and prints the
# performance figures, each a ratio of two things measured side by side in this
# one run:
#   1. EditHosts on a 200,000-line hosts file against a plain copy-and-fsync;
#   2. the headless Tavik6 against Debian's inadyn and ddclient: resident and
#      private memory after a few cycles, CPU time over a minute of idle cycles;
#   3. start to first request, the same three.
# Takes about three minutes. Everything talks to 127.0.0.1 only.
#   bench/run.sh [--period SECONDS] [--runs N]   (options go to compare_clients.py)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench

scripts/bootstrap.sh bench

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tavik6 tavik6-demo-server bench_edithosts >/dev/null

version() { dpkg-query -W -f '${Version}' "$1" 2>/dev/null || echo unknown; }
echo "Tavik6 benchmarks, $(date '+%Y-%m-%d %H:%M')"
echo "  machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')," \
     "$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo) RAM"
echo "  system:  Linux $(uname -r), $(. /etc/os-release && echo "$PRETTY_NAME")," \
     "temp folder on $(df --output=fstype "${TMPDIR:-/tmp}" | tail -1)"
echo "  build:   Release, $(c++ --version | head -1); inadyn $(version inadyn), ddclient $(version ddclient)"
echo

echo "1. EditHosts against copy-and-fsync, 200,000 lines"
"$build/bench/bench_edithosts" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true 2>/dev/null \
  | grep -E '^(BM_.*_median|EditHosts|  of which)' | sed 's/^/   /'
echo

python3 bench/compare_clients.py --bin-dir "$build/bin" "$@"
