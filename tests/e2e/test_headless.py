"""End-to-end: the headless Tavik6 against the demo server on loopback."""

import os
import stat
import unittest

from harness import INITIAL_HOSTS, SIGNING_KEY, DemoServer, PrivateLogind, Sandbox, sign, wait_for

MARKER = "# Verbindung von Tavik zum Firmenserver"
ACCOUNT = "k1001 geheim Firma firma-server 10.0.0.7 50"
IP_REQUEST = "/cgi-bin/server/tavik6/readip6.cgi?k1001&geheim&6.10"
OFFLINE_NOTICE = "/cgi-bin/server/offline.cgi?k1001"


class ClientCase(unittest.TestCase):
    accounts = [ACCOUNT]
    version = "6.10"
    fast_cycle = False

    def setUp(self):
        self.box = Sandbox(fast_cycle=self.fast_cycle)
        self.server = DemoServer(self.box.root, self.accounts, version=self.version)
        self.box.install("K1001", "geheim")

    def tearDown(self):
        self.box.cleanup()
        self.server.stop()

    def wait_for_line(self, name="firma-server"):
        return wait_for(lambda: name in self.box.hosts_text())

    def wait_for_exit(self):
        return wait_for(lambda: self.box.client.poll() is not None, timeout=30)


class MainRoad(ClientCase):
    def test_first_request_at_start_writes_the_appended_line_and_the_server_section(self):
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line(), self.box.messages())
        self.assertEqual(self.server.requests()[0], IP_REQUEST)

        text = self.box.hosts_text()
        self.assertTrue(text.startswith("127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost\n# keep me\n"), text)
        self.assertTrue(text.endswith("\n\n10.0.0.7    firma-server       " + MARKER + "\n"), repr(text))

        section = "Tavik6\\VPN\\k1001"
        self.assertTrue(wait_for(lambda: self.box.stored("Datum", section)))
        self.assertEqual(self.box.stored("ServerName", section), "firma-server")
        self.assertEqual(self.box.stored("ServerIP", section), "10.0.0.7")
        self.assertEqual(self.box.stored("(Status)", section), "50+10.0.0.7+firma-server")
        self.assertRegex(self.box.stored("Datum", section), r"^\d\d\.\d\d\.\d{4} - \d\d:\d\d:\d\d$")
        self.assertEqual(self.box.client.poll(), None, "the client keeps running")

    def test_existing_line_is_replaced_in_place_with_date_and_time(self):
        with open(self.box.hosts, "a") as f:
            f.write("192.0.2.1 firma-server # old entry\n10.1.1.1 other\n")
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: "10.0.0.7    firma-server" in self.box.hosts_text()))
        lines = self.box.hosts_text().splitlines()
        self.assertRegex(lines[3], r"^10\.0\.0\.7    firma-server       # \d\d\.\d\d\.\d{4} \d\d:\d\d "
                                   r"Verbindung von Tavik zum Firmenserver$")
        self.assertEqual(lines[4], "10.1.1.1 other")
        self.assertEqual(len(lines), 5)

    def test_sigterm_sends_the_offline_notice_and_removes_the_line(self):
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line())
        self.assertEqual(self.box.terminate(), 0)
        self.assertIn(OFFLINE_NOTICE, self.server.requests())
        self.assertNotIn("firma-server", self.box.hosts_text())
        self.assertIn("# keep me", self.box.hosts_text())
        self.assertTrue(os.path.exists(self.box.hosts + ".jst"))
        self.assertFalse(os.path.exists(self.box.hosts + ".new"))

    def test_hosts_file_keeps_its_mode(self):
        os.chmod(self.box.hosts, 0o640)
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line())
        self.assertEqual(stat.S_IMODE(os.stat(self.box.hosts).st_mode), 0o640)

    def test_restart_restores_the_stored_line_before_the_first_reply(self):
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line())
        self.box.client.kill()  # no exit sequence: the line stays
        self.box.client.wait()
        self.server.set("k1001", status="20")
        self.box.start(self.server)
        # the first reply says the server is offline: the restored line goes
        self.assertTrue(wait_for(lambda: "firma-server" not in self.box.hosts_text()))
        # an empty value is stored as one blank
        self.assertTrue(wait_for(lambda: self.box.stored("ServerName", "Tavik6\\VPN\\k1001") == " "))
        self.assertEqual(self.box.stored("ServerIP", "Tavik6\\VPN\\k1001"), " ")


class ServerOrders(ClientCase):
    def test_code_100_reports_the_rejected_login(self):
        self.box.store("Passwort", "falsch")
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: "nicht bestätigt" in self.box.messages()))
        self.assertIn("Ihre Benutzerangaben wurden nicht bestätigt.\nBitte überprüfen Sie diese noch einmal.",
                      self.box.messages())
        self.assertNotIn("firma-server", self.box.hosts_text())
        self.assertIsNone(self.box.client.poll())

    def test_code_90_shows_the_message_and_ends_through_the_exit_sequence(self):
        self.server.queue_reply("k1001", "90;;Wartungsarbeiten heute Nacht")
        self.box.start(self.server)
        self.assertTrue(self.wait_for_exit())
        self.assertEqual(self.box.client.returncode, 0)
        self.assertIn("Wartungsarbeiten heute Nacht", self.box.messages())
        self.assertIn(OFFLINE_NOTICE, self.server.requests())

    def test_quit_command_ends_the_program_after_the_exit_sequence(self):
        self.server.set("k1001", command="Tavik beenden")
        self.box.start(self.server)
        self.assertTrue(self.wait_for_exit())
        self.assertEqual(self.box.client.returncode, 0)
        self.assertIn(OFFLINE_NOTICE, self.server.requests())
        self.assertNotIn("firma-server", self.box.hosts_text())

    def test_html_reply_is_reported_and_changes_nothing(self):
        self.server.queue_reply("k1001", "<html><HEAD><title>Proxy</title></HEAD><body>Login</body></html>")
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: "Fehler beim Laden." in self.box.messages()))
        self.assertNotIn("firma-server", self.box.hosts_text())
        self.assertIsNone(self.box.client.poll())

    def test_address_that_is_not_an_address_changes_nothing(self):
        self.server.set("k1001", ip="10.0.0.7\n6.6.6.6 evil")
        self.box.start(self.server)
        self.assertTrue(wait_for(lambda: IP_REQUEST in self.server.requests()))
        self.assertTrue(wait_for(lambda: "keine gültige IP-Adresse" in self.box.messages()), self.box.messages())
        self.assertEqual(self.box.hosts_text(), INITIAL_HOSTS, "not even empty lines were dropped")
        self.assertEqual((self.box.stored("(Status)", "Tavik6\\VPN\\k1001") or "").strip(), "", "tried again next time")


class AutomaticUpdate(ClientCase):
    accounts = [ACCOUNT + " Tavik6-6.20"]
    version = "6.20"

    @unittest.skipUnless(SIGNING_KEY, "update files cannot be signed for this build")
    def test_newer_version_is_fetched_and_handed_to_the_updater(self):
        served = os.path.join(self.server.updates, "Tavik6-6.20")
        with open(served, "wb") as f:
            f.write(b"\x7fELF new program bytes")
        sign(served)
        record = os.path.join(self.box.root, "updater-args")
        updater = os.path.join(self.box.program_folder, "Velmora4")
        with open(updater, "w") as f:
            f.write('#!/bin/sh\necho "$*" > "%s.tmp" && mv "%s.tmp" "%s"\n' % (record, record, record))
        os.chmod(updater, 0o755)
        self.box.store("AutoUpdate", "1")

        self.box.start(self.server)
        self.assertTrue(self.wait_for_exit(), self.box.messages())
        self.assertEqual(self.box.client.returncode, 0)
        with open(os.path.join(self.box.program_folder, "Updates", "Tavik6-6.20"), "rb") as f:
            self.assertEqual(f.read(), b"\x7fELF new program bytes")
        self.assertTrue(wait_for(lambda: os.path.exists(record)))
        with open(record) as f:
            self.assertEqual(f.read().strip(), "Tavik6-6.20,Tavik6")
        self.assertNotIn(OFFLINE_NOTICE, self.server.requests())
        self.assertIn("firma-server", self.box.hosts_text(), "no exit sequence before an update")
        self.assertEqual(self.box.stored("IUpdate", "Software").count("."), 2)

    def test_newer_version_without_automatic_update_keeps_running(self):
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line())
        self.assertFalse(os.path.exists(os.path.join(self.box.program_folder, "Updates", "Tavik6-6.20")))
        self.assertIsNone(self.box.client.poll())


class FastCycle(ClientCase):
    fast_cycle = True

    def test_a_new_address_reaches_the_hosts_file_at_the_next_cycle(self):
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line())
        self.server.set("k1001", ip="10.0.0.8")
        # class Firma: a request every third minute, 1.8 s here
        self.assertTrue(wait_for(lambda: "10.0.0.8    firma-server       # " in self.box.hosts_text()),
                        self.box.hosts_text())
        self.assertNotIn("10.0.0.7", self.box.hosts_text())
        self.assertEqual(self.box.stored("ServerIP", "Tavik6\\VPN\\k1001"), "10.0.0.8")
        self.assertEqual(self.box.terminate(), 0)
        self.assertNotIn("firma-server", self.box.hosts_text())

    def test_a_server_going_offline_takes_the_line_away(self):
        self.box.start(self.server)
        self.assertTrue(self.wait_for_line())
        self.server.set("k1001", status="10")
        self.assertTrue(wait_for(lambda: "firma-server" not in self.box.hosts_text()))
        self.assertIsNone(self.box.client.poll())

    def test_a_reboot_order_reaches_logind_which_the_client_loads_only_then(self):
        logind = PrivateLogind(self.box.root)
        self.addCleanup(logind.stop)
        self.assertTrue(logind.ready, "the private logind did not come up")
        self.box.start(self.server, DBUS_SYSTEM_BUS_ADDRESS=logind.address)
        self.assertTrue(self.wait_for_line())
        with open("/proc/%d/maps" % self.box.client.pid) as f:
            self.assertNotIn("libsystemd", f.read())
        self.server.set("k1001", command="Server neu Starten (VORSICHT!!!)")
        self.assertTrue(self.wait_for_exit(), self.box.messages())
        self.assertEqual(self.box.client.returncode, 0)
        self.assertEqual(logind.calls(), ["CanReboot", "Reboot False"])
        self.assertIn(OFFLINE_NOTICE, self.server.requests())
        self.assertNotIn("firma-server", self.box.hosts_text())


class Wizard(unittest.TestCase):
    def test_first_start_without_a_terminal_says_how_to_set_up_and_ends(self):
        box = Sandbox()
        server = DemoServer(box.root, [ACCOUNT])
        try:
            box.start(server)
            self.assertEqual(box.client.wait(timeout=30), 3, box.messages())
            self.assertIn("Dieses ist der erste Start.", box.messages())
            self.assertIn("Der Setupassistent wird nun beendet.", box.messages())
            self.assertIn("Tavik6 --setup Tavik6", box.messages())
            self.assertIsNone(box.stored("Install"))
            self.assertEqual([r for r in server.requests() if r.startswith("/cgi-bin/")], [])
        finally:
            box.cleanup()
            server.stop()

    def test_an_unreachable_server_and_a_host_written_as_an_address_are_said(self):
        box = Sandbox()
        box.install("K1001", "geheim")
        server = DemoServer(box.root, [ACCOUNT])
        try:
            # Nothing listens there: the server cannot be reached.
            server_host, server.host = server.host, "127.0.0.1:1"
            box.start(server)
            self.assertTrue(wait_for(lambda: "ist nicht erreichbar" in box.messages()), box.messages())
            self.assertEqual(box.terminate(), 0)
            # Written with the scheme and a slash, as users copy it from a browser.
            server.host = "http://%s/" % server_host
            box.start(server)
            self.assertTrue(wait_for(lambda: "firma-server" in box.hosts_text()), box.messages())
            self.assertEqual(box.terminate(), 0)
            self.assertEqual(box.messages().count("ist nicht erreichbar"), 1, box.messages())
        finally:
            box.cleanup()
            server.stop()


if __name__ == "__main__":
    unittest.main()
