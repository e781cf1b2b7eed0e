#!/usr/bin/python3
"""An anonymous, read-only FTP server on 127.0.0.1 for the tests, on
Debian's pyftpdlib:
    ftp_test_server.py ROOT [--hold-after BYTES] [--listing-reply LINE] [--refuse COMMAND]... [--user NAME]
Prints the port it listens on, on a line of its own. With --hold-after, each
file transfer stops after that many bytes until a line arrives on standard
input (the whole server waits meanwhile). With --listing-reply, every name
listing (NLST) is answered with that reply line instead, as a server that
cannot open the data connection answers ("425 ..."). Each --refuse names a
command (REST, PORT ...) that the server answers with 502 as one that lacks it.
With --user, only that user may log in (read only), and not anonymously, with
the password in the environment variable FTP_TEST_SERVER_PASSWORD."""

import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import ActiveDTP, FTPHandler
from pyftpdlib.servers import FTPServer


class HeldFile:
    """A file read as usual up to a point, where it waits for a line on
    standard input before it goes on."""

    def __init__(self, file, hold_after):
        self._file = file
        self._left_before_hold = hold_after

    def read(self, size=-1):
        if self._left_before_hold == 0:
            sys.stdin.readline()
            self._left_before_hold = None
        if self._left_before_hold is not None:
            size = self._left_before_hold if size < 0 else min(size, self._left_before_hold)
        data = self._file.read(size)
        if self._left_before_hold is not None:
            self._left_before_hold -= len(data)
        return data

    def __getattr__(self, name):
        return getattr(self._file, name)


class HandedOverActiveDTP(ActiveDTP):
    """pyftpdlib's ActiveDTP hands its connected socket over to the data
    channel but keeps its descriptor number, and unregisters that number
    again when the session ends. By then the number may belong to a newer
    connection, which the server would no longer serve. Forgetting it once
    the socket is handed over keeps the server answering."""

    def handle_connect(self):
        super().handle_connect()
        self._fileno = None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--hold-after", type=int)
    parser.add_argument("--listing-reply")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--user")
    args = parser.parse_args()

    class Filesystem(AbstractedFS):
        def open(self, filename, mode):
            file = super().open(filename, mode)
            return file if args.hold_after is None else HeldFile(file, args.hold_after)

    class Handler(FTPHandler):
        def ftp_NLST(self, path):
            if args.listing_reply is None:
                return super().ftp_NLST(path)
            self.respond(args.listing_reply)
            return None

    authorizer = DummyAuthorizer()
    if args.user is None:
        authorizer.add_anonymous(args.root)  # list and read only
    else:
        password = os.environ.get("FTP_TEST_SERVER_PASSWORD", "")
        authorizer.add_user(args.user, password, args.root, perm="elr")
    def refuse(self, line):
        self.respond("502 Command not implemented.")

    handler = type("RefusingHandler", (Handler,), {"ftp_" + command.upper(): refuse for command in args.refuse})
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0  # a refused login is answered at once
    handler.abstracted_fs = Filesystem
    handler.active_dtp = HandedOverActiveDTP
    handler.use_sendfile = args.hold_after is None  # the wrapper must see each read
    logging.basicConfig(level=logging.ERROR)

    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
