"""An ordinary user's client, which may not write /etc/hosts, gets its line
written and removed through tavik6-hosts-helper and pkexec, and says so when
it is refused. Runs in a mount namespace of its own: /etc/hosts there is a
temporary file and /usr/bin/pkexec a stand-in that grants the action, so the
real hosts file and polkit are never touched. The desktop client runs as the
autostart entry starts it, on an Xvfb display of the test's own with a
notification area (trayer)."""

import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from harness import BIN_DIR, TEST_BIN_DIR, DemoServer, Sandbox, read_text, wait_for

NOBODY = 65534
NAMESPACE_SCRIPT = """
mount --bind "$1" /etc/hosts && mount --bind "$2" /usr/bin/pkexec || exit 90
shift 2
exec setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
"""


def can_run():
    return (os.geteuid() == 0 and shutil.which("unshare") and shutil.which("setpriv")
            and os.path.exists("/usr/bin/pkexec"))


def can_run_desktop():
    return (can_run() and os.path.exists(os.path.join(BIN_DIR, "libtavik6-desktop.so"))
            and all(shutil.which(tool) for tool in ("Xvfb", "trayer", "xdotool", "import", "convert")))


def give_to_nobody(top):
    for folder, _, files in os.walk(top):
        os.chown(folder, NOBODY, NOBODY)
        for name in files:
            os.chown(os.path.join(folder, name), NOBODY, NOBODY)


class Display:
    """An Xvfb display on a free number with a notification area; both are
    stopped by their process ids."""

    def __init__(self, folder):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(write_end,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.xvfb.kill()
            self.xvfb.wait()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        self.env = dict(os.environ, DISPLAY=self.name)
        self.trayer = subprocess.Popen(
            ["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "64",
             "--heighttype", "pixel", "--height", "40", "--SetDockType", "false", "--SetPartialStrut", "false",
             "--transparent", "false", "--tint", "0xdcdcdc"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.folder = folder

    def stop(self):
        for process in (self.trayer, self.xvfb):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    def windows(self, title):
        result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                                capture_output=True, text=True, env=self.env)
        return result.stdout.split()

    def ink(self, window, left, top, width, height):
        """The share of dark pixels in a part of a window (0 for an empty one)."""
        picture = os.path.join(self.folder, "window-%s.png" % window)
        subprocess.run(["import", "-window", window, picture], check=True, env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        crop = "%dx%d+%d+%d" % (width, height, left, top)
        result = subprocess.run(["convert", picture, "-crop", crop, "-colorspace", "Gray", "-threshold", "50%",
                                 "-negate", "-format", "%[fx:mean]", "info:"],
                                capture_output=True, text=True, check=True)
        return float(result.stdout)

    def geometry(self, window):
        result = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                                capture_output=True, text=True, env=self.env, check=True)
        values = dict(line.split("=", 1) for line in result.stdout.split())
        return int(values["WIDTH"]), int(values["HEIGHT"])


@unittest.skipUnless(can_run(), "needs root, unshare, setpriv and a /usr/bin/pkexec to mount over")
class DesktopUser(unittest.TestCase):
    desktop = False

    def setUp(self):
        self.box = Sandbox(fast_cycle=not self.desktop)
        self.box.install("K1001", "geheim")
        if self.desktop:
            shutil.copy2(os.path.join(BIN_DIR, "libtavik6-desktop.so"), self.box.program_folder)
            # The user's own folders, as a login gives them.
            self.home = os.path.join(self.box.root, "home")
            os.makedirs(os.path.join(self.home, "run"), mode=0o700)
        os.chmod(self.box.root, 0o755)
        give_to_nobody(self.box.root)
        shutil.copy2(os.path.join(BIN_DIR, "tavik6-hosts-helper"), self.box.program_folder)
        # The hosts file as the system has it: root's, readable by everyone.
        self.system = tempfile.mkdtemp(prefix="tavik-system-")
        os.chmod(self.system, 0o755)
        self.hosts = os.path.join(self.system, "hosts")
        with open(self.hosts, "w") as f:
            f.write("127.0.0.1\tlocalhost\n192.168.1.5\tnas.local nas\n")
        self.pkexec = os.path.join(self.system, "pkexec")
        shutil.copy2(os.path.join(TEST_BIN_DIR, "fake-pkexec"), self.pkexec)
        os.chmod(self.pkexec, 0o4755)
        self.server = DemoServer(self.box.root, ["k1001 geheim Firma firma-server 203.0.113.7 50"])
        self.client = None
        self.display = Display(self.system) if self.desktop else None

    def tearDown(self):
        if self.client and self.client.poll() is None:
            self.client.kill()
            self.client.wait()
        if self.display:
            self.display.stop()
        self.server.stop()
        self.box.cleanup()
        shutil.rmtree(self.system, ignore_errors=True)

    def start(self, **extra):
        env = dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_UPDATE_HOST=self.server.host,
                   TAVIK_REGISTRY=self.box.registry, TAVIK_HEADLESS="1", **extra)
        env.pop("TAVIK_HOSTS_FILE", None)
        if self.desktop:
            del env["TAVIK_HEADLESS"]
            env.pop("WAYLAND_DISPLAY", None)
            env.update(DISPLAY=self.display.name, HOME=self.home, XDG_RUNTIME_DIR=os.path.join(self.home, "run"),
                       QT_QPA_PLATFORM="xcb")
        with open(os.path.join(self.system, "client.stderr"), "w") as stderr:
            self.client = subprocess.Popen(
                ["unshare", "--mount", "--propagation", "private", "sh", "-c", NAMESPACE_SCRIPT, "sh",
                 self.hosts, self.pkexec, os.path.join(self.box.program_folder, "Tavik6")],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr, env=env)

    def messages(self):
        return read_text(os.path.join(self.system, "client.stderr"))

    def test_line_goes_through_the_helper_and_leaves_with_the_client(self):
        self.start()
        self.assertTrue(wait_for(lambda: "firma-server" in read_text(self.hosts), timeout=20), self.messages())
        text = read_text(self.hosts)
        self.assertIn("192.168.1.5\tnas.local nas", text)
        self.assertEqual(os.stat(self.hosts).st_uid, 0)
        self.client.send_signal(signal.SIGTERM)
        self.assertEqual(self.client.wait(timeout=30), 0, self.messages())
        self.assertNotIn("firma-server", read_text(self.hosts))
        self.assertIn("nas.local", read_text(self.hosts))

    def test_a_refused_helper_is_reported_once(self):
        self.start(FAKE_PKEXEC_DENY="1")
        notice = "darf die Hosts-Datei /etc/hosts nicht ändern"
        self.assertTrue(wait_for(lambda: notice in self.messages(), timeout=20), self.messages())
        # Later cycles try again but do not repeat the message.
        wait_for(lambda: len(self.server.requests()) >= 4, timeout=20)
        self.assertEqual(self.messages().count(notice), 1, self.messages())
        self.assertNotIn("firma-server", read_text(self.hosts))
        log = read_text(os.path.join(self.box.program_folder, "logTavik.TXT"))
        self.assertIn(notice, log)
        self.client.send_signal(signal.SIGTERM)
        self.assertEqual(self.client.wait(timeout=30), 0, self.messages())


@unittest.skipUnless(can_run_desktop(), "needs root, unshare, setpriv, pkexec, the desktop module, Xvfb, trayer, "
                     "xdotool and ImageMagick")
class DesktopUserOnTheDesktop(DesktopUser):
    """The same user's desktop client: the line goes through the helper as
    before; a refusal shows in the info window and in the log, once."""

    desktop = True
    WARNING = "Tavik - Warnung"

    def test_a_refused_helper_is_reported_once(self):
        # A line known from the last run is restored at start, the first reply
        # sets it, the exit removes it: three refused edits, one notice.
        section = "Tavik6\\VPN\\k1001"
        self.box.store("ServerName", "firma-server", section=section)
        self.box.store("ServerIP", "203.0.113.7", section=section)
        self.start(FAKE_PKEXEC_DENY="1")
        log_file = os.path.join(self.box.program_folder, "logTavik.TXT")
        notice = "darf die Hosts-Datei /etc/hosts nicht ändern"
        self.assertTrue(wait_for(lambda: self.display.windows(self.WARNING), timeout=30),
                        "no info window; " + self.messages())
        window = self.display.windows(self.WARNING)[0]
        # The text fills the left part of the window, dark on light (the
        # buttons stand right): three lines of it, where the bare caption
        # "Info" or an empty label leave next to no ink, and a window not yet
        # drawn is all dark.
        width, height = self.display.geometry(window)
        self.assertTrue(wait_for(lambda: 0.03 < self.display.ink(window, 8, 8, width * 3 // 5, height - 16) < 0.5,
                                 timeout=10, step=0.3), "the info window shows no text")
        # The reply's date is stored just before its edit (a refused edit
        # stores no status).
        self.assertTrue(wait_for(lambda: self.box.stored("Datum", section=section), timeout=20), self.messages())
        self.assertTrue(wait_for(lambda: notice in read_text(log_file), timeout=20), self.messages())
        self.assertNotIn("firma-server", read_text(self.hosts))
        self.client.send_signal(signal.SIGTERM)
        self.assertEqual(self.client.wait(timeout=30), 0, self.messages())
        # The exit's removal was refused too, and not said again; standard
        # error (the session's journal) has it as well.
        self.assertEqual(read_text(log_file).count(notice), 1, read_text(log_file))
        self.assertEqual(self.messages().count(notice), 1, self.messages())


class HelperCommandLine(unittest.TestCase):
    """The helper takes nothing but its own two commands with sound input."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tavik-helper-")
        self.hosts = os.path.join(self.folder, "hosts")
        with open(self.hosts, "w") as f:
            f.write("127.0.0.1\tlocalhost\n")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_helper(self, *words, pkexec_uid=None, as_nobody=False):
        env = dict(os.environ, TAVIK_HOSTS_FILE=self.hosts)
        if pkexec_uid is not None:
            env["PKEXEC_UID"] = str(pkexec_uid)
        prefix = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"] if as_nobody else []
        return subprocess.run([*prefix, os.path.join(BIN_DIR, "tavik6-hosts-helper"), *words],
                              capture_output=True, text=True, env=env, timeout=30)

    def test_refuses_what_is_not_its_job(self):
        for words in ([], ["set", "firma-server"], ["set", "firma-server", "1.2.3.4 evil"],
                      ["set", "bad name", "1.2.3.4"], ["remove"], ["write", "/etc/shadow"],
                      ["set", "firma-server", "1.2.3.4", "extra"]):
            result = self.run_helper(*words)
            self.assertEqual(result.returncode, 2, words)
            self.assertIn("Aufruf", result.stderr)
        self.assertEqual(read_text(self.hosts), "127.0.0.1\tlocalhost\n")

    def test_sets_and_removes_the_line(self):
        self.assertEqual(self.run_helper("set", "firma-server", "203.0.113.7").returncode, 0)
        self.assertIn("203.0.113.7    firma-server", read_text(self.hosts))
        self.assertEqual(self.run_helper("remove", "firma-server").returncode, 0)
        self.assertNotIn("firma-server", read_text(self.hosts))
        self.assertIn("localhost", read_text(self.hosts))

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"), "needs root to run the helper as nobody")
    def test_under_pkexec_the_file_is_not_the_callers_choice(self):
        # A file anyone may write: had the helper taken the caller's
        # TAVIK_HOSTS_FILE under pkexec, this edit would go through. It edits
        # the system's file instead, which nobody may not write.
        os.chmod(self.folder, 0o777)
        os.chmod(self.hosts, 0o666)
        result = self.run_helper("set", "firma-server", "203.0.113.7", pkexec_uid=1000, as_nobody=True)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("/etc/hosts", result.stderr)
        self.assertNotIn("firma-server", read_text(self.hosts))


if __name__ == "__main__":
    unittest.main()
