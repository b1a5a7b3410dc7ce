"""An ordinary user's client, which may not write /etc/hosts, gets its line
written and removed through tavik6-hosts-helper and pkexec, and says so when
it is refused. Runs in a mount namespace of its own: /etc/hosts there is a
temporary file and /usr/bin/pkexec a stand-in that grants the action, so the
real hosts file and polkit are never touched."""

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


@unittest.skipUnless(can_run(), "needs root, unshare, setpriv and a /usr/bin/pkexec to mount over")
class DesktopUser(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox(fast_cycle=True)
        self.box.install("K1001", "geheim")
        os.chmod(self.box.root, 0o755)
        for folder, _, files in os.walk(self.box.root):
            os.chown(folder, NOBODY, NOBODY)
            for name in files:
                os.chown(os.path.join(folder, name), NOBODY, NOBODY)
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

    def tearDown(self):
        if self.client and self.client.poll() is None:
            self.client.kill()
            self.client.wait()
        self.server.stop()
        self.box.cleanup()
        shutil.rmtree(self.system, ignore_errors=True)

    def start(self, **extra):
        env = dict(os.environ, TAVIK_SERVICE_HOST=self.server.host, TAVIK_UPDATE_HOST=self.server.host,
                   TAVIK_REGISTRY=self.box.registry, TAVIK_HEADLESS="1", **extra)
        env.pop("TAVIK_HOSTS_FILE", None)
        self.stderr = open(os.path.join(self.system, "client.stderr"), "w")
        self.client = subprocess.Popen(
            ["unshare", "--mount", "--propagation", "private", "sh", "-c", NAMESPACE_SCRIPT, "sh",
             self.hosts, self.pkexec, os.path.join(self.box.program_folder, "Tavik6")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.stderr, env=env)

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
