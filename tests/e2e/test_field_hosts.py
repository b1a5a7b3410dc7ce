"""End-to-end: the hosts line and the reply handling against what servers and
machines in the field really send and hold."""

import os
import unittest

from harness import DemoServer, Sandbox, read_text, wait_for

ACCOUNT = "k1001 geheim Firma firma-server 10.0.0.7 50"
SECTION = "Tavik6\\VPN\\k1001"
IP_REQUEST = "/cgi-bin/server/tavik6/readip6.cgi?k1001&geheim&6.10"
MACHINE_HOSTS = ("127.0.0.1\tlocalhost\n"
                 "127.0.1.1\tmybox\n"
                 "::1\tlocalhost ip6-localhost ip6-loopback\n"
                 "192.168.1.5 nas.local nas\n"
                 "# the nas keeps the backups\n")


class FieldCase(unittest.TestCase):
    fast_cycle = True

    def setUp(self):
        self.box = Sandbox(fast_cycle=self.fast_cycle)
        self.server = DemoServer(self.box.root, [ACCOUNT])
        self.box.install("K1001", "geheim")
        with open(self.box.hosts, "w") as f:
            f.write(MACHINE_HOSTS)

    def tearDown(self):
        self.box.cleanup()
        self.server.stop()

    def hosts(self):
        return self.box.hosts_text()

    def wait_for_hosts(self, condition):
        self.assertTrue(wait_for(lambda: condition(self.hosts())), repr(self.hosts()) + self.box.messages())

    def ip_requests(self):
        return self.server.requests().count(IP_REQUEST)

    def log(self):
        path = os.path.join(self.box.program_folder, "logTavik.TXT")
        return read_text(path) if os.path.exists(path) else ""


class FieldHosts(FieldCase):
    def test_loopback_and_unrelated_lines_survive_names_that_are_fragments_or_their_own(self):
        self.server.set("k1001", name="localhost")
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: "nicht zulässig: localhost" in self.box.messages()), self.box.messages())
        self.assertEqual(self.hosts(), MACHINE_HOSTS)
        self.assertEqual((self.box.stored("(Status)", SECTION) or "").strip(), "", "a refused status is not stored")

        for name in ("ost", "local", "as.local", "MyBox"):
            self.server.set("k1001", status="50", name=name)
            self.wait_for_hosts(lambda text: "\n10.0.0.7    %s       # " % name in text)
            self.assertTrue(self.hosts().startswith(MACHINE_HOSTS), self.hosts())
            self.server.set("k1001", status="20")
            self.wait_for_hosts(lambda text: text == MACHINE_HOSTS)

        self.assertEqual(self.box.terminate(), 0)
        self.assertEqual(self.hosts(), MACHINE_HOSTS)

    def test_a_server_name_with_an_underscore_gets_its_line(self):
        self.server.set("k1001", name="file_server")
        self.box.start(self.server)
        self.wait_for_hosts(lambda text: "\n10.0.0.7    file_server       # Verbindung von Tavik" in text)
        self.assertEqual(self.box.stored("ServerName", SECTION), "file_server")
        self.assertNotIn("nicht übernommen", self.box.messages())
        self.assertEqual(self.box.terminate(), 0)
        self.assertEqual(self.hosts(), MACHINE_HOSTS)

    def test_a_line_another_program_removed_is_back_after_the_next_reply(self):
        self.box.start(self.server)
        self.wait_for_hosts(lambda text: "10.0.0.7    firma-server" in text)
        # Another program writes the file anew, without our line.
        with open(self.box.hosts + ".other", "w") as f:
            f.write(MACHINE_HOSTS + "10.9.9.9 printer\n")
        os.replace(self.box.hosts + ".other", self.box.hosts)
        self.wait_for_hosts(lambda text: "10.0.0.7    firma-server       # " in text)
        self.assertIn("10.9.9.9 printer", self.hosts())
        # The log line follows the rewrite, a moment later.
        self.assertTrue(wait_for(lambda: "wiederhergestellt" in self.log()), self.log())

        # Intact again: the next replies read the file and leave it alone.
        inode = os.stat(self.box.hosts).st_ino
        seen = self.ip_requests()
        self.assertTrue(wait_for(lambda: self.ip_requests() >= seen + 2))
        self.assertEqual(os.stat(self.box.hosts).st_ino, inode)
        self.assertEqual(self.log().count("wiederhergestellt"), 1)


class FieldReplies(FieldCase):
    fast_cycle = False  # one request in the test's time: only the queued reply counts

    def test_a_reply_ending_in_cr_lf_is_taken_over(self):
        self.server.queue_reply("k1001", "220;;;50+10.0.0.8+crlf-server\r\n")
        self.box.start(self.server)
        self.wait_for_hosts(lambda text: "\n10.0.0.8    crlf-server       # Verbindung von Tavik" in text)
        self.assertTrue(wait_for(lambda: self.box.stored("(Status)", SECTION) == "50+10.0.0.8+crlf-server"))
        self.assertEqual(self.box.stored("ServerName", SECTION), "crlf-server")

    def test_escape_sequences_of_a_server_message_do_not_reach_the_terminal(self):
        self.server.queue_reply("k1001", "90;;Wartung\x1b[2J\x1b]0;Titel\x07 heute Nacht\r\n")
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: self.box.client.poll() is not None, timeout=30))
        messages = self.box.messages()
        self.assertIn("Wartung\\x1b[2J\\x1b]0", messages)
        self.assertNotIn("\x1b", messages)
        self.assertNotIn("\x07", messages)


if __name__ == "__main__":
    unittest.main()
