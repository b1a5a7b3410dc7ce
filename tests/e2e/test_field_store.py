"""End-to-end: the headless Tavik6 and a hosts file that another program
holds locked, as an editor or a configuration tool may do."""

import fcntl
import os
import time
import unittest

from harness import INITIAL_HOSTS, read_text, wait_for
from test_headless import OFFLINE_NOTICE, ClientCase

SECTION = "Tavik6\\VPN\\k1001"


class ForeignLock(ClientCase):
    def log_text(self):
        path = os.path.join(self.box.program_folder, "logTavik.TXT")
        return read_text(path) if os.path.exists(path) else ""

    def test_sigterm_while_waiting_for_a_foreign_lock_ends_the_client_at_once(self):
        with open(self.box.hosts, "rb") as held:
            fcntl.flock(held, fcntl.LOCK_EX)
            self.box.start(self.server)
            # The server's name is stored right before the hosts file is edited.
            self.assertTrue(wait_for(lambda: self.box.stored("ServerName", SECTION) == "firma-server"),
                            self.box.messages())
            time.sleep(0.5)
            self.assertIsNone(self.box.client.poll())
            started = time.monotonic()
            self.box.client.send_signal(15)
            # The exit sequence waits a few seconds for the lock once more, then gives up.
            self.assertTrue(wait_for(lambda: self.box.client.poll() is not None, timeout=20))
            took = time.monotonic() - started
            self.assertEqual(self.box.client.returncode, 0)
            self.assertLess(took, 10, "the client ended only %.1f s after SIGTERM" % took)
            self.assertEqual(self.box.hosts_text(), INITIAL_HOSTS)
        self.assertIn(OFFLINE_NOTICE, self.server.requests())
        log = self.log_text()
        self.assertIn("nicht geändert: das Warten auf die Sperre eines anderen Programms wurde", log)
        self.assertIn("nicht geändert: ein anderes Programm hält sie länger als", log)
        self.assertFalse(os.path.exists(self.box.hosts + ".new"))


if __name__ == "__main__":
    unittest.main()
