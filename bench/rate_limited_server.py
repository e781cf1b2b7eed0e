#!/usr/bin/env python3
"""A web server that allows 8 requests a second, as a mirror that bans
greedy clients does, for bench/run_polite_bench.

    rate_limited_server.py <folder> <port> <log> [rate]

Serves the folder's files on 127.0.0.1:<port> over HTTP/1.1 (keep-alive).
At most <rate> (8) requests are answered in any one second; a request beyond
that is answered "429 Too Many Requests" with "Retry-After: 2" and does not
count against the rate. Each request appends one line "<seconds> <status>
<path>" to <log>, the seconds counted from the server's start. Runs until it
is sent SIGTERM.
"""

import collections
import functools
import http.server
import os
import signal
import sys
import threading
import time

folder, port, log_path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rate = int(sys.argv[4]) if len(sys.argv) > 4 else 8
began = time.monotonic()
lock = threading.Lock()
answered = collections.deque()  # when the requests of the last second were let through
log = open(log_path, "a", buffering=1)


def admitted():
    """Whether one more request fits in the last second; counts it if so."""
    now = time.monotonic()
    with lock:
        while answered and answered[0] <= now - 1.0:
            answered.popleft()
        if len(answered) >= rate:
            return False
        answered.append(now)
        return True


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        if not admitted():
            self.send_response(429, "Too Many Requests")
            self.send_header("Retry-After", "2")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        super().do_GET()

    def log_request(self, code="-", size="-"):
        try:
            code = int(code)
        except ValueError:
            pass
        log.write(f"{time.monotonic() - began:.3f} {code} {self.path}\n")

    def log_message(self, format, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    # A backlog of 5 (the default) drops the connections of a client that
    # opens more at once; their requests then come a second or more late.
    request_queue_size = 128


server = Server(("127.0.0.1", port), functools.partial(Handler, directory=folder))
server.daemon_threads = True
signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
server.serve_forever()
