"""Runs the real Tavik6 (headless) against the real demo server in a sandbox:
a temporary program folder, hosts file and settings store."""

import os
import shutil
import signal
import sqlite3
import ssl
import subprocess
import tempfile
import time
import urllib.parse
import urllib.request

BIN_DIR = os.environ.get("TAVIK_BIN_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
TEST_BIN_DIR = os.environ.get("TAVIK_TEST_BIN_DIR", os.path.join(BIN_DIR, "..", "tests"))
PRODUCT_KEY = "Software\\Kovrin\\Tavik6\\"
# The private key this build's programs accept update files from (empty when
# the build was given a release's public key).
SIGNING_KEY = os.environ.get("TAVIK_UPDATE_SIGNING_KEY", "")
# The module the client checks update signatures with.
VERIFY_MODULE = "libtavik6-verify.so"
INITIAL_HOSTS = "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost\n\n# keep me\n"


def read_text(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def sign(path, key=None):
    """Writes path.sig with the signing tool, by default with the build's key."""
    subprocess.run([os.path.join(BIN_DIR, "tavik6-sign"), key or SIGNING_KEY, path], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wait_for(condition, timeout=15.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(step)
    return condition()


class PrivateLogind:
    """A bus daemon of our own with python-dbusmock's logind on it, for the
    client to see as its system bus: session ends go there and into its call
    log, never to the machine's own logind."""

    def __init__(self, folder):
        self.socket = os.path.join(folder, "system-bus")
        self.address = "unix:path=" + self.socket
        self.log = os.path.join(folder, "logind-calls")
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address)
        self.daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--address=" + self.address],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Debian's own Python: that is where python3-dbusmock lies.
        self.mock = subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--template", "logind", "--system",
                                      "--logfile", self.log], env=env)
        owner = ["dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                 "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.login1"]
        self.ready = wait_for(lambda: "boolean true" in subprocess.run(
            owner, env=env, capture_output=True, text=True).stdout, timeout=10)

    def calls(self):
        """The calls logind received, as "Method arguments"."""
        return [line.split(" ", 1)[1] for line in read_text(self.log).splitlines() if " " in line]

    def stop(self):
        for process in (self.mock, self.daemon):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
            process.wait(timeout=10)


class TestAuthority:
    """A certificate authority made with the openssl command for one test, in
    a temporary folder that goes with it; its key never leaves that folder."""

    def __init__(self, folder, name="ca"):
        self.folder = folder
        self.name = name
        self.cert = os.path.join(folder, name + ".pem")
        self.key = os.path.join(folder, name + ".key")
        self._openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.key, "-out", self.cert,
                      "-days", "2", "-subj", "/CN=Tavik6 Test Authority " + name,
                      "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign")

    def _openssl(self, *arguments):
        subprocess.run(["openssl", *arguments], check=True, capture_output=True)

    def server_certificate(self, name, alt_names=("IP:127.0.0.1", "IP:::1", "DNS:localhost")):
        """A server certificate and its key, signed by this authority."""
        cert = os.path.join(self.folder, "%s-%s.pem" % (self.name, name))
        key = os.path.join(self.folder, "%s-%s.key" % (self.name, name))
        request = os.path.join(self.folder, "%s-%s.csr" % (self.name, name))
        extensions = os.path.join(self.folder, "%s-%s.ext" % (self.name, name))
        with open(extensions, "w") as f:
            f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                    % ",".join(alt_names))
        self._openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request, "-subj", "/CN=" + name)
        self._openssl("x509", "-req", "-in", request, "-CA", self.cert, "-CAkey", self.key, "-CAcreateserial",
                      "-out", cert, "-days", "2", "-extfile", extensions)
        return cert, key


class DemoServer:
    def __init__(self, folder, accounts, version="6.10", updates=None, tls=None):
        """tls: (certificate, key, authority file) to answer over HTTPS only."""
        self.folder = folder
        accounts_file = os.path.join(folder, "accounts.txt")
        with open(accounts_file, "w", encoding="utf-8") as f:
            f.write("# customer password class server-name server-ip status [update-file]\n")
            f.write("\n".join(accounts) + "\n")
        self.updates = updates or os.path.join(folder, "served-updates")
        os.makedirs(self.updates, exist_ok=True)
        port_file = os.path.join(folder, "port")
        self.log = open(os.path.join(folder, "demo-server.log"), "w")
        command = [os.path.join(BIN_DIR, "tavik6-demo-server"), "--port", "0", "--port-file", port_file,
                   "--accounts", accounts_file, "--updates", self.updates, "--version", version]
        self.context = None
        if tls:
            command += ["--cert", tls[0], "--key", tls[1]]
            # The test's own questions must also reach a server whose name
            # is wrong on purpose.
            self.context = ssl.create_default_context(cafile=tls[2])
            self.context.check_hostname = False
        self.process = subprocess.Popen(command, stdout=self.log, stderr=subprocess.STDOUT)
        wait_for(lambda: os.path.exists(port_file) and read_text(port_file).strip(), timeout=10)
        self.port = int(read_text(port_file).strip())
        # What TAVIK_SERVICE_HOST names: https:// in front for HTTPS.
        self.host = ("https://" if tls else "") + "127.0.0.1:%d" % self.port

    def get(self, target):
        base = self.host if self.host.startswith("https://") else "http://" + self.host
        with urllib.request.urlopen(base + target, timeout=10, context=self.context) as reply:
            return reply.read().decode("utf-8", "replace")

    def set(self, user, **fields):
        query = urllib.parse.urlencode(dict(user=user, **fields))
        self.get("/demo/set?" + query)

    def queue_reply(self, user, body):
        self.get("/demo/reply?" + urllib.parse.urlencode({"user": user, "body": body}))

    def requests(self):
        return [line for line in self.get("/demo/requests").splitlines() if line]

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


class Sandbox:
    """A program folder with a copy of Tavik6, a hosts file and a settings store."""

    def __init__(self, profile="Tavik6", fast_cycle=False):
        """fast_cycle: the program file is the test build whose cycle runs a
        hundred times faster (a minute lasts 0.6 s)."""
        self.root = tempfile.mkdtemp(prefix="tavik-e2e-")
        self.program_folder = os.path.join(self.root, "program")
        os.makedirs(self.program_folder)
        program = os.path.join(TEST_BIN_DIR, "tavik6-fastcycle") if fast_cycle else os.path.join(BIN_DIR, "Tavik6")
        shutil.copy2(program, os.path.join(self.program_folder, "Tavik6"))
        shutil.copy2(os.path.join(BIN_DIR, VERIFY_MODULE), os.path.join(self.program_folder, VERIFY_MODULE))
        # The TLS module lies beside the program as in an install; only an
        # https address loads it.
        tls_module = os.path.join(BIN_DIR, "libtavik6-tls.so")
        if os.path.exists(tls_module):
            shutil.copy2(tls_module, self.program_folder)
        self.hosts = os.path.join(self.root, "etc", "hosts")
        os.makedirs(os.path.dirname(self.hosts))
        with open(self.hosts, "w") as f:
            f.write(INITIAL_HOSTS)
        self.registry = os.path.join(self.root, "registry.sqlite")
        self.profile = profile
        self.client = None
        self.stderr_path = os.path.join(self.root, "client.stderr")

    # -- settings store, through the table layout the program uses
    def _db(self):
        db = sqlite3.connect(self.registry)
        db.execute("CREATE TABLE IF NOT EXISTS registry(root TEXT, key TEXT, name TEXT, type INTEGER, data BLOB)")
        return db

    def store(self, name, value, section=None):
        key = PRODUCT_KEY + (section or self.profile)
        with self._db() as db:
            db.execute("DELETE FROM registry WHERE root='HKLM' AND key=? COLLATE NOCASE AND name=? COLLATE NOCASE",
                       (key, name))
            db.execute("INSERT INTO registry VALUES('HKLM', ?, ?, 1, ?)", (key, name, value.encode("utf-8")))

    def stored(self, name, section=None):
        key = PRODUCT_KEY + (section or self.profile)
        with self._db() as db:
            row = db.execute("SELECT data FROM registry WHERE root='HKLM' AND key=? COLLATE NOCASE "
                             "AND name=? COLLATE NOCASE", (key, name)).fetchone()
        if row is None:
            return None
        data = row[0]
        return data.decode("utf-8") if isinstance(data, bytes) else str(data)

    def install(self, user, password, connection="1", auto_update="0"):
        for name, value in (("Install", "01.12.2026"), ("User", user), ("Passwort", password),
                            ("Proxyserver", connection), ("AutoUpdate", auto_update)):
            self.store(name, value)

    # -- the client
    def start(self, server, arguments=(), trust=None, **variables):
        """trust: the only authority file OpenSSL trusts (SSL_CERT_FILE), or
        None for the system's trust store."""
        env = dict(os.environ, TAVIK_SERVICE_HOST=server.host, TAVIK_UPDATE_HOST=server.host,
                   TAVIK_HOSTS_FILE=self.hosts, TAVIK_REGISTRY=self.registry, TAVIK_HEADLESS="1")
        for name in ("SSL_CERT_FILE", "SSL_CERT_DIR"):
            env.pop(name, None)
        if trust:
            env["SSL_CERT_FILE"] = trust
        env.update(variables)
        if self.client:
            self.stderr.close()
        self.stderr = open(self.stderr_path, "a")
        self.client = subprocess.Popen([os.path.join(self.program_folder, "Tavik6"), *arguments],
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=self.stderr, env=env)
        return self.client

    def messages(self):
        return read_text(self.stderr_path)

    def hosts_text(self):
        return read_text(self.hosts)

    def terminate(self):
        if self.client and self.client.poll() is None:
            self.client.send_signal(signal.SIGTERM)
            return self.client.wait(timeout=30)
        return self.client.returncode if self.client else None

    def cleanup(self):
        if self.client and self.client.poll() is None:
            self.client.kill()
            self.client.wait()
        if self.client:
            self.stderr.close()
            self.client = None
        shutil.rmtree(self.root, ignore_errors=True)
