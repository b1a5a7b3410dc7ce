#!/usr/bin/env python3
"""The headless Tavik6 side by side with Debian's inadyn and ddclient, all three
against one demo server on 127.0.0.1:

  - resident memory (VmRSS) and private memory (Private_Clean + Private_Dirty of
    smaps_rollup) after a few cycles, and CPU time over a window of idle cycles,
    all three running at the same time;
  - the time from spawning each program to the demo server receiving its first
    request (median of a few runs, one program at a time).

inadyn and ddclient send one dyndns2 update per period (forced, so that they
send it even when the address did not change), with a fixed address, so they
ask nobody but the demo server. Tavik6 ticks every 60 s and, online with the
account class "Firma", asks every third tick; the figures say how many requests
each program sent in the window.
"""

import argparse
import ctypes
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402  (the sandbox the end-to-end tests run the client in)

CLOCK_TICK_MS = 1000.0 / os.sysconf("SC_CLK_TCK")
LIBC = ctypes.CDLL(None, use_errno=True)

TAVIK_USER, TAVIK_PASSWORD = "bench-tavik", "geheim"
FIRST_TICK_MS = 500.0  # the cycle timer's first interval
INADYN_USER, INADYN_PASSWORD = "bench-inadyn", "geheim"
DDCLIENT_USER, DDCLIENT_PASSWORD = "bench-ddclient", "geheim"
# inadyn looks its host name up at start; "localhost" is answered from
# /etc/hosts, so no DNS query leaves the machine.
INADYN_HOST = "localhost"
DDCLIENT_HOST = "ddclient.bench.example"
DDCLIENT_ADDRESS = "192.0.2.20"

ACCOUNTS = [
    "%s %s Firma tavik.bench.example 192.0.2.7 50" % (TAVIK_USER, TAVIK_PASSWORD),
    "%s %s Firma %s 192.0.2.1 50" % (INADYN_USER, INADYN_PASSWORD, INADYN_HOST),
    "%s %s Firma %s 192.0.2.1 50" % (DDCLIENT_USER, DDCLIENT_PASSWORD, DDCLIENT_HOST),
]


class Contender:
    """One program under measurement: how to start it in its own temporary
    folder, which requests are its own, and how to end it."""

    name = ""

    def __init__(self, server, period):
        self.server = server
        self.period = period
        self.folder = tempfile.mkdtemp(prefix="tavik-bench-%s-" % self.name.lower())
        self.process = None

    def start(self):
        raise NotImplementedError

    def owns(self, target):
        raise NotImplementedError

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def _spawn(self, argv):
        self.log = open(os.path.join(self.folder, "output.log"), "w")
        self.process = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=subprocess.STDOUT, cwd=self.folder)
        self.log.close()
        return self.process

    def output(self):
        return harness.read_text(os.path.join(self.folder, "output.log"))


class Tavik(Contender):
    name = "Tavik6"

    def __init__(self, server, period):
        super().__init__(server, period)
        self.sandbox = harness.Sandbox()
        self.sandbox.install(TAVIK_USER, TAVIK_PASSWORD)
        # The store and the hosts file as the program leaves them after a
        # run: the store in write-ahead mode with its log file beside it, the
        # server's name and address stored (so that the start restores its
        # hosts line first). The sandbox writes the store in the default
        # rollback mode and closes it, which deletes the log; creating both
        # again costs several syncs that every start after the first does
        # not pay.
        self.sandbox.start(server)
        if not harness.wait_for(lambda: "192.0.2.7    tavik.bench.example" in self.sandbox.hosts_text()):
            raise RuntimeError("Tavik6 wrote no hosts line in its first run:\n%s" % self.sandbox.messages())
        if self.sandbox.terminate() != 0:
            raise RuntimeError("Tavik6's first run ended badly:\n%s" % self.sandbox.messages())

    def start(self):
        self.process = self.sandbox.start(self.server)
        return self.process

    def owns(self, target):
        return target.startswith("/cgi-bin/server/tavik6/readip6.cgi?%s&" % TAVIK_USER)

    def output(self):
        return self.sandbox.messages()

    def stop(self):
        self.sandbox.terminate()
        self.sandbox.cleanup()
        shutil.rmtree(self.folder, ignore_errors=True)


class Inadyn(Contender):
    name = "inadyn"

    def start(self):
        # The address comes from the loopback interface (no check-ip server);
        # inadyn sends a forced update once more than forced-update seconds have
        # passed, checked once a period, so one second less than the period
        # gives one update per period.
        conf = os.path.join(self.folder, "inadyn.conf")
        with open(conf, "w") as f:
            f.write("period = %d\nforced-update = %d\nverify-address = false\niface = lo\n"
                    "custom bench@tavik6-demo {\n"
                    "    ssl = false\n    username = %s\n    password = %s\n"
                    "    ddns-server = \"127.0.0.1:%d\"\n"
                    "    ddns-path = \"/nic/update?hostname=%%h&myip=%%i\"\n"
                    "    hostname = %s\n}\n"
                    % (self.period, self.period - 1, INADYN_USER, INADYN_PASSWORD, self.server.port,
                       INADYN_HOST))
        cache = os.path.join(self.folder, "cache")
        os.makedirs(cache)
        return self._spawn(["inadyn", "--foreground", "--config", conf, "--cache-dir", cache,
                            "--no-pidfile", "--loglevel", "notice"])

    def owns(self, target):
        return target.startswith("/nic/update?hostname=%s&" % INADYN_HOST)


class DdClient(Contender):
    name = "ddclient"

    def start(self):
        conf = os.path.join(self.folder, "ddclient.conf")
        with open(os.open(conf, os.O_WRONLY | os.O_CREAT, 0o600), "w") as f:
            f.write("daemon=%d\nforeground=yes\nssl=no\nsyslog=no\n"
                    "cache=%s\nuse=ip, ip=%s\nprotocol=dyndns2\nserver=127.0.0.1:%d\n"
                    "login=%s\npassword=%s\n%s\n"
                    % (self.period, os.path.join(self.folder, "ddclient.cache"), DDCLIENT_ADDRESS,
                       self.server.port, DDCLIENT_USER, DDCLIENT_PASSWORD, DDCLIENT_HOST))
        # -force on the command line: given in the file, ddclient still skips
        # an unchanged address in its later rounds.
        return self._spawn(["ddclient", "-file", conf, "-force"])

    def owns(self, target):
        return target.startswith("/nic/update?") and ("hostname=%s&" % DDCLIENT_HOST) in target


CONTENDERS = (Tavik, Inadyn, DdClient)


# -- what the demo server received

def timed_requests(server):
    """(monotonic seconds, target) of every request the demo server received."""
    rows = []
    for line in server.get("/demo/requests?times=1").splitlines():
        stamp, _, target = line.partition(" ")
        if target:
            rows.append((float(stamp), target))
    return rows


def first_request_after(server, contender, since, timeout=30.0):
    def find():
        for stamp, target in timed_requests(server):
            if stamp >= since and contender.owns(target):
                return stamp
        return None
    return harness.wait_for(find, timeout=timeout, step=0.02)


# -- what /proc says about a process

def cpu_ms(pid):
    """(CPU clock, utime + stime) of a process in milliseconds. The process CPU
    clock (clock_getcpuclockid) counts the same time as utime + stime of
    /proc/PID/stat, all threads, ended ones included, but in nanoseconds
    instead of whole clock ticks."""
    clock = ctypes.c_int()
    if LIBC.clock_getcpuclockid(pid, ctypes.byref(clock)) != 0:
        raise RuntimeError("no CPU clock for process %d" % pid)
    precise = time.clock_gettime_ns(clock.value) / 1e6
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rpartition(")")[2].split()
    return precise, (int(fields[11]) + int(fields[12])) * CLOCK_TICK_MS


def memory_kb(pid):
    """(VmRSS, Private_Clean + Private_Dirty) in kB."""
    resident = private = 0
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                resident = int(line.split()[1])
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                private += int(line.split()[1])
    return resident, private


# -- printing

def ratio(mine, theirs):
    return "%.2f" % (mine / theirs) if theirs else "n/a"


def print_table(rows, names):
    print("  %-34s" % "" + "".join("%14s" % name for name in names))
    for label, values in rows:
        print("  %-34s" % label + "".join("%14s" % value for value in values))


# -- the two measurements

SUMMARY = {}


def measure_side_by_side(server, period, window):
    contenders = [kind(server, period) for kind in CONTENDERS]
    try:
        started = time.monotonic()
        for contender in contenders:
            contender.start()
        firsts = [first_request_after(server, c, started) for c in contenders]
        for contender, first in zip(contenders, firsts):
            if first is None:
                raise RuntimeError("%s sent no request:\n%s" % (contender.name, contender.output()))
        time.sleep(2.0)  # let the first cycle's work settle
        begin = time.monotonic()
        cpu_before = [cpu_ms(c.process.pid) for c in contenders]
        time.sleep(window)
        end = time.monotonic()
        cpu_after = [cpu_ms(c.process.pid) for c in contenders]
        memory = [memory_kb(c.process.pid) for c in contenders]
        for contender in contenders:
            if contender.process.poll() is not None:
                raise RuntimeError("%s ended early:\n%s" % (contender.name, contender.output()))
        requests = timed_requests(server)
        in_window = [sum(1 for stamp, target in requests if begin <= stamp <= end and c.owns(target))
                     for c in contenders]
        since_start = [sum(1 for stamp, target in requests if started <= stamp <= end and c.owns(target))
                       for c in contenders]
    finally:
        for contender in contenders:
            contender.stop()

    cpu = [after[0] - before[0] for before, after in zip(cpu_before, cpu_after)]
    ticks = [after[1] - before[1] for before, after in zip(cpu_before, cpu_after)]
    names = [c.name for c in contenders]
    print("2. Memory and CPU, the three running side by side (inadyn and ddclient: period %d s;" % period)
    print("   Tavik6: class Firma, a tick every 60 s, a request every 3rd tick), measured over %.0f s" % (end - begin))
    print("   that began %.1f s after the start, when each had sent its first request" % (begin - started))
    print_table([
        ("resident, VmRSS (kB)", [str(r) for r, _ in memory]),
        ("private, Private_Clean+Dirty (kB)", [str(p) for _, p in memory]),
        ("CPU in the window (ms)", ["%.2f" % c for c in cpu]),
        ("  the same from /proc stat (ms)", ["%.0f" % t for t in ticks]),
        ("CPU from start to window end (ms)", ["%.1f" % total for total, _ in cpu_after]),
        ("requests in the window", [str(n) for n in in_window]),
        ("requests from start to window end", [str(n) for n in since_start]),
    ], names)
    SUMMARY["names"] = names
    SUMMARY["resident_kb"] = [r for r, _ in memory]
    SUMMARY["private_kb"] = [p for _, p in memory]
    tavik, inadyn, ddclient = 0, 1, 2
    print("   ratios Tavik6/inadyn and Tavik6/ddclient:")
    print("     resident  %s and %s" % (ratio(memory[tavik][0], memory[inadyn][0]),
                                        ratio(memory[tavik][0], memory[ddclient][0])))
    print("     private   %s and %s" % (ratio(memory[tavik][1], memory[inadyn][1]),
                                        ratio(memory[tavik][1], memory[ddclient][1])))
    print("     CPU       %s and %s  (in the window; requests sent there: %s)"
          % (ratio(cpu[tavik], cpu[inadyn]), ratio(cpu[tavik], cpu[ddclient]),
             ", ".join("%s %d" % (name, n) for name, n in zip(names, in_window))))


def measure_first_request(server, runs):
    delays = {kind.name: [] for kind in CONTENDERS}
    for _ in range(runs):
        # Interleaved, so that a slow phase of the machine hits all three alike.
        for kind in CONTENDERS:
            contender = kind(server, 60)
            try:
                spawned = time.monotonic()
                contender.start()
                first = first_request_after(server, contender, spawned)
                if first is None:
                    raise RuntimeError("%s sent no request:\n%s" % (contender.name, contender.output()))
                delays[kind.name].append((first - spawned) * 1000.0)
            finally:
                contender.stop()
    names = [kind.name for kind in CONTENDERS]
    medians = [statistics.median(delays[name]) for name in names]
    print("3. Start to first request (spawn to the demo server receiving it), %d runs each" % runs)
    print_table([
        ("median (ms)", ["%.0f" % m for m in medians]),
        ("fastest .. slowest (ms)", ["%.0f..%.0f" % (min(delays[n]), max(delays[n])) for n in names]),
    ], names)
    print("   ratios Tavik6/inadyn and Tavik6/ddclient: %s and %s"
          % (ratio(medians[0], medians[1]), ratio(medians[0], medians[2])))
    own = [medians[0] - FIRST_TICK_MS] + medians[1:]
    SUMMARY["start_ms"] = own
    print("   Tavik6 sends its first request on its first tick, %.0f ms after the start; without that"
          % FIRST_TICK_MS)
    print("   wait: %.0f ms, ratios %s and %s" % (own[0], ratio(own[0], own[1]), ratio(own[0], own[2])))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bin-dir", required=True, help="folder with Tavik6 and tavik6-demo-server")
    parser.add_argument("--period", type=int, default=60,
                        help="update period of inadyn and ddclient, seconds (default 60)")
    parser.add_argument("--window", type=float, default=None,
                        help="length of the CPU window, seconds (default: the period)")
    parser.add_argument("--runs", type=int, default=5, help="start-up runs per program (default 5)")
    parser.add_argument("--summary", help="file to write the headline figures to, as JSON")
    args = parser.parse_args()
    if args.period < 60:
        parser.error("ddclient runs as a daemon with periods of 60 s and more")
    harness.BIN_DIR = os.path.abspath(args.bin_dir)

    folder = tempfile.mkdtemp(prefix="tavik-bench-server-")
    server = harness.DemoServer(folder, ACCOUNTS)
    try:
        measure_side_by_side(server, args.period, args.window or args.period)
        print()
        measure_first_request(server, args.runs)
        if args.summary:
            with open(args.summary, "w") as f:
                json.dump(SUMMARY, f)
    finally:
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
