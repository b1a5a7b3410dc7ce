#!/usr/bin/env python3
"""A web server that misbehaves on purpose, for testing the client against it.

    hostile_server.py --port-file FILE --log FILE --script B1,B2,... [--lifetime S]
                      [--max-connections N] [--hold-accept S] [--trickle-interval S]
                      [--cert FILE --key FILE]

Listens on 127.0.0.1 (a free port, written to --port-file once it listens).
Connection number n (from 0) gets behaviour B[n % len(B)]. Each connection
adds one JSON line to --log when it ends: its number, behaviour, request
target, bytes sent, how it ended and how long it lasted. The server stops by
itself after --lifetime seconds or --max-connections connections.

--cert and --key (PEM) put every connection through a TLS handshake first;
the behaviour then runs inside TLS.

--hold-accept S keeps the listening socket's queue full for the first S
seconds, so that connection attempts are not even accepted.

Behaviours:
  legit          the reply of an accepted login with the server 10.0.0.7 firma-server
  trickle        a large declared body, one byte every --trickle-interval seconds
  silent         accepts and never reads nor answers
  midbody        declares 1000 bytes of a plausible reply, sends 500, closes
  giant          a body without declared length, generated without end
  giantchunked   the same, chunked
  giantdeclared  a declared length of 8 GiB, generated on the fly
  binary         random bytes as the body of a 200 answer
  rawgarbage     random bytes instead of an HTTP answer
  manyheaders    10,000 header fields, then a plausible reply
  endlessheaders header fields without end
  manyfields     a plausible reply followed by 10,000 ';'-separated fields
  crlfaddress    CR/LF in every field, with an extra hosts line in the address
  crlfname       CR/LF in every field, with an extra hosts line in the name
  redirect       a redirect to a new path on this server each time (a loop if followed)
  offsite        a redirect to this server under another host name, path /elsewhere
"""

import argparse
import json
import os
import random
import select
import socket
import ssl
import sys
import threading
import time

BEHAVIOURS = ("legit", "trickle", "silent", "midbody", "giant", "giantchunked", "giantdeclared", "binary",
              "rawgarbage", "manyheaders", "endlessheaders", "manyfields", "crlfaddress", "crlfname", "redirect",
              "offsite")
LEGIT_BODY = b"220;;;50+10.0.0.7+firma-server;1;Firma;;6.10;;;"
BLOCK = 1 << 20
SEND_STALL = 2.0
GIANT_LIMIT = 8 << 30  # what "without end" means here: far beyond any cap


class ClientGone(Exception):
    pass


class Connection:
    def __init__(self, sock, options, number, behaviour, deadline):
        self.sock = sock
        self.options = options
        self.number = number
        self.behaviour = behaviour
        self.deadline = deadline
        self.sent = 0
        self.target = ""

    def send(self, data):
        # A client that has closed its end may leave a send hanging on a
        # full window; a send that makes no progress for a while counts as gone.
        self.sock.settimeout(SEND_STALL)
        try:
            self.sock.sendall(data)
        except OSError:
            raise ClientGone()
        self.sent += len(data)

    def read_request(self):
        head = b""
        self.sock.settimeout(5)
        try:
            while b"\r\n\r\n" not in head and len(head) < 65536:
                chunk = self.sock.recv(4096)
                if not chunk:
                    break
                head += chunk
        except OSError:
            pass
        line = head.split(b"\r\n", 1)[0].decode("latin-1")
        parts = line.split(" ")
        self.target = parts[1] if len(parts) > 1 else ""

    def head(self, status="200 OK", fields=()):
        lines = ["HTTP/1.1 " + status, "Connection: close"] + list(fields)
        self.send(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def reply(self, body, status="200 OK", fields=()):
        self.head(status, ["Content-Type: text/plain", "Content-Length: %d" % len(body)] + list(fields))
        self.send(body)

    def time_left(self):
        return self.deadline - time.monotonic()

    def wait_for_close(self):
        """Waits, without reading, until the client hangs up or time runs out."""
        poller = select.poll()
        poller.register(self.sock, select.POLLRDHUP | select.POLLHUP | select.POLLERR)
        while self.time_left() > 0:
            if poller.poll(min(0.2, self.time_left()) * 1000):
                raise ClientGone()

    def endless(self, make_block):
        while self.sent < GIANT_LIMIT and self.time_left() > 0:
            self.send(make_block())

    # -- behaviours
    def legit(self):
        self.reply(LEGIT_BODY)

    def trickle(self):
        self.head(fields=["Content-Type: text/plain", "Content-Length: 100000"])
        body = LEGIT_BODY + b" " * 100000
        for byte in body:
            if self.time_left() <= 0:
                return
            self.send(bytes([byte]))
            time.sleep(self.options.trickle_interval)

    def silent(self):
        self.wait_for_close()

    def midbody(self):
        body = b"220;;;50+10.0.0.66+firma-server;1;Firma;;6.10;;;"
        self.head(fields=["Content-Type: text/plain", "Content-Length: 1000"])
        self.send(body + b" " * (500 - len(body)))

    def giant(self):
        self.head(fields=["Content-Type: text/plain"])
        block = b"x" * BLOCK
        self.endless(lambda: block)

    def giantchunked(self):
        self.head(fields=["Content-Type: text/plain", "Transfer-Encoding: chunked"])
        chunk = b"%x\r\n" % BLOCK + b"y" * BLOCK + b"\r\n"
        self.endless(lambda: chunk)

    def giantdeclared(self):
        self.head(fields=["Content-Type: text/plain", "Content-Length: %d" % GIANT_LIMIT])
        block = b"z" * BLOCK
        self.endless(lambda: block)

    def binary(self):
        rng = random.Random(self.number)
        self.reply(bytes(rng.getrandbits(8) for _ in range(65536)), fields=["Content-Type: application/octet-stream"])

    def rawgarbage(self):
        rng = random.Random(1000 + self.number)
        self.send(bytes(rng.getrandbits(8) for _ in range(65536)))

    def manyheaders(self):
        fields = ["X-Field-%d: %s" % (i, "v" * 20) for i in range(10000)]
        self.reply(LEGIT_BODY, fields=fields)

    def endlessheaders(self):
        self.send(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n")
        counter = [0]

        def block():
            start = counter[0]
            counter[0] += 8192
            return b"".join(b"X-%d: v\r\n" % i for i in range(start, start + 8192))

        self.endless(block)

    def manyfields(self):
        self.reply(LEGIT_BODY + b";f" * 10000)

    def crlfaddress(self):
        self.reply(b"220\r\n;x\r\n;y\r\n;50+10.0.0.7\r\n6.6.6.6 evil\r\n+firma-server\r\n;1\r\n;Firma\r\n;\r\n;6.10\r\n;\r\n;\r\n;\r\n")

    def crlfname(self):
        self.reply(b"220\r\n;x\r\n;y\r\n;50+10.0.0.7+firma-server\r\n6.6.6.6 evil\r\n;1\r\n;Firma\r\n;\r\n;6.10\r\n;\r\n;\r\n;\r\n")

    def redirect(self):
        self.reply(b"moved", status="302 Found", fields=["Location: /loop/%d" % (self.number + 1)])

    def offsite(self):
        port = self.sock.getsockname()[1]
        self.reply(b"moved", status="302 Found", fields=["Location: http://localhost:%d/elsewhere" % port])

    def run(self):
        started = time.monotonic()
        ended = "done"
        try:
            if self.options.tls:
                self.sock.settimeout(5)
                try:
                    self.sock = self.options.tls.wrap_socket(self.sock, server_side=True)
                except OSError:  # the client refused the certificate or hung up
                    raise ClientGone()
            if self.behaviour != "silent":
                self.read_request()
            getattr(self, self.behaviour)()
            if self.time_left() <= 0:
                ended = "lifetime"
        except ClientGone:
            ended = "client closed"
        finally:
            try:
                self.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            self.sock.close()
        return {"n": self.number, "behaviour": self.behaviour, "target": self.target, "sent": self.sent,
                "ended": ended, "seconds": round(time.monotonic() - started, 3)}


class Server:
    def __init__(self, options):
        self.options = options
        self.deadline = time.monotonic() + options.lifetime
        self.log_lock = threading.Lock()
        self.log = open(options.log, "a", buffering=1)
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.fillers = []

    def write_port(self):
        port = self.listener.getsockname()[1]
        temporary = self.options.port_file + ".tmp"
        with open(temporary, "w") as f:
            f.write("%d\n" % port)
        os.rename(temporary, self.options.port_file)

    def fill_queue(self):
        """With a backlog of 0 one waiting connection fills the queue; later
        connection attempts are dropped until the queue is accepted from."""
        self.listener.listen(0)
        for _ in range(3):
            filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            filler.setblocking(False)
            try:
                filler.connect(self.listener.getsockname())
            except BlockingIOError:
                pass
            self.fillers.append(filler)
        time.sleep(0.2)

    def record(self, entry):
        with self.log_lock:
            self.log.write(json.dumps(entry) + "\n")

    def serve(self):
        script = self.options.script.split(",")
        if self.options.hold_accept > 0:
            self.fill_queue()
            self.write_port()
            time.sleep(min(self.options.hold_accept, self.options.lifetime))
            filler_ports = {f.getsockname()[1] for f in self.fillers}
            for filler in self.fillers:
                filler.close()
            self.record({"event": "accepting"})
        else:
            self.listener.listen(16)
            self.write_port()
            filler_ports = set()
        self.listener.settimeout(0.2)
        number = 0
        workers = []
        while time.monotonic() < self.deadline and number < self.options.max_connections:
            try:
                sock, peer = self.listener.accept()
            except socket.timeout:
                continue
            if peer[1] in filler_ports:
                filler_ports.discard(peer[1])
                sock.close()
                continue
            connection = Connection(sock, self.options, number, script[number % len(script)], self.deadline)
            worker = threading.Thread(target=lambda c=connection: self.record(c.run()), daemon=True)
            worker.start()
            workers.append(worker)
            number += 1
        self.listener.close()
        for worker in workers:
            worker.join(max(0.0, self.deadline - time.monotonic()) + 1)
        self.log.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--script", default="legit")
    parser.add_argument("--lifetime", type=float, default=60)
    parser.add_argument("--max-connections", type=int, default=500)
    parser.add_argument("--hold-accept", type=float, default=0)
    parser.add_argument("--trickle-interval", type=float, default=0.1)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    options = parser.parse_args()
    options.tls = None
    if options.cert:
        options.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        options.tls.load_cert_chain(options.cert, options.key)
    for behaviour in options.script.split(","):
        if behaviour not in BEHAVIOURS:
            parser.error("unknown behaviour " + behaviour)
    Server(options).serve()
    return 0


if __name__ == "__main__":
    sys.exit(main())
