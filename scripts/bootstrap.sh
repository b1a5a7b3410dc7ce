#!/usr/bin/env bash
# Installs the Debian packages one purpose needs, and nothing more:
#   scripts/bootstrap.sh demo    build the headless client and the demo server
#   scripts/bootstrap.sh test    everything the test command builds and runs (default)
#   scripts/bootstrap.sh bench   the benchmarks, with the other clients they compare against
# Idempotent: asks apt only when a package is missing.
set -euo pipefail

purpose=${1:-test}

demo_packages=(
  # the headless client and the demo server
  g++ cmake make pkg-config
  libsqlite3-dev sqlite3
  libcpp-httplib-dev
  libboost-dev  # Boost.Beast and Boost.Asio, header-only, for the transfer
  libssl-dev openssl  # libcrypto for update signatures and the TLS module; openssl makes the build's key pair and the tests' certificates
  python3 procps
)

test_packages=(
  "${demo_packages[@]}"
  # unit tests and the benchmarks' own programs
  libgtest-dev libgmock-dev libbenchmark-dev
  # the desktop front end, its browser window and the review pictures
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-webengine-dev libgl-dev
  libglib2.0-dev qt6-translations-l10n  # the desktop's launcher library (GIO); Qt's German texts
  xvfb xauth x11-utils imagemagick xdotool trayer
  # fuzzing and sanitizers; a second resolver; packaging and its checks
  clang-14 libclang-rt-14-dev llvm-14 musl-tools dpkg-dev fakeroot lintian
  # the privileged hosts helper's end-to-end test mounts its stand-in over pkexec
  pkexec
  # setfacl, for the test that an edit keeps the hosts file's ACL
  acl
  dbus-daemon dbus-bin python3-dbusmock  # a private bus with a mock logind for the session-end tests
  # the Windows programs: MinGW-w64 (POSIX threads), Wine for their tests, the installer
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 nsis
  osslsigncode  # Authenticode signatures on the Windows programs
  librsvg2-bin  # rsvg-convert: the Windows windows' pictures from the SVG icons at build time
)

bench_packages=(
  "${demo_packages[@]}"
  libbenchmark-dev
  # the other dynamic-address clients the benchmarks compare against
  inadyn ddclient
)

case "$purpose" in
  demo) packages=("${demo_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  bench) packages=("${bench_packages[@]}") ;;
  *)
    echo "bootstrap: unknown purpose '$purpose' (demo, test or bench)" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The peers are measured by starting them by hand; their own daemons would
# otherwise send this machine's address to a service nobody asked for.
if [ "$purpose" = bench ] && [ -d /run/systemd/system ]; then
  for daemon in inadyn ddclient; do
    "${sudo_cmd[@]}" systemctl disable --now "$daemon.service" >/dev/null 2>&1 || true
  done
fi
