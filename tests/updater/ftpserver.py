#!/ usr / bin / python3
"""An FTP server for the updater's tests, on 127.0.0.1 and a free port, printed on the first
line of standard output. It serves --root to one account and can misbehave on request:

  --refuse CMD[:NAME]  answer CMD (CWD, NLST, RETR), for NAME only when given, with 550
  --drop NAME:BYTES    send BYTES of NAME, then close every connection of that session
  --stall NAME:BYTES   send BYTES of NAME, then send nothing more
  --cut NAME:BYTES     send BYTES of NAME and end the transfer as if that were all of it
  --hold NAME:BYTES:FOLDER  send BYTES of NAME, make FOLDER/held, and send the rest only once
                       FOLDER/go exists: a download slowed to a stop that the test lets go on
  --silent             accept connections and never answer
  --connect-proxy      be no FTP server but an HTTP proxy that opens CONNECT tunnels
"""

import argparse
import logging
import os
import socket
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer


def split(option):
    name, _, count = option.partition(":")
    return name, int(count) if count else 0


class CutFile:
    """A file that gives its first `limit` bytes and then calls `at_end` instead of more."""

    def __init__(self, path, limit, at_end):
        self.file = open(path, "rb")
        self.name = path
        self.closed = False
        self.limit = limit
        self.at_end = at_end

    def read(self, size=-1):
        if self.limit <= 0:
            return self.at_end()
        data = self.file.read(min(size if size > 0 else self.limit, self.limit))
        self.limit -= len(data)
        return data

    def seek(self, *args):
        return self.file.seek(*args)

    def tell(self):
        return self.file.tell()

    def close(self):
        self.closed = True
        self.file.close()


def pipe(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def tunnel(client):
    request = b""
    while b"\r\n\r\n" not in request:
        data = client.recv(4096)
        if not data:
            client.close()
            return
        request += data
    words = request.split(b"\r\n")[0].split()
    if len(words) < 2 or words[0] != b"CONNECT":
        client.sendall(b"HTTP/1.1 405 Only CONNECT\r\n\r\n")
        client.close()
        return
    host, _, port = words[1].decode().rpartition(":")
    try:
        server = socket.create_connection((host, int(port)))
    except OSError:
        client.sendall(b"HTTP/1.1 502 Cannot connect\r\n\r\n")
        client.close()
        return
    client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
    threading.Thread(target=pipe, args=(client, server), daemon=True).start()
    pipe(server, client)


def serve_proxy():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=tunnel, args=(connection,), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default="")
    parser.add_argument("--user", default="korvl")
    parser.add_argument("--password", default="azurk742")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--drop", action="append", default=[])
    parser.add_argument("--stall", action="append", default=[])
    parser.add_argument("--cut", action="append", default=[])
    parser.add_argument("--hold", action="append", default=[])
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--connect-proxy", action="store_true")
    args = parser.parse_args()

    if args.connect_proxy:
        serve_proxy()

    if args.silent:
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        print(listener.getsockname()[1], flush=True)
        held = []
        while True:
            connection, _ = listener.accept()
            held.append(connection)

    refused = [tuple(r.split(":", 1)) if ":" in r else (r, "") for r in args.refuse]
    drops = dict(split(d) for d in args.drop)
    stalls = dict(split(s) for s in args.stall)
    cuts = dict(split(c) for c in args.cut)
    holds = {}
    for h in args.hold:
        name, count, folder = h.split(":", 2)
        holds[name] = (int(count), folder)

    def refuses(command, name):
        return any(c == command and (not n or n == name) for c, n in refused)

    class Handler(FTPHandler):
        use_sendfile = False

        def ftp_CWD(self, path):
            if refuses("CWD", path.rstrip("/").split("/")[-1]):
                self.respond("550 Not allowed.")
                return
            return super().ftp_CWD(path)

        def ftp_NLST(self, path):
            if refuses("NLST", ""):
                self.respond("550 Not allowed.")
                return
            return super().ftp_NLST(path)

        def ftp_RETR(self, file):
            name = file.split("/")[-1]
            if refuses("RETR", name):
                self.respond("550 Not allowed.")
                return
            if name in holds:
                count, folder = holds[name]
                held = CutFile(file, count, None)

                def hold(size=65536):
                    open(os.path.join(folder, "held"), "wb").close()
                    while not os.path.exists(os.path.join(folder, "go")):
                        time.sleep(0.01)
                    return held.file.read(size)

                held.at_end = hold
                self._cut = held
                return super().ftp_RETR(file)
            if name in drops or name in stalls or name in cuts:
                handler = self

                def drop():
                    handler.close()
                    return b""

                def stall():
                    time.sleep(3600)
                    return b""

                def cut():
                    return b""

                limit = drops.get(name, stalls.get(name, cuts.get(name)))
                self._cut = CutFile(file, limit, drop if name in drops else stall if name in stalls else cut)
                return super().ftp_RETR(file)
            return super().ftp_RETR(file)

        def run_as_current_user(self, function, *args, **kwargs):
#Hand the cut file to the transfer instead of the real one.
            if function == self.fs.open and getattr(self, "_cut", None) is not None:
                cut, self._cut = self._cut, None
                return cut
            return super().run_as_current_user(function, *args, **kwargs)

    config_logging(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")
    Handler.authorizer = authorizer
    Handler.banner = "Korvelin test server"
    Handler.auth_failed_timeout = 0.1
    Handler.permit_foreign_addresses = False
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
