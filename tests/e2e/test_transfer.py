"""End-to-end: what the real headless Tavik6 has in memory once it has talked
plain HTTP to the demo server: no TLS library, and none of the compression
libraries that HTTP clients often bring along."""

import os
import re
import unittest

from harness import DemoServer, Sandbox, wait_for

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


if __name__ == "__main__":
    unittest.main()
