"""End-to-end: what the real headless Tavik6 has in memory once it has talked
plain HTTP to the demo server: no TLS library, and none of the compression
libraries that HTTP clients often bring along, nor the C++ streams' static
set-up; between cycles not SQLite either. And the service over HTTPS:
the main road, certificates that must be refused, no fall-back to HTTP."""

import os
import re
import subprocess
import unittest

from harness import DemoServer, Sandbox, TestAuthority, read_text, wait_for

ACCOUNT = "k1001 geheim Firma firma-server 10.0.0.7 50"
# TLS stacks and what tends to come with them in an HTTP client.
UNWANTED = re.compile(r"/(libssl|libcrypto|libgnutls|libnss3|libmbedtls|libwolfssl|libcurl|libcpp-httplib"
                      r"|libz\.|libbrotli|libzstd|libnghttp2)[^/]*$")


def mapped_files(pid):
    with open("/proc/%d/maps" % pid) as f:
        return sorted({line.split()[-1] for line in f if len(line.split()) >= 6})


class PlainHttp(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        self.server = DemoServer(self.box.root, [ACCOUNT])
        self.box.install("K1001", "geheim")

    def tearDown(self):
        self.box.cleanup()
        self.server.stop()

    def test_a_plain_http_client_maps_no_tls_library(self):
        self.box.start(self.server)
        # The line stands once a whole transfer is done: whatever the
        # transfer loads is loaded by then.
        self.assertTrue(wait_for(lambda: "firma-server" in self.box.hosts_text()), self.box.messages())
        files = mapped_files(self.box.client.pid)
        self.assertIn(os.path.join(self.box.program_folder, "Tavik6"), files)
        self.assertTrue(any("/libc.so" in name or "/libc-" in name for name in files), files)
        self.assertEqual([name for name in files if UNWANTED.search(name)], [])
        # Between its cycles it holds neither the store nor SQLite.
        self.assertTrue(wait_for(lambda: not any("libsqlite3" in name or "registry.sqlite" in name
                                                 for name in mapped_files(self.box.client.pid))),
                        mapped_files(self.box.client.pid))
        self.assertIsNone(self.box.client.poll(), self.box.messages())

    def test_no_part_of_the_client_sets_up_the_cxx_streams_at_start(self):
        # What <iostream> brings into a file: a static std::ios_base::Init,
        # which builds the C++ library's whole locale machinery at every start
        # and keeps some 350 kB of it resident for the life of the client.
        program = os.path.join(self.box.program_folder, "Tavik6")
        symbols = subprocess.run(["nm", "-D", "--undefined-only", program], check=True,
                                 capture_output=True, text=True).stdout
        self.assertIn("__libc_start_main", symbols)
        self.assertNotIn("_ZNSt8ios_base4InitC1Ev", symbols)


UNREACHABLE = "ist nicht erreichbar"
TLS_LIBRARY = re.compile(r"/libssl\.so[^/]*$")


def client_requests(server):
    """What reached the demo server, without the test's own questions."""
    return [target for target in server.requests() if not target.startswith("/demo/")]


class Https(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()
        self.box.install("K1001", "geheim")
        self.authority = TestAuthority(self.box.root)
        self.servers = []

    def tearDown(self):
        self.box.cleanup()
        for server in self.servers:
            server.stop()

    def server(self, tls):
        folder = os.path.join(self.box.root, "server%d" % len(self.servers))
        os.makedirs(folder)
        server = DemoServer(folder, [ACCOUNT], tls=tls)
        self.servers.append(server)
        return server

    def test_main_road_over_https(self):
        cert, key = self.authority.server_certificate("service")
        server = self.server((cert, key, self.authority.cert))
        self.box.start(server, trust=self.authority.cert)
        self.assertTrue(wait_for(lambda: "firma-server" in self.box.hosts_text()), self.box.messages())
        self.assertEqual(client_requests(server), ["/cgi-bin/server/tavik6/readip6.cgi?k1001&geheim&6.10"])
        # The TLS library came with the module, loaded for the https transfer.
        self.assertTrue([name for name in mapped_files(self.box.client.pid) if TLS_LIBRARY.search(name)])
        self.assertEqual(self.box.terminate(), 0)
        self.assertNotIn("firma-server", self.box.hosts_text())
        self.assertIn("/cgi-bin/server/offline.cgi?k1001", client_requests(server))
        self.assertNotIn(UNREACHABLE, self.box.messages())

    def test_refused_certificates_and_plain_http_reach_no_request(self):
        """Each case: the client reports the server unreachable (standard
        error and log), says why where a certificate was refused, writes no
        line, and no request of its reaches the server."""
        right_cert, right_key = self.authority.server_certificate("service")
        other_cert, other_key = self.authority.server_certificate("other", alt_names=("DNS:other.example",))
        stranger = TestAuthority(self.box.root, "stranger")
        strange_cert, strange_key = stranger.server_certificate("service")
        cases = [
            ("name does not match", (other_cert, other_key, self.authority.cert), self.authority.cert,
             "nicht auf diesen Namen ausgestellt"),
            ("untrusted authority", (strange_cert, strange_key, stranger.cert), self.authority.cert,
             "keiner Stelle, der dieser Rechner vertraut"),
            ("system trust store only", (right_cert, right_key, self.authority.cert), None,
             "keiner Stelle, der dieser Rechner vertraut"),
            ("server speaks plain HTTP", None, self.authority.cert, None),
        ]
        log = os.path.join(self.box.program_folder, "logTavik.TXT")
        for name, tls, trust, reason in cases:
            with self.subTest(name):
                server = self.server(tls)
                host = server.host if tls else "https://" + server.host
                before = len(self.box.messages()) if os.path.exists(self.box.stderr_path) else 0
                self.box.start(server if tls else _Address(host), trust=trust)
                try:
                    self.assertTrue(wait_for(lambda: UNREACHABLE in self.box.messages()[before:]),
                                    self.box.messages())
                    said = self.box.messages()[before:]
                    self.assertIn("(%s)" % host, said)
                    if reason:
                        self.assertIn(reason, said)
                    # The log line follows the one on standard error.
                    logged = "(%s) %s" % (host, UNREACHABLE)
                    self.assertTrue(wait_for(lambda: os.path.exists(log) and logged in read_text(log)),
                                    read_text(log) if os.path.exists(log) else "no log")
                finally:
                    # The next case starts a client of its own.
                    self.assertEqual(self.box.terminate(), 0)
                self.assertEqual(client_requests(server), [])
                self.assertNotIn("firma-server", self.box.hosts_text())


class _Address:
    """Only the address a client is pointed at."""

    def __init__(self, host):
        self.host = host


if __name__ == "__main__":
    unittest.main()
