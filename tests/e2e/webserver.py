#!/usr/bin/env python3
"""The download host of the update-check tests, on 127.0.0.1.

    webserver.py ROOT PORTFILE

/files/NAME serves ROOT/NAME as it is on disk at the moment of the request;
/hang/NAME accepts and never answers; /slow/NAME answers a byte a second.
The chosen port is written to PORTFILE; each request is logged on stderr.
"""
import http.server
import os
import socket
import sys
import time

ROOT, PORTFILE = sys.argv[1], sys.argv[2]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        super().setup()
        # Headers and body go out in two writes; without this a kept-alive
        # connection waits for the client's delayed acknowledgement.
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def do_GET(self):
        if self.path.startswith("/hang/"):
            time.sleep(3600)
            return
        if self.path.startswith("/slow/"):
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            for _ in range(1000):
                self.wfile.write(b"x")
                self.wfile.flush()
                time.sleep(1)
            return
        name = self.path[len("/files/"):] if self.path.startswith("/files/") else ""
        path = os.path.join(ROOT, os.path.basename(name))
        if not name or not os.path.isfile(path):
            self.send_error(404)
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        sys.stderr.write("request %s\n" % self.path)
        sys.stderr.flush()


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(PORTFILE + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(PORTFILE + ".tmp", PORTFILE)
server.serve_forever()
