#!/usr/bin/python3
"""The HTTPS server of the tests: http.server wrapped in ssl on 127.0.0.1.

Usage: https_test_server.py ROOT CERT KEY LOGFILE [RULE]...

Serves the files under ROOT over HTTP/1.1 with keep-alive, with the
certificate CERT and its key KEY. Prints "PORT <n>" on stdout once it listens
on a free port. Every request is appended to LOGFILE as one line:
"GET<TAB>PATH<TAB>CLIENT_PORT<TAB>USER_AGENT", so a test can see which
connection each request came over. Rules for single paths:

  --redirect PATH CODE LOCATION  answer CODE with that Location ("{port}" is
                                 replaced by the server's port) and a short
                                 body, as web servers send one
  --html PATH                    answer 200 with an HTML "Service Unavailable" page
  --nul PATH                     answer 200 with a text holding a NUL byte
  --big PATH BYTES               announce BYTES of text/plain and send them
  --stall PATH                   send the headers and half the file, then
                                 nothing more until the client goes (60 s at most)

A path that is neither a file nor under a rule is answered 404.
"""
import http.server
import socket
import ssl
import sys


def main():
    root, cert, key, log_name = sys.argv[1:5]
    rules = {}
    args = sys.argv[5:]
    while args:
        if args[0] == "--redirect" and len(args) > 3:
            rules[args[1]] = ("redirect", int(args[2]), args[3])
            args = args[4:]
        elif args[0] in ("--html", "--nul", "--stall") and len(args) > 1:
            rules[args[1]] = (args[0][2:],)
            args = args[2:]
        elif args[0] == "--big" and len(args) > 2:
            rules[args[1]] = ("big", int(args[2]))
            args = args[3:]
        else:
            sys.exit("bad argument " + args[0])

    log = open(log_name, "a", buffering=1)

    class Handler(http.server.SimpleHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        # Headers and body leave in one write, as a real server sends them;
        # unbuffered small writes meet the client's delayed ACK and add
        # 40 ms to every request.
        wbufsize = 64 * 1024

        def __init__(self, *a, **kw):
            super().__init__(*a, directory=root, **kw)

        def log_message(self, *a):
            pass

        def send_text(self, code, body, content_type="text/plain"):
            self.send_response(code)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            log.write("GET\t%s\t%d\t%s\n" % (self.path, self.client_address[1],
                                            self.headers.get("User-Agent", "")))
            rule = rules.get(self.path)
            if rule is None:
                return super().do_GET()
            kind = rule[0]
            if kind == "redirect":
                body = b"Moved\n"
                self.send_response(rule[1])
                self.send_header("Location", rule[2].replace("{port}", str(self.server.server_address[1])))
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
            elif kind == "html":
                page = (b"<!DOCTYPE html>\n<html><head><title>Service Unavailable</title></head>"
                        b"<body><h1>Service Unavailable</h1></body></html>\n")
                self.send_text(200, page, "text/html")
            elif kind == "nul":
                self.send_text(200, b":Product: x\n\x00\x00 broken\n")
            elif kind == "big":
                self.send_text(200, b"x" * rule[1])
            elif kind == "stall":
                with open(root + self.path, "rb") as f:
                    body = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                # Wait for the client to give up; it reads nothing more.
                self.connection.settimeout(60)
                try:
                    while self.connection.recv(1024):
                        pass
                except (OSError, socket.timeout):
                    pass
                self.close_connection = True

        def guess_type(self, path):
            return "text/plain" if path.endswith(".txt") else super().guess_type(path)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever(poll_interval=0.5)


if __name__ == "__main__":
    main()
