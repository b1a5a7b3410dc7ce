#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the demo server and the
# headless client against it in a sandbox (its own hosts file, settings store
# and program folder), and shows the hosts line appear and go.
#   scripts/demo.sh           runs until Ctrl-C, then ends the client
#   scripts/demo.sh --once    ends the client by itself after a few seconds
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/sandbox-store.sh
top=$(pwd)

# Only what the demo runs: no desktop, no tests, in a build folder of its own.
scripts/bootstrap.sh demo
build=build-demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTAVIK_BUILD_DESKTOP=OFF \
  -DTAVIK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target Tavik6 tavik6-demo-server tavik6-sign

sandbox="$top/demo-sandbox"
rm -rf "$sandbox"
mkdir -p "$sandbox/program" "$sandbox/etc" "$sandbox/served-updates"
cp "$build/bin/Tavik6" "$build/bin/libtavik6-verify.so" "$sandbox/program/"
printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost\n' > "$sandbox/etc/hosts"
cat > "$sandbox/accounts.txt" <<'ACCOUNTS'
# customer password class server-name server-ip status
k1001 geheim Firma firma-server 203.0.113.7 50
ACCOUNTS

# An update file as a release offers it: the program, signed with the key whose
# public half is built into this build (a throw-away pair made when the build
# folder was configured).
cp "$build/bin/Tavik6" "$sandbox/served-updates/Tavik6-6.20"
"$build/bin/tavik6-sign" "$build/signing/update-key.pem" "$sandbox/served-updates/Tavik6-6.20" >/dev/null

# The profile "Tavik6" is set up as the wizard would leave it.
seed_installed_profile "$sandbox/registry.sqlite"

"$build/bin/tavik6-demo-server" --port 0 --port-file "$sandbox/port" --accounts "$sandbox/accounts.txt" \
  --updates "$sandbox/served-updates" > "$sandbox/demo-server.log" 2>&1 &
server=$!
client=""
cleanup() {
  [ -n "$client" ] && kill -TERM "$client" 2>/dev/null && wait "$client" 2>/dev/null || true
  kill -TERM "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$sandbox/port" ] && break; sleep 0.1; done
port=$(cat "$sandbox/port")

export TAVIK_SERVICE_HOST="127.0.0.1:$port" TAVIK_UPDATE_HOST="127.0.0.1:$port"
export TAVIK_HOSTS_FILE="$sandbox/etc/hosts" TAVIK_REGISTRY="$sandbox/registry.sqlite" TAVIK_HEADLESS=1

echo "Demo server:   http://127.0.0.1:$port  (log: $sandbox/demo-server.log)"
echo "Hosts file:    $TAVIK_HOSTS_FILE"
echo "Settings:      $TAVIK_REGISTRY  (sqlite3 \"$TAVIK_REGISTRY\" 'SELECT key,name,data FROM registry')"
echo "Client:        $sandbox/program/Tavik6  (messages: $sandbox/client.log, log file: $sandbox/program/logTavik.TXT)"
echo "Update key:    public $build/signing/update-key.pub.pem (built into Tavik6 and Velmora4),"
echo "               private $build/signing/update-key.pem (throw-away, this build folder only)"
echo "Signed update: http://127.0.0.1:$port/update/Tavik6-6.20 and .../Tavik6-6.20.sig ($(stat -c %s "$sandbox/served-updates/Tavik6-6.20.sig") bytes),"
echo "               made by: $build/bin/tavik6-sign $build/signing/update-key.pem FILE"
start=$(date +%s%N)
"$sandbox/program/Tavik6" < /dev/null > "$sandbox/client.log" 2>&1 &
client=$!

for _ in $(seq 200); do grep -q firma-server "$TAVIK_HOSTS_FILE" && break; sleep 0.02; done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
echo
echo "After ${elapsed} ms the hosts file reads:"
sed 's/^/    /' "$TAVIK_HOSTS_FILE"
echo
echo "Try: curl 'http://127.0.0.1:$port/demo/set?user=k1001&ip=203.0.113.99' (the client asks again every 3 minutes)"

if [ "${1:-}" = "--once" ]; then
  sleep 2
else
  echo "Ctrl-C ends the client (it sends its offline notice and removes its line)."
  trap 'echo' INT
  wait "$client" || true
fi
kill -TERM "$client" 2>/dev/null && wait "$client" 2>/dev/null || true
client=""
echo "After the client ended, the hosts file reads:"
sed 's/^/    /' "$TAVIK_HOSTS_FILE"
