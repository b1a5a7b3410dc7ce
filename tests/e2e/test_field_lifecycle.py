"""End-to-end: starting and stopping the real headless Tavik6 as it happens in
the field: a second start of a running profile, an exit while the server keeps
silent, and a settings store that another program holds locked at start."""

import os
import sqlite3
import subprocess
import time
import unittest

from harness import DemoServer, Sandbox, wait_for
from test_hostile import HostileServer

ACCOUNTS = ["k1001 geheim Firma firma-server 10.0.0.7 50",
            "k2002 zweites Firma zweit-server 10.0.0.8 50"]
OTHER_PROFILE = "Büro/2 ä"


def launch(box, server, arguments, stderr_path):
    """A further client in the same sandbox, beside box.client."""
    env = dict(os.environ, TAVIK_SERVICE_HOST=server.host, TAVIK_UPDATE_HOST=server.host,
               TAVIK_HOSTS_FILE=box.hosts, TAVIK_REGISTRY=box.registry, TAVIK_HEADLESS="1")
    with open(stderr_path, "w") as stderr:
        return subprocess.Popen([os.path.join(box.program_folder, "Tavik6"), *arguments],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr, env=env)


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


class Lifecycle(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        self.box.install("K1001", "geheim")
        self.server = None
        self.others = []

    def tearDown(self):
        for process in self.others:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.box.cleanup()
        if self.server:
            self.server.stop()

    def test_one_client_per_profile_and_other_profiles_beside_it(self):
        self.server = DemoServer(self.box.root, ACCOUNTS)
        for name, value in (("Install", "01.12.2026"), ("User", "k2002"), ("Passwort", "zweites"),
                            ("Proxyserver", "1")):
            self.box.store(name, value, section=OTHER_PROFILE)
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: "firma-server" in self.box.hosts_text()), self.box.messages())

        second_err = os.path.join(self.box.root, "second.stderr")
        second = launch(self.box, self.server, [], second_err)
        self.others.append(second)
        second.wait(timeout=30)
        self.assertNotEqual(second.returncode, 0)
        self.assertIn("Das Profil „Tavik6“ läuft bereits", read(second_err))
        self.assertIsNone(self.box.client.poll(), "the first client keeps running")
        self.assertIn("firma-server", self.box.hosts_text(), "and keeps its line")

        other_err = os.path.join(self.box.root, "other.stderr")
        other = launch(self.box, self.server, [OTHER_PROFILE], other_err)
        self.others.append(other)
        self.assertTrue(wait_for(lambda: "zweit-server" in self.box.hosts_text()), read(other_err))
        self.assertIsNone(other.poll(), read(other_err))
        self.assertIn("firma-server", self.box.hosts_text())

        other.terminate()
        self.assertEqual(other.wait(timeout=30), 0)
        self.assertNotIn("zweit-server", self.box.hosts_text())
        self.assertIn("firma-server", self.box.hosts_text())
        self.assertEqual(self.box.terminate(), 0)
        self.assertNotIn("firma-server", self.box.hosts_text())

    def test_exit_against_a_silent_or_trickling_server_is_short_and_removes_the_line(self):
        for behaviour in ("silent", "trickle"):
            with self.subTest(behaviour):
                folder = os.path.join(self.box.root, behaviour)
                os.makedirs(folder)
                # The first request gets a proper answer, the offline notice the hostile one.
                self.server = HostileServer(folder, ["legit", behaviour], lifetime=150)
                try:
                    self.box.start(self.server)
                    self.assertTrue(wait_for(lambda: self.server.connections()), self.box.messages())
                    self.assertTrue(wait_for(lambda: "firma-server" in self.box.hosts_text()), self.box.messages())
                    started = time.monotonic()
                    self.assertEqual(self.box.terminate(), 0)
                    # Generous: without the limit the notice alone waits a minute or more.
                    self.assertLess(time.monotonic() - started, 20)
                    self.assertNotIn("firma-server", self.box.hosts_text())
                    # The notice did go out; the server saw the client hang up.
                    self.assertTrue(wait_for(lambda: [e for e in self.server.connections()
                                                      if e["behaviour"] == behaviour]), self.server.entries())
                finally:
                    if self.box.client.poll() is None:
                        self.box.client.kill()
                        self.box.client.wait()
                    self.server.stop()
                    self.server = None

    def test_a_locked_store_at_start_is_no_first_start_and_sends_no_empty_credentials(self):
        self.server = DemoServer(self.box.root, ACCOUNTS)
        holder = sqlite3.connect(self.box.registry, isolation_level=None)
        try:
            holder.execute("BEGIN EXCLUSIVE")
            self.box.start(self.server)
            self.assertTrue(wait_for(lambda: "Einstellungen können nicht gelesen werden" in self.box.messages(),
                                     timeout=30), self.box.messages())
            time.sleep(2)
            self.assertIsNone(self.box.client.poll(), self.box.messages())
            self.assertNotIn("Dieses ist der erste Start", self.box.messages())
            self.assertEqual([r for r in self.server.requests() if r.startswith("/cgi-bin/")], [])
            holder.execute("COMMIT")
        finally:
            holder.close()
        # The cycle tries again every half minute and then works as ever.
        self.assertTrue(wait_for(lambda: "firma-server" in self.box.hosts_text(), timeout=60), self.box.messages())
        self.assertEqual([r for r in self.server.requests() if r.startswith("/cgi-bin/")][0],
                         "/cgi-bin/server/tavik6/readip6.cgi?k1001&geheim&6.10")
        self.assertNotIn("Dieses ist der erste Start", self.box.messages())
        self.assertIn("wieder lesbar", self.box.messages())
        self.assertEqual(self.box.terminate(), 0)


if __name__ == "__main__":
    unittest.main()
