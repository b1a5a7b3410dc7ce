#!/usr/bin/env bash
# Builds what the benchmarks need (Release, in build-bench/) and prints the
# performance figures, each a ratio of two things measured side by side in this
# one run:
#   1. EditHosts on a 200,000-line hosts file against a plain copy-and-fsync;
#   2. the headless Tavik6 against Debian's inadyn and ddclient: resident and
#      private memory after a few cycles, CPU time over a minute of idle cycles;
#   3. start to first request, the same three;
# and then the four headline figures beside their aims.
# Takes about three minutes. Everything talks to 127.0.0.1 only.
#   bench/run.sh [--period SECONDS] [--runs N]   (options go to compare_clients.py)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench

scripts/bootstrap.sh bench

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTAVIK_BUILD_DESKTOP=OFF >/dev/null
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
edithosts=$("$build/bench/bench_edithosts" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
  2>/dev/null | grep -E '^(BM_.*_median|EditHosts|  of which)' || true)
echo "$edithosts" | sed 's/^/   /'
echo

summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
python3 bench/compare_clients.py --bin-dir "$build/bin" --summary "$summary" "$@"
echo
EDITHOSTS_RATIO=$(echo "$edithosts" | sed -n 's/^EditHosts[^:]*: *\([0-9.]*\).*/\1/p') python3 - "$summary" <<'PY'
import json, os, sys
s = json.load(open(sys.argv[1]))
tavik, inadyn, ddclient = 0, 1, 2
def row(label, values, aim, met):
    print("  %-32s%10s%10s%10s   %-22s%s" % ((label,) + tuple(values) + (aim, "" if met is None else ("met" if met else "NOT met"))))
print("Summary: the headline figures of this run beside their aims")
row("", s["names"], "aim", None)
ratio = os.environ.get("EDITHOSTS_RATIO") or "n/a"
row("EditHosts / copy-and-fsync", [ratio, "", ""], "see bench_edithosts", None)
r, p, t = s["resident_kb"], s["private_kb"], s["start_ms"]
row("resident memory (kB)", r, "<= inadyn", r[tavik] <= r[inadyn])
row("private memory (kB)", p, "< inadyn", p[tavik] < p[inadyn])
row("own start-up (ms)", ["%.0f" % v for v in t], "<= 10 ms", t[tavik] <= 10)
print("  (own start-up: Tavik6's start to first request less its 500 ms first tick; the others' in all)")
PY
