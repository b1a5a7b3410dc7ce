#!/usr/bin/env bash
# The whole test run: install what is missing; configure, build and test the
# normal build; then the whole suite again under AddressSanitizer and UBSan;
# then a short run of every fuzz target. Any failure ends the run non-zero.
#
# The build folders default to build, build-asan and build-fuzz; BUILD_DIR,
# ASAN_BUILD_DIR and FUZZ_BUILD_DIR move them (to test a working tree without
# disturbing another run's folders). FUZZ_SECONDS sets each fuzz run's length.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
asan_build_dir=${ASAN_BUILD_DIR:-build-asan}
fuzz_build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
fuzz_seconds=${FUZZ_SECONDS:-25}
jobs=$(nproc)

stage() { echo "=== $1 (at $((SECONDS / 60))m$((SECONDS % 60))s)"; }

stage "normal build and tests"
scripts/bootstrap.sh test
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j "$jobs"
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout 300

# Every report of a sanitizer fails the test that caused it: ASan stops at
# the first error, UBSan too (the build also makes it non-recoverable), and
# LeakSanitizer reports leaks at exit with a failing exit status. The e2e
# tests start the sanitized programs, so these reach them as well.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

stage "sanitized build and tests"
cmake -S . -B "$asan_build_dir" -DCMAKE_BUILD_TYPE=Debug -DTAVIK_SANITIZE=ON -DTAVIK_BUILD_BENCH=OFF
cmake --build "$asan_build_dir" -j "$jobs"
ctest --test-dir "$asan_build_dir" --output-on-failure -j "$jobs" --timeout 300

# libFuzzer comes with clang; only the fuzz targets and the libraries they
# test are built here, so the desktop module stays out of this build.
stage "fuzz targets, ${fuzz_seconds}s each"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$fuzz_build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAVIK_FUZZ=ON -DTAVIK_FUZZ_SECONDS="$fuzz_seconds" -DTAVIK_BUILD_BENCH=OFF
cmake --build "$fuzz_build_dir" -j "$jobs" --target fuzz_targets
ctest --test-dir "$fuzz_build_dir" -L '^fuzz$' --output-on-failure -j "$jobs"

stage "all passed"
