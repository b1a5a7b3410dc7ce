#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Idempotent: asks apt only when a package is missing.
set -euo pipefail

packages=(
  # build and unit tests
  g++ cmake make pkg-config
  libsqlite3-dev sqlite3
  libcpp-httplib-dev
  libboost-dev  # Boost.Beast and Boost.Asio, header-only, for the transfer
  libgtest-dev libgmock-dev libbenchmark-dev
  # end-to-end tests, demo and benchmarks
  python3 procps
  # the desktop front end, its browser window and the review pictures
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-webengine-dev libgl-dev
  xvfb xauth x11-utils imagemagick xdotool trayer
  # fuzzing and sanitizers; a second resolver; packaging
  clang-14 libclang-rt-14-dev llvm-14 musl-tools dpkg-dev fakeroot
  # the other dynamic-address clients the benchmarks compare against
  inadyn ddclient
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
