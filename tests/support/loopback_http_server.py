#!/usr/bin/env python3
"""A web server on 127.0.0.1 for the download tests, on a port the system picks.

Prints "PORT <n>" once it accepts connections; runs until it is terminated.

  /files/NAME          NAME from ROOT, with Content-Length
  /chunked/NAME        NAME without Content-Length, in chunks of 100 bytes
  /status/CODE/NAME    NAME as the body of an answer with status CODE
  /hops/N/PATH         N redirects in a row, then PATH
  /redirect?to=URL     a redirect to URL
  /stall/NAME          the headers and the first 100 bytes of NAME, then silence
  /endless             a body that begins like a data file and never ends

Each request's path is appended to the --log file, as it arrived, before the answer.
"""
import argparse
import http.server
import os
import ssl
import sys
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def do_GET(self):
        if self.server.log:
            with open(self.server.log, "a", encoding="utf-8") as log:
                log.write(self.path + "\n")
        path, _, query = self.path.partition("?")
        parts = path.lstrip("/").split("/")
        kind = parts[0]
        try:
            if kind == "files":
                self.send_file(self.read(parts[1]))
            elif kind == "chunked":
                self.send_chunked(self.read(parts[1]))
            elif kind == "status":
                self.send_file(self.read(parts[2]), int(parts[1]))
            elif kind == "hops":
                left = int(parts[1])
                rest = "/".join(parts[2:])
                self.redirect(f"/hops/{left - 1}/{rest}" if left > 1 else "/" + rest)
            elif kind == "redirect":
                self.redirect(urllib.parse.parse_qs(query)["to"][0])
            elif kind == "stall":
                self.stall(self.read(parts[1]))
            elif kind == "endless":
                self.endless()
            else:
                self.send_file(b"not here", 404)
        except FileNotFoundError:
            self.send_file(b"no such file", 404)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def read(self, name):
        with open(os.path.join(self.server.root, urllib.parse.unquote(name)), "rb") as f:
            return f.read()

    def send_file(self, body, status=200):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_chunked(self, body):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        for start in range(0, len(body), 100):
            chunk = body[start:start + 100]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
            self.wfile.flush()
        self.wfile.write(b"0\r\n\r\n")

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def stall(self, body):
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:100])
        self.wfile.flush()
        # Silence until the client gives up and closes the connection.
        self.connection.settimeout(120)
        try:
            self.rfile.read(1)
        except OSError:
            pass
        self.close_connection = True

    def endless(self):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        chunk = b"\x08\x00\x00\x00\x08\x00\x00\x00" + b"x" * 16376
        for _ in range(100 * 64):  # 100 MiB at most, should the client never stop
            self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
        self.wfile.write(b"0\r\n\r\n")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that gave up is what several tests are about


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    server = Server(("127.0.0.1", 0), Handler)
    server.root = args.root
    server.log = args.log
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(f"PORT {server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
