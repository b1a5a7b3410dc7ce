"""End-to-end: the companion programs. The restart and the update through the
real updater Velmora4, the service tool AppToService against a temporary unit
folder, and the Debian package installed into and removed from a temporary root."""

import glob
import grp
import os
import pwd
import re
import shutil
import signal
import sqlite3
import stat
import subprocess
import tempfile
import unittest

from harness import BIN_DIR, PRODUCT_KEY, SIGNING_KEY, VERIFY_MODULE, DemoServer, Sandbox, read_text, sign, wait_for

ACCOUNT = "k1001 geheim Firma firma-server 10.0.0.7 50"
IP_REQUEST = "/cgi-bin/server/tavik6/readip6.cgi?k1001&geheim&6.10"
BUILD_DIR = os.environ.get("TAVIK_BUILD_DIR", os.path.join(BIN_DIR, ".."))
# The updater checks this long that a program it started keeps running.
CONFIRM_SECONDS = 5


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def processes_under(folder):
    """Ids of the processes started from a file below `folder`, or with such a
    file on their command line (scripts run by /bin/sh)."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) == os.getpid():
            continue
        try:
            exe = os.readlink("/proc/%s/exe" % name)
            with open("/proc/%s/cmdline" % name, "rb") as f:
                cmdline = f.read().decode("utf-8", "replace")
        except OSError:
            continue
        if exe.startswith(folder + "/") or folder + "/" in cmdline:
            found.append(int(name))
    return found


def command_line(pid):
    with open("/proc/%d/cmdline" % pid, "rb") as f:
        return f.read().decode("utf-8").split("\0")[:-1]


def running_program(program):
    """Ids of the live processes whose program file is `program`."""
    pids = []
    for pid in processes_under(os.path.dirname(program)):
        try:
            if os.readlink("/proc/%d/exe" % pid) == program:
                pids.append(pid)
        except OSError:
            pass
    return pids


class DemoServerOnPort(DemoServer):
    """The demo server again on the port a stopped one had, as a server that
    comes back after an outage."""

    def __init__(self, folder, port):
        self.folder = folder
        self.context = None  # plain HTTP
        self.updates = os.path.join(folder, "served-updates")
        self.log = open(os.path.join(folder, "demo-server-2.log"), "w")
        port_file = os.path.join(folder, "port-2")
        self.process = subprocess.Popen(
            [os.path.join(BIN_DIR, "tavik6-demo-server"), "--port", str(port), "--port-file", port_file,
             "--accounts", os.path.join(folder, "accounts.txt"), "--updates", self.updates],
            stdout=self.log, stderr=subprocess.STDOUT)
        wait_for(lambda: os.path.exists(port_file) and read_text(port_file).strip(), timeout=10)
        self.port = port
        self.host = "127.0.0.1:%d" % port


class CompanionCase(unittest.TestCase):
    profile = "Büro 2"
    fast_cycle = False
    accounts = [ACCOUNT]
    version = "6.10"

    def setUp(self):
        self.box = Sandbox(profile=self.profile, fast_cycle=self.fast_cycle)
        self.servers = [DemoServer(self.box.root, self.accounts, version=self.version)]
        self.box.install("K1001", "geheim")
        self.folder = self.box.program_folder
        self.program = os.path.join(self.folder, "Tavik6")
        self.original = read_bytes(self.program)
        shutil.copy2(os.path.join(BIN_DIR, "Velmora4"), os.path.join(self.folder, "Velmora4"))

    def tearDown(self):
        for server in self.servers:
            server.stop()
        # Whatever the test started, directly or through the updater; the
        # updaters first, so that none starts a program again meanwhile.
        for _ in range(20):
            pids = processes_under(self.box.root)
            if not pids:
                break
            updaters = [p for p in pids if os.path.basename(self._exe(p)) == "Velmora4"]
            for pid in updaters or pids:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            wait_for(lambda: not set(updaters or pids) & set(processes_under(self.box.root)), timeout=5)
        self.box.cleanup()

    @staticmethod
    def _exe(pid):
        try:
            return os.readlink("/proc/%d/exe" % pid)
        except OSError:
            return ""

    @property
    def server(self):
        return self.servers[-1]

    def log_text(self):
        path = os.path.join(self.folder, "logTavik.TXT")
        return read_text(path) if os.path.exists(path) else ""

    def ip_requests(self):
        return [r for r in self.server.requests() if r.startswith("/cgi-bin/server/tavik6/readip6.cgi")]

    def wait_for_client_exit(self):
        return wait_for(lambda: self.box.client.poll() is not None, timeout=30)

    def wait_for_updater(self, line):
        # The updater writes to the standard error it got from the client.
        return wait_for(lambda: line in self.box.messages(), timeout=60 + 2 * CONFIRM_SECONDS)

    def the_program_runs_again(self, old_pid, profile_words):
        pids = [p for p in running_program(self.program) if p != old_pid]
        self.assertEqual(len(pids), 1, self.box.messages())
        self.assertEqual(command_line(pids[0]), [self.program] + profile_words)
        return pids[0]

    def assert_executable(self, path):
        self.assertTrue(os.stat(path).st_mode & stat.S_IXUSR, path)


class Restart(CompanionCase):
    fast_cycle = True

    def test_eleven_failed_cycles_restart_the_program_through_the_updater(self):
        self.box.store("Restart", "1")
        self.box.start(self.server, arguments=self.profile.split(" "))
        self.assertTrue(wait_for(lambda: IP_REQUEST in self.ip_requests()))
        old_pid = self.box.client.pid
        port = self.server.port
        self.server.stop()

        self.assertTrue(wait_for(lambda: "\tTavik6 kopiert" in self.log_text(), timeout=60), self.box.messages())
        # The server is back before the restarted program has failed ten times.
        self.servers.append(DemoServerOnPort(self.box.root, port))
        self.assertTrue(self.wait_for_client_exit())
        self.assertEqual(self.box.client.returncode, 0)
        self.assertEqual(read_bytes(os.path.join(self.folder, "Updates", "Tavik6")), self.original)

        self.assertTrue(wait_for(lambda: IP_REQUEST in self.ip_requests(), timeout=30), self.box.messages())
        self.the_program_runs_again(old_pid, ["Büro 2"])
        self.assertTrue(self.wait_for_updater("Velmora4: Fertig: das neue Programm läuft."), self.box.messages())
        self.assertEqual(read_bytes(self.program), self.original)
        self.assert_executable(self.program)
        self.assertEqual(read_bytes(self.program + ".bak"), self.original)


    def test_in_a_package_install_the_restart_starts_the_same_process_afresh_and_copies_nothing(self):
        # dpkg's file list in the sandbox's root names the program file.
        info = os.path.join(self.box.root, "var", "lib", "dpkg", "info")
        os.makedirs(info)
        with open(os.path.join(info, "tavik6.list"), "w") as f:
            f.write("/program\n/program/Tavik6\n")
        logs = os.path.join(self.box.root, "log")
        state = os.path.join(self.box.root, "state")
        self.box.store("Restart", "1")
        self.box.start(self.server, arguments=self.profile.split(" "), LOGS_DIRECTORY=logs, STATE_DIRECTORY=state)
        self.assertTrue(wait_for(lambda: IP_REQUEST in self.ip_requests()))
        pid = self.box.client.pid
        port = self.server.port
        self.server.stop()

        log = os.path.join(logs, "logTavik.TXT")
        self.assertTrue(wait_for(lambda: os.path.exists(log) and "ohne eine Programmdatei zu ersetzen" in read_text(log),
                                 timeout=60), self.box.messages())
        # A fresh start says again that the server cannot be reached.
        self.assertTrue(wait_for(lambda: self.box.messages().count("ist nicht erreichbar") >= 2, timeout=30),
                        self.box.messages())
        self.servers.append(DemoServerOnPort(self.box.root, port))
        self.assertTrue(wait_for(lambda: IP_REQUEST in self.ip_requests(), timeout=30), self.box.messages())
        self.assertIsNone(self.box.client.poll(), self.box.messages())
        self.assertEqual(running_program(self.program), [pid])
        self.assertEqual(command_line(pid), [self.program, "Büro", "2"])
        self.assertEqual(read_bytes(self.program), self.original)
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["Tavik6", "Velmora4", "libtavik6-tls.so", VERIFY_MODULE])
        self.assertEqual(os.listdir(os.path.join(state, "Updates")), [])
        self.assertEqual(self.box.terminate(), 0)

    def test_without_an_updater_the_restart_is_refused_once_and_nothing_is_copied(self):
        os.remove(os.path.join(self.folder, "Velmora4"))
        self.box.store("Restart", "1")
        self.box.start(self.server, arguments=self.profile.split(" "))
        self.assertTrue(wait_for(lambda: IP_REQUEST in self.ip_requests()))
        self.server.stop()

        refusal = "Kein Neustart möglich: das Programm Velmora4 fehlt in %s. Tavik6 läuft weiter." % self.folder
        self.assertTrue(wait_for(lambda: refusal in self.log_text(), timeout=60), self.box.messages())
        # Many more failed cycles (0.3 s apart in this build) add nothing.
        wait_for(lambda: False, timeout=5)
        self.assertIsNone(self.box.client.poll(), self.box.messages())
        self.assertEqual(self.log_text().count("Kein Neustart"), 1, self.log_text())
        self.assertEqual(self.box.messages().count(refusal), 1, self.box.messages())
        self.assertNotIn("kopiert", self.log_text())
        self.assertFalse(os.path.exists(os.path.join(self.folder, "Updates", "Tavik6")))


@unittest.skipUnless(SIGNING_KEY, "update files cannot be signed for this build")
class Update(CompanionCase):
    accounts = [ACCOUNT + " Tavik6-6.20"]
    version = "6.20"

    @property
    def served(self):
        return os.path.join(self.server.updates, "Tavik6-6.20")

    def offer(self, script):
        with open(self.served, "w") as f:
            f.write(script)
        sign(self.served)
        self.box.store("AutoUpdate", "1")

    def start_client(self):
        self.box.start(self.server, arguments=self.profile.split(" "))
        return self.box.client.pid

    def test_update_puts_the_new_program_in_place_and_starts_it_with_its_profile(self):
        record = os.path.join(self.box.root, "new-program")
        script = ("#!/bin/sh\n# Tavik6 6.20\nprintf '%%s\\n' \"$$\" \"$#\" \"$1\" > '%s.tmp'\n"
                  "mv '%s.tmp' '%s'\nwhile sleep 1; do :; done\n") % (record, record, record)
        self.offer(script)
        self.start_client()
        self.assertTrue(self.wait_for_client_exit(), self.box.messages())

        self.assertTrue(wait_for(lambda: os.path.exists(record), timeout=30), self.box.messages())
        pid, count, profile = read_text(record).splitlines()
        self.assertEqual((count, profile), ("1", "Büro 2"), "the profile is one argument")
        self.assertIn(int(pid), processes_under(self.box.root), "the new program keeps running")
        self.assertEqual(read_text(self.program), script)
        self.assert_executable(self.program)
        self.assertEqual(read_bytes(self.program + ".bak"), self.original, "the previous program is kept")
        self.assertTrue(self.wait_for_updater("Velmora4: Fertig: das neue Programm läuft."), self.box.messages())

    def test_real_build_is_installed_and_started_with_a_profile_of_two_blanks(self):
        # A build of the program holds "<HEAD>" among its bytes; the bytes
        # after its end mark this one as the new version.
        profile = "Büro  2"
        self.box.profile = profile
        self.box.install("K1001", "geheim")
        self.box.store("AutoUpdate", "1")
        self.assertIn(b"<HEAD>", self.original.upper())
        build = self.original + b"\0Tavik6 6.20\0"
        with open(self.served, "wb") as f:
            f.write(build)
        sign(self.served)
        self.box.start(self.server, arguments=[profile])
        old_pid = self.box.client.pid
        self.assertTrue(self.wait_for_client_exit(), self.box.messages())

        self.assertTrue(self.wait_for_updater("Velmora4: Fertig: das neue Programm läuft."), self.box.messages())
        self.assertEqual(read_bytes(self.program), build)
        self.assert_executable(self.program)
        self.assertEqual(read_bytes(self.program + ".bak"), self.original)
        self.the_program_runs_again(old_pid, [profile])
        # The new program works with its profile's settings: the server hears
        # from it again (and it tries no second update today).
        self.assertTrue(wait_for(lambda: self.ip_requests().count(IP_REQUEST) >= 2), self.server.requests())
        self.assertEqual([r for r in self.server.requests() if r.startswith("/update/")],
                         ["/update/Tavik6-6.20"] * 2 + ["/update/Tavik6-6.20.sig"])

    def test_new_program_that_exits_at_once_is_replaced_by_the_previous_one(self):
        self.offer("#!/bin/sh\nexit 1\n")
        old_pid = self.start_client()
        self.assertTrue(self.wait_for_client_exit(), self.box.messages())

        self.assertTrue(self.wait_for_updater("Velmora4: Fertig: das bisherige Programm läuft wieder."),
                        self.box.messages())
        self.assertEqual(read_bytes(self.program), self.original)
        self.assert_executable(self.program)
        self.the_program_runs_again(old_pid, ["Büro 2"])
        # Back at work: it asks the server again (and tries no second update today).
        self.assertTrue(wait_for(lambda: len(self.ip_requests()) >= 2), self.server.requests())

    def test_update_file_that_cannot_be_put_in_place_keeps_the_old_program(self):
        self.start_client()
        self.assertTrue(wait_for(lambda: IP_REQUEST in self.ip_requests()))
        old_pid = self.box.client.pid
        # The client hands over as it does after a download, and ends at once;
        # the file it names is a folder, which cannot become the program.
        os.makedirs(os.path.join(self.folder, "Updates", "Tavik6-6.20", "inner"))
        stderr_path = os.path.join(self.box.root, "updater.stderr")
        with open(stderr_path, "w") as stderr:
            updater = subprocess.Popen([os.path.join(self.folder, "Velmora4"), "Tavik6-6.20,Büro", "2"],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr,
                                       env=self.client_environment())
        self.box.client.kill()
        self.assertEqual(updater.wait(timeout=60 + 2 * CONFIRM_SECONDS), 0, read_text(stderr_path))

        self.assertIn("Neue Datei kopieren: fehlgeschlagen", read_text(stderr_path))
        self.assertEqual(read_bytes(self.program), self.original)
        self.assert_executable(self.program)
        leftovers = [n for n in os.listdir(self.folder) if n.startswith(".") or n.endswith(".bak")]
        self.assertEqual(leftovers, [], "neither a temporary file nor a backup of an unchanged program")
        self.the_program_runs_again(old_pid, ["Büro 2"])
        self.assertTrue(wait_for(lambda: len(self.ip_requests()) >= 2), self.server.requests())

    def spoil(self, how):
        """The served update file with a signature that does not hold."""
        if how == "unsigned":
            os.remove(self.served + ".sig")
        elif how == "signed by another key":
            other = os.path.join(self.box.root, "other-key.pem")
            if not os.path.exists(other):
                subprocess.run(["openssl", "genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                                "-out", other], check=True, capture_output=True)
            sign(self.served, key=other)
        elif how == "altered after signing":
            with open(self.served, "ab") as f:
                f.write(b"\0")

    SPOILED = ("unsigned", "signed by another key", "altered after signing")

    def test_client_keeps_running_when_the_signature_does_not_hold(self):
        build = self.original + b"\0Tavik6 6.20\0"
        for number, how in enumerate(self.SPOILED, 1):
            with self.subTest(how):
                with open(self.served, "wb") as f:
                    f.write(build)
                sign(self.served)
                self.spoil(how)
                self.box.store("AutoUpdate", "1")
                self.box.store("IUpdate", "01.12.2026", section="Software")
                self.start_client()
                said = "Das Update \"Tavik6-6.20\" wurde nicht installiert: "
                self.assertTrue(wait_for(lambda: self.box.messages().count(said) == number, timeout=30),
                                self.box.messages())
                self.assertEqual(self.log_text().count(said), number, self.log_text())
                self.assertIsNone(self.box.client.poll(), "the old version goes on")
                self.assertIn("firma-server", self.box.hosts_text())
                self.assertEqual(os.listdir(os.path.join(self.folder, "Updates")), [])
                self.assertEqual(read_bytes(self.program), self.original)
                self.assertEqual(self.box.terminate(), 0)
                self.assertNotIn("Velmora4", self.box.messages())

    def test_updater_puts_nothing_in_place_whose_signature_does_not_hold(self):
        # As if the file had been put into Updates/ behind the client's back.
        copy = os.path.join(self.folder, "Updates", "Tavik6-6.20")
        os.makedirs(os.path.dirname(copy), exist_ok=True)
        for how in self.SPOILED:
            with self.subTest(how):
                with open(self.served, "wb") as f:
                    f.write(b"#!/bin/sh\nwhile sleep 1; do :; done\n")
                sign(self.served)
                self.spoil(how)
                for name in ("Tavik6-6.20", "Tavik6-6.20.sig"):
                    if os.path.exists(os.path.join(self.server.updates, name)):
                        shutil.copy(os.path.join(self.server.updates, name), os.path.join(self.folder, "Updates"))
                    elif os.path.exists(os.path.join(self.folder, "Updates", name)):
                        os.remove(os.path.join(self.folder, "Updates", name))
                # Standard error to a file: the program it starts keeps a pipe open.
                stderr_path = os.path.join(self.box.root, "updater.stderr")
                with open(stderr_path, "w") as stderr:
                    updater = subprocess.Popen([os.path.join(self.folder, "Velmora4"), "--confirm-seconds", "1",
                                                "Tavik6-6.20,Büro 2"], stdin=subprocess.DEVNULL,
                                               stdout=subprocess.DEVNULL, stderr=stderr, env=self.client_environment())
                self.assertEqual(updater.wait(timeout=60), 0, read_text(stderr_path))
                said = read_text(stderr_path)
                self.assertIn("Signatur prüfen: fehlgeschlagen (", said)
                self.assertIn("das bisherige Programm läuft wieder", said)
                self.assertEqual(read_bytes(self.program), self.original)
                self.assertFalse(os.path.exists(self.program + ".bak"))
                restarted = running_program(self.program)
                self.assertEqual(len(restarted), 1, said)
                os.kill(restarted[0], signal.SIGTERM)
                wait_for(lambda: not running_program(self.program))

    def client_environment(self):
        return dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_UPDATE_HOST=self.server.host,
                    TAVIK_HOSTS_FILE=self.box.hosts, TAVIK_REGISTRY=self.box.registry, TAVIK_HEADLESS="1")


class ServiceTool(unittest.TestCase):
    """AppToService with the words the program's command lines split into."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tavik-service-")
        self.folder = os.path.join(self.root, "Meine Programme", "tavik 6")
        os.makedirs(self.folder)
        self.tool = os.path.join(self.folder, "AppToService")
        shutil.copy2(os.path.join(BIN_DIR, "AppToService"), self.tool)
        shutil.copy2(os.path.join(BIN_DIR, "Tavik6"), os.path.join(self.folder, "Tavik6"))
        self.units = os.path.join(self.root, "units")
        self.unit = os.path.join(self.units, "tavik6.service")

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def run_tool(self, *words, **environment):
        env = dict(os.environ, TAVIK_UNIT_DIR=self.units, **environment)
        for name in ("TAVIK_REGISTRY", "TAVIK_HOSTS_FILE", "TAVIK_SERVICE_HOST", "TAVIK_UPDATE_HOST"):
            if name not in environment:
                env.pop(name, None)
        return subprocess.run([self.tool, *words], env=env, cwd=self.root, capture_output=True, text=True,
                              timeout=30)

    def test_install_and_remove_with_blanks_in_folder_and_profile(self):
        # /Install /Startup:A "<folder>/" Tavik6" /Arguments:"Büro 2", split at blanks outside quotes
        result = self.run_tool("/Install", "/Startup:A", self.folder + "/", "Tavik6 /Arguments:Büro", "2",
                               TAVIK_REGISTRY="store.sqlite")
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = read_text(self.unit).splitlines()
        self.assertIn('ExecStart="%s/Tavik6" "Büro 2"' % self.folder, lines)
        self.assertIn("Environment=TAVIK_HEADLESS=1", lines)
        self.assertIn('Environment="TAVIK_REGISTRY=%s/store.sqlite"' % self.root, lines)
        self.assertIn("Restart=on-failure", lines)
        target = "multi-user.target" if os.geteuid() == 0 else "default.target"
        self.assertIn("WantedBy=" + target, lines)
        self.assertEqual(stat.S_IMODE(os.stat(self.unit).st_mode), 0o644)
        if shutil.which("systemd-analyze"):
            verify = subprocess.run(["systemd-analyze", "verify", "--man=no", self.unit],
                                    capture_output=True, text=True, timeout=60)
            self.assertEqual(verify.returncode, 0, verify.stderr)

        result = self.run_tool("/Remove", "Tavik6")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertFalse(os.path.exists(self.unit))
        self.assertEqual(os.listdir(self.units), [])

    def test_install_without_profile_ends_with_the_program(self):
        # /Install /Startup:A "<folder>/" Tavik6"
        result = self.run_tool("/Install", "/Startup:A", self.folder + "/", "Tavik6")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn('ExecStart="%s/Tavik6"' % self.folder, read_text(self.unit).splitlines())

    def test_command_lines_it_does_not_understand(self):
        for words in ([], ["/Frob"], ["/Install", "/Startup:Q", self.folder + "/", "Tavik6"],
                      ["/Remove", "../../etc/passwd"]):
            result = self.run_tool(*words)
            self.assertEqual(result.returncode, 2, words)
            self.assertIn("Befehlszeile nicht verstanden", result.stderr)
            self.assertIn("Aufruf:", result.stderr)
        self.assertFalse(os.path.exists(self.units))


class Package(unittest.TestCase):
    """The Debian packages built by cpack, checked by lintian, installed into a temporary root and purged."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tavik-package-")
        self.target = os.path.join(self.root, "target")
        for folder in ("info", "updates"):
            os.makedirs(os.path.join(self.target, "var", "lib", "dpkg", folder))
        open(os.path.join(self.target, "var", "lib", "dpkg", "status"), "w").close()

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    @staticmethod
    def cache_value(name):
        cache = read_text(os.path.join(BUILD_DIR, "CMakeCache.txt"))
        found = re.search(r"^%s:[A-Z]+=(.*)$" % re.escape(name), cache, re.M)
        return found.group(1) if found else ""

    def dpkg(self, *arguments):
        # The maintainer scripts run outside the temporary root, with DPKG_ROOT
        # naming it, as they would for any installation into another root.
        return subprocess.run(["dpkg", "--root=" + self.target, "--force-not-root", "--force-depends",
                               "--force-script-chrootless", "--log=/dev/null", *arguments],
                              capture_output=True, text=True, timeout=120)

    def installed_files(self):
        found = []
        for folder, _, files in os.walk(self.target):
            if os.path.relpath(folder, self.target).startswith(os.path.join("var", "lib", "dpkg")):
                continue
            found += [os.path.relpath(os.path.join(folder, f), self.target) for f in files]
        return sorted(found)

    def build_packages(self):
        built = subprocess.run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"),
                                "-B", os.path.join(self.root, "out")],
                               capture_output=True, text=True, timeout=400)
        self.assertEqual(built.returncode, 0, built.stdout + built.stderr)
        packages = {}
        for path in glob.glob(os.path.join(self.root, "out", "*.deb")):
            name = subprocess.run(["dpkg-deb", "-f", path, "Package"], capture_output=True, text=True,
                                  check=True).stdout.strip()
            packages[name] = path
        return packages

    def fields(self, package, *names):
        return subprocess.run(["dpkg-deb", "-f", package, *names], capture_output=True, text=True,
                              check=True).stdout

    def test_packages_split_install_and_purge_cleanly(self):
        packages = self.build_packages()
        expected = {"tavik6", "tavik6-demo-server"}
        if os.path.exists(os.path.join(BUILD_DIR, "bin", "libtavik6-desktop.so")):
            expected.add("tavik6-desktop")
        self.assertEqual(set(packages), expected)

        # A server install pulls in no desktop library; the desktop package
        # brings Qt and the client it belongs to.
        client = self.fields(packages["tavik6"], "Depends", "Recommends", "Maintainer")
        self.assertIn("libsqlite3-0", client)
        self.assertIn("libsystemd0", client)  # opened for the session end
        self.assertIn("libssl3", client)  # through the TLS module, loaded for https only
        self.assertNotRegex(client, r"(?i)qt|libgl|libx11")
        self.assertIn("Maintainer: Tavik6 developers <", client)
        if "tavik6-desktop" in packages:
            desktop = self.fields(packages["tavik6-desktop"], "Depends")
            self.assertIn("tavik6 (=", desktop)
            self.assertIn("libqt6widgets6", desktop)

        prefix = self.cache_value("CMAKE_INSTALL_PREFIX")
        program_folder = prefix + "/bin"
        in_target = lambda path: os.path.join(self.target, path.lstrip("/"))
        for name in ("tavik6", "tavik6-demo-server", "tavik6-desktop"):
            if name in packages:
                result = self.dpkg("-i", packages[name])
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        files = self.installed_files()
        for name in ("Tavik6", "Velmora4", "AppToService", "tavik6-demo-server", "tavik6-hosts-helper",
                     "libtavik6-verify.so", "libtavik6-tls.so"):
            path = in_target(os.path.join(program_folder, name))
            self.assertTrue(os.path.isfile(path), files)
            if name in ("Velmora4", "AppToService", "tavik6-hosts-helper"):
                self.assert_runs(path)
        for path in ("lib/systemd/system/tavik6@.service", "usr/share/man/man1/Tavik6.1.gz",
                     "etc/default/tavik6", "usr/share/doc/tavik6/copyright", "usr/share/doc/tavik6/changelog.gz",
                     "usr/share/polkit-1/actions/com.kovrin.tavik6.edit-hosts.policy"):
            self.assertIn(path, files)
        conffiles = read_text(os.path.join(self.target, "var/lib/dpkg/info/tavik6.conffiles")).split()
        self.assertEqual(conffiles, ["/etc/default/tavik6"])
        unit = read_text(in_target("lib/systemd/system/tavik6@.service")).splitlines()
        self.assertIn('ExecStart="%s/Tavik6" "%%I"' % program_folder, unit)
        self.assertIn("Environment=TAVIK_HEADLESS=1", unit)
        self.assertIn("EnvironmentFile=-/etc/default/tavik6", unit)
        # The service writes its log and state where systemd gives them, never
        # its program folder, and stays well hardened (exposure at most 4 of 10).
        self.assertIn("LogsDirectory=tavik6", unit)
        self.assertNotIn("ReadWritePaths=" + program_folder, unit)
        if shutil.which("systemd-analyze"):
            instance = os.path.join(self.root, "tavik6@Test.service")
            shutil.copy(in_target("lib/systemd/system/tavik6@.service"), instance)
            rated = subprocess.run(["systemd-analyze", "security", "--offline=true", "--threshold=40", instance],
                                   capture_output=True, text=True, timeout=60)
            self.assertEqual(rated.returncode, 0, rated.stdout + rated.stderr)
        policy = read_text(in_target("usr/share/polkit-1/actions/com.kovrin.tavik6.edit-hosts.policy"))
        self.assertIn(">%s/tavik6-hosts-helper</annotate>" % program_folder, policy)
        if "tavik6-desktop" in packages:
            for entry in ("usr/share/applications/tavik6.desktop", "etc/xdg/autostart/tavik6.desktop"):
                self.assertIn('Exec="%s/Tavik6"' % program_folder, read_text(in_target(entry)).splitlines())
            icons = glob.glob(os.path.join(os.path.dirname(__file__), "..", "..", "src", "ui", "icons", "*.svg"))
            for icon in icons:
                self.assertIn(os.path.join(prefix.lstrip("/"), "share", "icons", os.path.basename(icon)), files)

        self.installed_client_only_announces_updates(in_target(os.path.join(program_folder, "Tavik6")))

        # What earlier versions left beside the program goes with the package.
        os.makedirs(in_target(os.path.join(program_folder, "Updates")))
        for leftover in ("Updates/Tavik6.part", "Tavik6.bak", "logTavik.TXT"):
            with open(in_target(os.path.join(program_folder, leftover)), "w") as out:
                out.write("x")
        # An instance the administrator enabled is unhooked with the package.
        wants = in_target("etc/systemd/system/multi-user.target.wants")
        os.makedirs(wants)
        os.symlink("/lib/systemd/system/tavik6@.service", os.path.join(wants, "tavik6@B\\xc3\\xbcro.service"))
        os.makedirs(in_target("var/lib/tavik6"), exist_ok=True)
        with open(in_target("var/lib/tavik6/registry.sqlite"), "w") as out:
            out.write("x")

        for name in ("tavik6-desktop", "tavik6-demo-server", "tavik6"):
            if name in packages:
                result = self.dpkg("--purge", name)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(self.installed_files(), [])
        self.assertEqual(os.listdir(wants), [])
        self.assertFalse(os.path.exists(in_target(prefix)))
        self.assertFalse(os.path.exists(in_target("var/lib/tavik6")))
        self.assertFalse(os.path.exists(in_target("var/log/tavik6")))

    def installed_client_only_announces_updates(self, program):
        """The installed client, offered a newer version with automatic updates
        on, replaces nothing: it shows the update and says why in its log, which
        lies in the user's XDG state folder, or for a service in the folders
        systemd names (where standard error is the journal)."""
        original = read_bytes(program)
        folder = os.path.dirname(program)
        served = os.path.join(self.root, "served")
        os.makedirs(served)
        server = DemoServer(served, [ACCOUNT + " Tavik6-6.20"], version="6.20")
        self.addCleanup(server.stop)
        home = os.path.join(self.root, "home")
        os.makedirs(home)
        # An ordinary user, as a desktop user runs it; root steps down to nobody.
        user = {}
        if os.geteuid() == 0:
            os.chmod(self.root, 0o755)
            os.chown(home, pwd.getpwnam("nobody").pw_uid, grp.getgrnam("nogroup").gr_gid)
            user = dict(user="nobody", group="nogroup", extra_groups=[])
        service_logs = os.path.join(self.target, "var", "log", "tavik6")
        service_state = os.path.join(self.target, "var", "lib", "tavik6")
        os.makedirs(service_logs)
        os.makedirs(service_state)
        runs = [
            ("user", dict(HOME=home, XDG_STATE_HOME=os.path.join(home, "state"),
                          XDG_CACHE_HOME=os.path.join(home, "cache")),
             os.path.join(home, "state", "tavik6"), os.path.join(home, "cache", "tavik6"), user),
            ("service", dict(HOME=home, LOGS_DIRECTORY=service_logs, STATE_DIRECTORY=service_state),
             service_logs, service_state, {}),
        ]
        for name, variables, logs, updates_parent, switch in runs:
            with self.subTest(name):
                registry = os.path.join(home, name + ".sqlite")
                with sqlite3.connect(registry) as db:
                    db.execute("CREATE TABLE registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB)")
                    db.executemany("INSERT INTO registry VALUES('HKLM', ?, ?, 1, ?)",
                                   [(PRODUCT_KEY + "Tavik6", n, v.encode()) for n, v in (
                                       ("Install", "01.12.2026"), ("User", "k1001"), ("Passwort", "geheim"),
                                       ("Proxyserver", "1"), ("AutoUpdate", "1"))])
                hosts = os.path.join(home, name + ".hosts")
                with open(hosts, "w") as f:
                    f.write("127.0.0.1 localhost\n")
                if switch:
                    for path in (registry, hosts):
                        shutil.chown(path, "nobody", "nogroup")
                stderr_path = os.path.join(home, name + ".stderr")
                env = {k: v for k, v in os.environ.items()
                       if k not in ("LOGS_DIRECTORY", "STATE_DIRECTORY", "JOURNAL_STREAM", "XDG_STATE_HOME",
                                    "XDG_CACHE_HOME")}
                env.update(variables, TAVIK_SERVICE_HOST=server.host, TAVIK_UPDATE_HOST=server.host,
                           TAVIK_HOSTS_FILE=hosts, TAVIK_REGISTRY=registry, TAVIK_HEADLESS="1")
                with open(stderr_path, "w") as stderr:
                    if name == "service":
                        status = os.fstat(stderr.fileno())
                        env["JOURNAL_STREAM"] = "%d:%d" % (status.st_dev, status.st_ino)
                    client = subprocess.Popen([program], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                              stderr=stderr, env=env, **switch)
                log = os.path.join(logs, "logTavik.TXT")
                said = "(Tavik6-6.20) ist verfügbar, wird aber nicht automatisch installiert: Tavik6 wurde mit " \
                       "der Paketverwaltung installiert"
                try:
                    self.assertTrue(wait_for(lambda: os.path.exists(log) and said in read_text(log), timeout=30),
                                    read_text(stderr_path))
                    self.assertIsNone(client.poll(), read_text(stderr_path))
                finally:
                    client.send_signal(signal.SIGTERM)
                    self.assertEqual(client.wait(timeout=30), 0, read_text(stderr_path))
                self.assertEqual(read_bytes(program), original)
                self.assertEqual([r for r in server.requests() if r.startswith("/update/")], [])
                self.assertFalse(os.path.exists(os.path.join(folder, "logTavik.TXT")))
                self.assertFalse(os.path.exists(os.path.join(folder, "Updates")))
                self.assertEqual(os.listdir(os.path.join(updates_parent, "Updates")), [])
                messages = read_text(stderr_path)
                if name == "service":
                    self.assertIn("\n<6>Tavik6: Ein neues Update", "\n" + messages)
                    unmarked = [line for line in messages.splitlines() if not line.startswith(("<3>", "<4>", "<6>"))]
                    self.assertEqual(unmarked, [], "every line carries its priority")
                else:
                    self.assertIn("\nTavik6: Ein neues Update", "\n" + messages)
                    self.assertNotIn("<6>", messages)

    @unittest.skipUnless(shutil.which("lintian"), "lintian is not installed")
    def test_lintian_finds_no_error_and_no_warning(self):
        if self.cache_value("TAVIK_SANITIZE") == "ON":
            self.skipTest("a sanitized build is no release build")
        packages = self.build_packages()
        # A vendor package keeps its program folder under /opt on purpose.
        result = subprocess.run(["lintian", "--fail-on", "error,warning", "--suppress-tags", "dir-or-file-in-opt",
                                 *packages.values()], capture_output=True, text=True, timeout=600)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def assert_runs(self, program):
        # Without arguments each companion explains its command line and stops.
        result = subprocess.run([program], capture_output=True, text=True, timeout=30)
        self.assertEqual(result.returncode, 2, result.stderr)
        self.assertIn("Aufruf", result.stderr)


if __name__ == "__main__":
    unittest.main()
