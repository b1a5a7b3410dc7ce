#!/usr/bin/env bash
# The whole test run: install what is missing; configure, build and test the
# normal build; then the whole suite again under AddressSanitizer and UBSan;
# then a short run of every fuzz target; then the Windows programs, built with
# MinGW-w64 and tested under Wine. Any failure ends the run non-zero.
#
# The build folders default to build, build-asan and build-fuzz; BUILD_DIR,
# ASAN_BUILD_DIR and FUZZ_BUILD_DIR move them (to test a working tree without
# disturbing another run's folders). FUZZ_SECONDS sets each fuzz run's length.
# The Windows stage builds in build-win64 and build-win32 (WIN64_BUILD_DIR,
# WIN32_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
asan_build_dir=${ASAN_BUILD_DIR:-build-asan}
fuzz_build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
fuzz_seconds=${FUZZ_SECONDS:-25}
win64_build_dir=${WIN64_BUILD_DIR:-build-win64}
win32_build_dir=${WIN32_BUILD_DIR:-build-win32}
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

# The Windows programs, cross-built with MinGW-w64. The 64-bit tests run
# under Wine in a fresh prefix inside the build folder, the end-to-end test
# against the demo server of the normal build; the 32-bit programs are only
# built and linked, since these machines cannot run 32-bit code.
stage "Windows build (64-bit) and its tests under Wine"
unset ASAN_OPTIONS UBSAN_OPTIONS
cmake -S . -B "$win64_build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTAVIK_LINUX_BIN_DIR="$(realpath "$build_dir")/bin"
cmake --build "$win64_build_dir" -j "$jobs"
export WINEPREFIX="$(realpath "$win64_build_dir")/wineprefix" WINEDEBUG=-all
rm -rf "$WINEPREFIX"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
ctest --test-dir "$win64_build_dir" --output-on-failure -j "$jobs" --timeout 300
/usr/lib/wine/wineserver -k || true
unset WINEPREFIX WINEDEBUG

stage "Windows build (32-bit), built and linked only"
cmake -S . -B "$win32_build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_TESTING=OFF
cmake --build "$win32_build_dir" -j "$jobs"

stage "all passed"
