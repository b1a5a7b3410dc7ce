"""The Windows Tavik6.exe under Wine against the Linux demo server: the line
in a hosts file with CR LF ends, every other line kept, removed at exit; the
service; an update handed to Velmora4.exe, which puts it in place and starts it.
The desktop: the tray icon on an Xvfb display of its own, its menu, the exit
through "Programm beenden". TAVIK_BIN_DIR names the Linux programs (the demo
server), TAVIK_WINDOWS_BIN_DIR the Windows ones; TAVIK_WINE the Wine loader,
WINEPREFIX its prefix."""
import hashlib
import os
import shutil
import signal
import ssl
import subprocess
import tempfile
import unittest
import uuid
from unittest import mock

from harness import DemoServer, TestAuthority, read_text, sign, wait_for
from test_companions import DemoServerOnPort, read_bytes

WINE = os.environ.get("TAVIK_WINE", "/usr/lib/wine/wine64")
WINDOWS_BIN_DIR = os.environ.get("TAVIK_WINDOWS_BIN_DIR", "")
WINDOWS_TEST_BIN_DIR = os.environ.get("TAVIK_WINDOWS_TEST_BIN_DIR", "")
ACCOUNT = "k1001 geheim Firma firma-server 10.0.0.7 50"
INITIAL_HOSTS = b"127.0.0.1 localhost\r\n::1 localhost\n\n# keep me\r\n"
ROOT_STORE = "HKCU\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates"
LINE = b"10.0.0.7    firma-server       # Verbindung von Tavik zum Firmenserver\r\n"

# The console program unless a test asks for the desktop: Tavik6.exe shows its
# tray icon wherever Wine finds a display.
os.environ["TAVIK_HEADLESS"] = "1"


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def wine(*arguments, **options):
    return subprocess.run([WINE, *arguments], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120, **options)


class WindowsSandbox(unittest.TestCase):
    """A program folder, a hosts file, the demo server and a profile in the
    prefix's registry."""
    account = ACCOUNT
    version = "6.10"
    auto_update = "0"
    folder_name = "program"
    profile_prefix = "e2e-"
    # The Unix locale Wine converts names with; None keeps the test's own.
    locale = None

    def setUp(self):
        if self.locale:
            patch = mock.patch.dict(os.environ, LC_ALL=self.locale)
            patch.start()
            self.addCleanup(patch.stop)
        self.root = os.path.join(tempfile.mkdtemp(prefix="tavik-win-e2e-"), self.folder_name)
        self.program_folder = os.path.join(self.root, "program")
        os.makedirs(self.program_folder)
        shutil.copy2(os.path.join(WINDOWS_BIN_DIR, "Tavik6.exe"), self.program_folder)
        self.hosts = os.path.join(self.root, "hosts")
        with open(self.hosts, "wb") as f:
            f.write(INITIAL_HOSTS)
        self.server = self.make_server()
        # A profile of its own in the prefix's registry, so runs never meet.
        self.profile = self.profile_prefix + uuid.uuid4().hex[:8]
        key = "HKLM\\Software\\Kovrin\\Tavik6\\" + self.profile
        for name, value in (("Install", "01.12.2026"), ("User", "k1001"), ("Passwort", "geheim"),
                            ("Proxyserver", "1"), ("AutoUpdate", self.auto_update)):
            self.assertEqual(wine("reg", "add", key, "/v", name, "/d", value, "/f",
                                  env=self.wine_environment()).returncode, 0)
        self.client = None

    def tearDown(self):
        if self.client and self.client.poll() is None:
            self.client.kill()
            self.client.wait()
        wine("reg", "delete", "HKLM\\Software\\Kovrin\\Tavik6\\" + self.profile, "/f", env=self.wine_environment())
        self.server.stop()
        shutil.rmtree(os.path.dirname(self.root), ignore_errors=True)

    def wine_environment(self):
        """The environment of Wine's own tools (reg): the test's prefix."""
        return os.environ

    def options(self, *words):
        """Tavik6.exe with a command-line option; its output as text."""
        return subprocess.run([WINE, os.path.join(self.program_folder, "Tavik6.exe"), *words],
                              cwd=self.program_folder, stdin=subprocess.DEVNULL, capture_output=True,
                              encoding="utf-8", timeout=120)

    def make_server(self):
        return DemoServer(self.root, [self.account], version=self.version)

    def read_hosts(self):
        with open(self.hosts, "rb") as f:
            return f.read()


class WindowsMainRoad(WindowsSandbox):
    def test_line_written_with_crlf_and_removed_at_exit(self):
        env = dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_HOSTS_FILE=windows_path(self.hosts))
        self.client = subprocess.Popen([WINE, os.path.join(self.program_folder, "Tavik6.exe"), self.profile],
                                       cwd=self.program_folder, env=env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.assertTrue(wait_for(lambda: LINE in self.read_hosts(), timeout=60), self.read_hosts())
        self.assertEqual(self.read_hosts(), b"127.0.0.1 localhost\r\n::1 localhost\r\n# keep me\r\n\r\n" + LINE)
        with open(self.hosts + ".jst", "rb") as f:
            self.assertEqual(f.read(), INITIAL_HOSTS)
        self.assertFalse(os.path.exists(self.hosts + ".new"))

        # Ctrl-C reaches the program as a console event; the exit sequence
        # sends the offline notice and removes the line.
        self.client.send_signal(signal.SIGINT)
        _, errors = self.client.communicate(timeout=60)
        self.assertEqual(self.client.returncode, 0, errors)
        self.assertEqual(self.read_hosts(), b"127.0.0.1 localhost\r\n::1 localhost\r\n# keep me\r\n")
        self.assertIn("/cgi-bin/server/offline.cgi?k1001", "\n".join(self.server.requests()))

        # --status shows what the client stored for the profile.
        status = self.options("--status", self.profile)
        self.assertEqual(status.returncode, 0, status.stderr)
        self.assertIn("Server:      firma-server", status.stdout)
        self.assertIn("Adresse:     10.0.0.7", status.stdout)
        self.assertIn("Status:      50+10.0.0.7+firma-server", status.stdout)

    def test_version_help_and_an_unknown_profile(self):
        version = self.options("--version")
        self.assertEqual((version.returncode, version.stdout.strip()), (0, "Tavik6 6.10"))
        usage = self.options("--help")
        self.assertEqual(usage.returncode, 0)
        self.assertIn("Tavik6 --status [Profil]", usage.stdout)
        # ASCII only: Wine reads the words in the terminal's locale. The
        # empty word keeps its blank in the profile name.
        missing = self.options("--status", "Buero", "", "2")
        self.assertEqual(missing.returncode, 1)
        self.assertIn('Das Profil "Buero  2" ist nicht eingerichtet', missing.stderr)
        no_terminal = self.options("--setup", "Buero")
        self.assertEqual(no_terminal.returncode, 2)
        self.assertIn("Terminal", no_terminal.stderr)


class WindowsDesktop(WindowsSandbox):
    """Tavik6.exe with its tray icon on an Xvfb display of its own; tray_probe
    presses the right button on the icon and picks "Programm beenden". Wine
    puts every window of a prefix on the desktop its first program found, so
    the test brings a prefix of its own, made while its display is up."""

    def setUp(self):
        root_of_prefix = tempfile.mkdtemp(prefix="tavik-win-desktop-")
        self.addCleanup(shutil.rmtree, root_of_prefix, ignore_errors=True)
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.addCleanup(xvfb.wait, timeout=30)
        self.addCleanup(xvfb.terminate)
        with os.fdopen(read_end) as f:
            display = f.readline().strip()
        self.assertTrue(display, "Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + display, WINEPREFIX=os.path.join(root_of_prefix, "prefix"))
        del self.env["TAVIK_HEADLESS"]
        self.addCleanup(subprocess.run, [os.path.join(os.path.dirname(WINE), "wineserver"), "-k"], env=self.env,
                        timeout=60)
        self.assertEqual(wine("wineboot", "-i", env=self.env).returncode, 0)
        super().setUp()
        self.env.update(TAVIK_SERVICE_HOST=self.server.host, TAVIK_HOSTS_FILE=windows_path(self.hosts))

    def wine_environment(self):
        return self.env

    def probe(self, *command):
        return subprocess.run([WINE, os.path.join(WINDOWS_TEST_BIN_DIR, "tray_probe.exe"), *command],
                              env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=120).returncode

    def test_tray_icon_menu_and_exit(self):
        self.client = subprocess.Popen([WINE, os.path.join(self.program_folder, "Tavik6.exe"), self.profile],
                                       cwd=self.program_folder, env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.assertTrue(wait_for(lambda: LINE in self.read_hosts(), timeout=60), self.read_hosts())
        self.assertTrue(wait_for(lambda: self.probe("icon") == 0, timeout=30), "no tray icon")

        # Info, Legende and Setup each open their window, which the user closes.
        for key, title in (("i", "Versionsinfo"), ("l", "Legende in der Taskbar"), ("s", "Userdaten (")):
            self.assertEqual(self.probe("menu"), 0, "the right button opened no menu")
            self.assertEqual(self.probe("key", key), 0, "the menu did not take " + key)
            self.assertEqual(self.probe("window", title), 0, title + " did not open")
        self.assertEqual(self.probe("menu"), 0, "the right button opened no menu")
        self.assertEqual(self.probe("last"), 0, "the menu did not close")
        _, errors = self.client.communicate(timeout=60)
        self.assertEqual(self.client.returncode, 0, errors)
        self.assertEqual(self.read_hosts(), b"127.0.0.1 localhost\r\n::1 localhost\r\n# keep me\r\n")
        self.assertIn("/cgi-bin/server/offline.cgi?k1001", "\n".join(self.server.requests()))


class WindowsService(WindowsSandbox):
    """AppToService.exe registers Tavik6.exe with the service control manager
    of the prefix; starting the service writes the line, stopping it runs the
    program's exit sequence, /Remove deletes the service."""

    def setUp(self):
        super().setUp()
        shutil.copy2(os.path.join(WINDOWS_BIN_DIR, "AppToService.exe"), self.program_folder)

    def tearDown(self):
        wine("sc", "stop", "Tavik6")
        wine("AppToService.exe", "/Remove", '"Tavik6"', cwd=self.program_folder)
        super().tearDown()

    def tool(self, *arguments):
        env = dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_HOSTS_FILE=windows_path(self.hosts))
        return subprocess.run([WINE, "AppToService.exe", *arguments], cwd=self.program_folder, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)

    def test_service_started_stopped_and_removed(self):
        folder = windows_path(self.program_folder).replace("\\", "/")
        # The command line as the settings window builds it, profile included.
        installed = self.tool("/Install", "/Startup:M", '"%s/"' % folder, 'Tavik6.exe"', '/Arguments:"%s"' % self.profile)
        self.assertEqual(installed.returncode, 0, installed.stderr)
        self.assertIn("Dienst eingetragen: Tavik6", installed.stdout)

        self.assertEqual(wine("sc", "start", "Tavik6").returncode, 0)
        self.assertTrue(wait_for(lambda: LINE in self.read_hosts(), timeout=60), self.read_hosts())
        self.assertEqual(wine("sc", "stop", "Tavik6").returncode, 0)
        self.assertTrue(wait_for(lambda: LINE not in self.read_hosts(), timeout=60), self.read_hosts())
        self.assertEqual(self.read_hosts(), b"127.0.0.1 localhost\r\n::1 localhost\r\n# keep me\r\n")
        self.assertTrue(wait_for(lambda: any("/offline.cgi?k1001" in r for r in self.server.requests()), timeout=30))

        removed = self.tool("/Remove", '"Tavik6"')
        self.assertEqual(removed.returncode, 0, removed.stderr)
        self.assertIn("Dienst entfernt: Tavik6", removed.stdout)
        self.assertNotEqual(wine("sc", "query", "Tavik6").returncode, 0)


class WindowsHttps(WindowsSandbox):
    """Over https WinINet checks the certificate against the prefix's trust
    store: an authority put in there is trusted, any other is refused before
    a request goes out."""

    def make_server(self):
        self.authority = TestAuthority(self.root)
        cert, key = self.authority.server_certificate("service")
        server = DemoServer(self.root, [ACCOUNT], tls=(cert, key, self.authority.cert))
        # By name: Wine's check of the certificate's name matches host names
        # only, not the IP addresses a certificate lists.
        server.host = server.host.replace("127.0.0.1", "localhost")
        return server

    def trust(self, authority):
        """Puts the authority into the prefix's root store for this test."""
        tool = os.path.join(WINDOWS_BIN_DIR, "..", "tests", "root_certificate.exe")
        self.assertEqual(wine(tool, "add", windows_path(authority)).returncode, 0)
        thumbprint = hashlib.sha1(ssl.PEM_cert_to_DER_cert(read_text(authority))).hexdigest().upper()
        self.addCleanup(wine, "reg", "delete", ROOT_STORE + "\\" + thumbprint, "/f")

    def run_client(self):
        self.stderr_path = os.path.join(self.root, "client.stderr")
        self.stderr = open(self.stderr_path, "w")
        self.addCleanup(self.stderr.close)
        env = dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_HOSTS_FILE=windows_path(self.hosts))
        self.client = subprocess.Popen([WINE, os.path.join(self.program_folder, "Tavik6.exe"), self.profile],
                                       cwd=self.program_folder, env=env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=self.stderr)

    def stop_client(self):
        self.client.send_signal(signal.SIGINT)
        self.client.wait(timeout=60)

    def test_trusted_authority_gives_the_line(self):
        self.trust(self.authority.cert)
        self.run_client()
        self.assertTrue(wait_for(lambda: LINE in self.read_hosts(), timeout=60), read_text(self.stderr_path))
        self.stop_client()
        self.assertIn("/cgi-bin/server/offline.cgi?k1001", self.server.requests())

    def test_unknown_authority_is_refused(self):
        self.run_client()
        self.assertTrue(wait_for(lambda: "ist nicht erreichbar" in read_text(self.stderr_path), timeout=60))
        self.stop_client()
        self.assertEqual([r for r in self.server.requests() if not r.startswith("/demo/")], [])
        self.assertNotIn(LINE, self.read_hosts())


RUN_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
# Where Wine keeps a scheduled task's definition.
TASK_FOLDER = ("drive_c", "windows", "system32", "tasks")
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavik6"


class WindowsInstaller(WindowsSandbox):
    """The signed installer, silent: it puts the programs into Program Files
    with the Start-menu entry, the autostart task and the uninstall entry; the
    installed program writes its line; the silent uninstaller ends it through
    its exit sequence (the line goes) and removes files and entries, not the
    settings. The folder has a "&" in its name, as a customer's may. Wine's
    schtasks knows no /Query and keeps neither the task's trigger, principal
    nor command, only its settings: the test reads the task file Wine stores."""

    def setUp(self):
        super().setUp()
        self.installer = os.environ["TAVIK_WINDOWS_INSTALLER"]
        self.folder = "C:\\Program Files\\Kovrin\\Tavik6 & Co-" + self.profile
        self.linux_folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Program Files", "Kovrin",
                                         "Tavik6 & Co-" + self.profile)
        self.task = os.path.join(os.environ["WINEPREFIX"], *TASK_FOLDER, "Tavik6")
        self.menu = os.path.join(os.environ["WINEPREFIX"], "drive_c", "ProgramData", "Microsoft", "Windows",
                                 "Start Menu", "Programs", "Tavik6")

    def tearDown(self):
        if os.path.exists(os.path.join(self.linux_folder, "Deinstallieren.exe")):
            wine(os.path.join(self.linux_folder, "Deinstallieren.exe"), "/S")
            wait_for(lambda: not os.path.exists(self.linux_folder), timeout=60)
        shutil.rmtree(self.linux_folder, ignore_errors=True)
        if os.path.exists(self.task):
            wine("schtasks", "/Delete", "/TN", "Tavik6", "/F")
        super().tearDown()

    def query(self, key, *value):
        return subprocess.run([WINE, "reg", "query", key, *value], stdin=subprocess.DEVNULL, capture_output=True,
                              encoding="utf-8", errors="replace", timeout=120)

    def add_old_run_value(self):
        """The autostart entry an earlier installer wrote."""
        self.assertEqual(wine("reg", "add", RUN_KEY, "/v", "Tavik6", "/d", '"%s\\Tavik6.exe"' % self.folder,
                              "/f").returncode, 0)

    def install(self):
        """Installs silently into the test's folder, over the autostart entry
        of an earlier installer, and checks what appears."""
        self.add_old_run_value()
        # The installer takes /D= unquoted, blanks and all, as the last words of
        # its command line; Wine would quote a word with blanks, so the folder
        # goes in as the words between its blanks.
        self.assertEqual(wine(self.installer, "/S", *("/D=" + self.folder).split(" ")).returncode, 0)
        self.assertEqual(sorted(os.listdir(self.linux_folder)),
                         ["AppToService.exe", "Deinstallieren.exe", "Tavik6.exe", "Velmora4.exe"])
        program = self.folder + "\\Tavik6.exe"
        # Windows starts no program that demands administrator rights from
        # the Run key: the autostart is the scheduled task.
        self.assertNotEqual(self.query(RUN_KEY, "/v", "Tavik6").returncode, 0)
        with open(self.task, encoding="utf-8-sig") as f:
            task = f.read()
        for setting in ("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
                        "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
                        "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"):
            self.assertIn(setting, task)
        entry = self.query(UNINSTALL_KEY).stdout
        self.assertIn('"%s\\Deinstallieren.exe" /S' % self.folder, entry)
        self.assertIn("DisplayVersion    REG_SZ    6.10", entry)
        self.assertEqual(sorted(os.listdir(self.menu)), ["Tavik6 deinstallieren.lnk", "Tavik6.lnk"])
        return program

    def uninstall(self):
        """Uninstalls silently; the running program's line goes with it, and
        everything the installer made, but not the settings."""
        self.add_old_run_value()
        # The uninstaller runs from a copy of itself: its effects are awaited.
        self.assertEqual(wine(os.path.join(self.linux_folder, "Deinstallieren.exe"), "/S").returncode, 0)
        self.assertTrue(wait_for(lambda: self.read_hosts() == b"127.0.0.1 localhost\r\n::1 localhost\r\n# keep me\r\n",
                                 timeout=120), self.read_hosts())
        self.assertTrue(wait_for(lambda: "/cgi-bin/server/offline.cgi?k1001" in self.server.requests(), timeout=30))
        # Its uninstall key goes last.
        self.assertTrue(wait_for(lambda: self.query(UNINSTALL_KEY).returncode != 0, timeout=60, step=0.5))
        self.assertFalse(os.path.exists(self.linux_folder), os.path.exists(self.linux_folder) and
                         os.listdir(self.linux_folder))
        self.assertFalse(os.path.exists(self.menu))
        self.assertNotEqual(self.query(RUN_KEY, "/v", "Tavik6").returncode, 0)
        self.assertFalse(os.path.exists(self.task))
        # The customer's settings stay for a later installation.
        self.assertIn("k1001", self.query("HKLM\\Software\\Kovrin\\Tavik6\\" + self.profile, "/v", "User").stdout)

    def environment(self):
        return dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_HOSTS_FILE=windows_path(self.hosts))

    def test_silent_install_run_and_uninstall(self):
        program = self.install()
        ca = os.environ.get("TAVIK_AUTHENTICODE_CA")
        if ca:  # the uninstaller the installer wrote carries the signature too
            verified = subprocess.run(["osslsigncode", "verify", "-CAfile", ca, "-in",
                                       os.path.join(self.linux_folder, "Deinstallieren.exe")],
                                      capture_output=True, text=True, timeout=60)
            self.assertIn("Signature verification: ok", verified.stdout, verified.stdout + verified.stderr)

        # The installed program, started as the autostart task starts it.
        self.client = subprocess.Popen([WINE, program, self.profile], env=self.environment(),
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.assertTrue(wait_for(lambda: LINE in self.read_hosts(), timeout=60), self.read_hosts())
        self.uninstall()
        _, errors = self.client.communicate(timeout=60)
        self.assertEqual(self.client.returncode, 0, errors)

    def test_uninstall_removes_the_registered_service(self):
        self.install()
        # Registered as the settings window registers it, with the profile.
        folder = self.folder.replace("\\", "/")
        registered = subprocess.run([WINE, "AppToService.exe", "/Install", "/Startup:M", '"%s/"' % folder, 'Tavik6.exe"',
                                     '/Arguments:"%s"' % self.profile], cwd=self.linux_folder, env=self.environment(),
                                    stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        self.assertEqual(registered.returncode, 0, registered.stderr)
        self.addCleanup(wine, "sc", "delete", "Tavik6")
        self.assertEqual(wine("sc", "start", "Tavik6").returncode, 0)
        self.assertTrue(wait_for(lambda: LINE in self.read_hosts(), timeout=60), self.read_hosts())
        self.uninstall()
        self.assertNotEqual(wine("sc", "query", "Tavik6").returncode, 0)


UPDATE_FILE = "Tavik6-6.20.exe"
SOFTWARE_KEY = "HKLM\\Software\\Kovrin\\Tavik6\\Software"


def processes_from(folder):
    """Ids of this user's processes started from `folder`, named by its Linux
    path or by its Windows path (as Wine shows a program that a Windows
    program started)."""
    texts = [(folder + "/").encode(), (windows_path(folder) + "\\").encode()]
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) == os.getpid():
            continue
        try:
            with open("/proc/%s/cmdline" % name, "rb") as f:
                command = f.read()
            if any(text in command for text in texts):
                found.append(int(name))
        except OSError:
            pass
    return found


class UpdaterSandbox(WindowsSandbox):
    """The sandbox with Velmora4.exe in the program folder."""

    def setUp(self):
        super().setUp()
        shutil.copy2(os.path.join(WINDOWS_BIN_DIR, "Velmora4.exe"), self.program_folder)
        # One attempt a day: an earlier run in this prefix must not have used today's.
        self.assertEqual(wine("reg", "add", SOFTWARE_KEY, "/v", "IUpdate", "/d", "01.12.2026", "/f").returncode, 0)

    def tearDown(self):
        # What the updater started from the sandbox, should the test fail
        # half-way; the updaters first, so that none starts a program again.
        for _ in range(20):
            pids = processes_from(self.program_folder)
            if not pids:
                break
            updaters = [p for p in pids if "Velmora4.exe" in self.command_of(p)]
            for pid in updaters or pids:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            wait_for(lambda: not set(updaters or pids) & set(processes_from(self.program_folder)), timeout=5)
        wine("reg", "delete", SOFTWARE_KEY, "/v", "IUpdate", "/f")
        for server in getattr(self, "servers", [])[:-1]:
            server.stop()
        super().tearDown()

    @staticmethod
    def command_of(pid):
        try:
            return read_bytes("/proc/%d/cmdline" % pid).decode("utf-8", "replace").replace("\0", " ")
        except OSError:
            return ""

    def ip_requests(self):
        return [r for r in self.server.requests() if r.startswith("/cgi-bin/server/tavik6/readip6.cgi?k1001")]

    def log_text(self):
        path = os.path.join(self.program_folder, "logTavik.TXT")
        return read_bytes(path).decode("utf-8", "replace") if os.path.exists(path) else ""

    def start_client(self, program):
        env = dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_UPDATE_HOST=self.server.host,
                   TAVIK_HOSTS_FILE=windows_path(self.hosts))
        # Standard error goes to a file: the updater and the program it starts
        # keep a pipe open beyond the first program's end.
        self.errors = os.path.join(self.root, "stderr.txt")
        with open(self.errors, "wb") as stderr:
            self.client = subprocess.Popen([WINE, program, self.profile], cwd=self.program_folder, env=env,
                                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr)

    def end_the_program_started_again(self):
        """Checks that the program runs again, alone, with its profile, and
        ends it with Ctrl-C, which runs its exit sequence."""
        self.assertTrue(wait_for(lambda: not any("Velmora4" in self.command_of(p)
                                                 for p in processes_from(self.program_folder)), timeout=60))
        pids = processes_from(self.program_folder)
        self.assertEqual(len(pids), 1, [self.command_of(p) for p in pids])
        self.assertIn("Tavik6.exe " + self.profile, self.command_of(pids[0]))
        os.kill(pids[0], signal.SIGINT)
        self.assertTrue(wait_for(lambda: b"firma-server" not in self.read_hosts(), timeout=60), self.read_hosts())
        self.assertEqual(self.read_hosts(), b"127.0.0.1 localhost\r\n::1 localhost\r\n# keep me\r\n")
        self.assertTrue(wait_for(lambda: "/cgi-bin/server/offline.cgi?k1001" in self.server.requests(), timeout=60))
        self.assertTrue(wait_for(lambda: not processes_from(self.program_folder), timeout=60))


class WindowsUpdate(UpdaterSandbox):
    """Tavik6.exe is offered a newer version, fetches it (a real build) and
    hands it to Velmora4.exe, which waits until the program has ended, keeps
    Tavik6.bak, puts the new file in place and starts it with the profile."""
    account = ACCOUNT + " " + UPDATE_FILE
    version = "6.20"
    auto_update = "1"

    def test_update_is_put_in_place_and_the_new_program_runs_with_its_profile(self):
        program = os.path.join(self.program_folder, "Tavik6.exe")
        original = read_bytes(program)
        # A build of the program holds "<HEAD>" among its bytes; the bytes
        # after its end mark this one as the new version.
        self.assertIn(b"<HEAD>", original.upper())
        build = original + b"\0Tavik6 6.20\0"
        with open(os.path.join(self.server.updates, UPDATE_FILE), "wb") as f:
            f.write(build)
        sign(os.path.join(self.server.updates, UPDATE_FILE))
        self.start_client(program)
        # The program ends at once after handing over, without its exit sequence.
        self.assertEqual(self.client.wait(timeout=120), 0, read_bytes(self.errors))
        self.assertEqual(len(self.ip_requests()), 1)
        self.assertNotIn("/cgi-bin/server/offline.cgi?k1001", self.server.requests())

        self.assertTrue(wait_for(lambda: "Velmora4: Fertig: das neue Programm läuft." in self.log_text(), timeout=120),
                        self.log_text())
        self.assertEqual(read_bytes(program), build)
        self.assertEqual(read_bytes(os.path.join(self.program_folder, "Tavik6.bak")), original)
        self.assertEqual(sorted(os.listdir(self.program_folder)),
                         ["Tavik6.bak", "Tavik6.exe", "Updates", "Velmora4.exe", "logTavik.TXT"])

        # The new program works with its profile's settings: the server hears
        # from it again (and it tries no second update today) ...
        self.assertTrue(wait_for(lambda: len(self.ip_requests()) >= 2, timeout=60), self.server.requests())
        # (the first look, the download and its signature: no second try).
        updates = [r for r in self.server.requests() if r.startswith("/update/")]
        self.assertEqual(updates, ["/update/" + UPDATE_FILE] * 2 + ["/update/" + UPDATE_FILE + ".sig"])
        self.assertTrue(wait_for(lambda: b"10.0.0.7    firma-server " in self.read_hosts(), timeout=60),
                        self.read_hosts())
        self.end_the_program_started_again()


class WindowsUpdateGermanNames(WindowsUpdate):
    """The same update where a German user's names go beyond ASCII: program
    folder, hosts file and profile (with a blank) hold umlauts. Every path
    the client, the updater and the restarted program build from them must
    name the same files, and the log must say so in UTF-8."""
    folder_name = "Jürgen Müller"
    profile_prefix = "Büro "
    # No German locale on these machines; any UTF-8 one gives Wine the names.
    locale = "C.UTF-8"


class WindowsRestart(UpdaterSandbox):
    """After more than ten failed cycles in a row Tavik6.exe copies itself
    into Updates and has Velmora4.exe start it again with its profile (a
    build whose cycle runs a hundred times faster)."""

    def setUp(self):
        super().setUp()
        shutil.copy2(os.path.join(WINDOWS_TEST_BIN_DIR, "tavik6-fastcycle.exe"),
                     os.path.join(self.program_folder, "Tavik6.exe"))
        key = "HKLM\\Software\\Kovrin\\Tavik6\\" + self.profile
        self.assertEqual(wine("reg", "add", key, "/v", "Restart", "/d", "1", "/f").returncode, 0)
        self.servers = [self.server]

    def test_failed_cycles_restart_the_program_through_the_updater(self):
        program = os.path.join(self.program_folder, "Tavik6.exe")
        original = read_bytes(program)
        self.start_client(program)
        self.assertTrue(wait_for(lambda: self.ip_requests(), timeout=60), read_bytes(self.errors))
        port = self.server.port
        self.server.stop()

        self.assertTrue(wait_for(lambda: "\tTavik6 kopiert" in self.log_text(), timeout=120), self.log_text())
        # The server is back before the restarted program has failed ten times.
        self.servers.append(DemoServerOnPort(self.root, port))
        self.server = self.servers[-1]
        self.assertEqual(self.client.wait(timeout=60), 0, read_bytes(self.errors))
        self.assertEqual(read_bytes(os.path.join(self.program_folder, "Updates", "Tavik6.exe")), original)

        self.assertTrue(wait_for(lambda: "Velmora4: Fertig: das neue Programm läuft." in self.log_text(), timeout=120),
                        self.log_text())
        self.assertEqual(read_bytes(program), original)
        self.assertEqual(read_bytes(os.path.join(self.program_folder, "Tavik6.bak")), original)
        self.assertTrue(wait_for(lambda: self.ip_requests(), timeout=60), self.server.requests())
        self.end_the_program_started_again()


if __name__ == "__main__":
    unittest.main()
