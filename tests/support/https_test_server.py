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
  --chunked PATH                 send the file chunked, in pieces of 7 bytes
  --bad-chunk PATH SIZE          send the file chunked, its first 10 bytes
                                 as a chunk, then the chunk-size line SIZE,
                                 the rest of the file and the last chunk
  --two-lengths PATH             send the file with Content-Length 10 and
                                 Content-Length of the file, both
  --no-length PATH               send the file's first 20 bytes without a
                                 length, then close TCP without TLS close_notify
  --no-length-notify PATH        send the file without a length, then close
                                 TLS (close_notify) and TCP
  --endless-header PATH          send a status line and one header line that
                                 never ends, 32 MiB at most, then wait for the
                                 client to go (60 s at most)
  --trickle-header PATH          send a status line and then a header line
                                 one byte every 0.1 s, 20 s at most
  --drop-next PATH               serve the file, keep the connection open,
                                 then close it (TCP) on the next request
                                 without an answer, as a server closes an
                                 idle keep-alive connection

A path that is neither a file nor under a rule is answered 404.
"""
import http.server
import socket
import ssl
import sys
import time


def main():
    root, cert, key, log_name = sys.argv[1:5]
    rules = {}
    args = sys.argv[5:]
    while args:
        if args[0] == "--redirect" and len(args) > 3:
            rules[args[1]] = ("redirect", int(args[2]), args[3])
            args = args[4:]
        elif args[0] in ("--html", "--nul", "--stall", "--chunked", "--two-lengths", "--no-length",
                         "--no-length-notify", "--endless-header", "--trickle-header", "--drop-next") and len(args) > 1:
            rules[args[1]] = (args[0][2:],)
            args = args[2:]
        elif args[0] == "--big" and len(args) > 2:
            rules[args[1]] = ("big", int(args[2]))
            args = args[3:]
        elif args[0] == "--bad-chunk" and len(args) > 2:
            rules[args[1]] = ("bad-chunk", args[2].encode("latin-1"))
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
            if getattr(self, "drop_next", False):
                self.connection.shutdown(socket.SHUT_RDWR)
                self.close_connection = True
                return
            rule = rules.get(self.path)
            if rule is None:
                return super().do_GET()
            if rule[0] == "drop-next":
                self.drop_next = True
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
            elif kind in ("chunked", "bad-chunk", "two-lengths", "no-length", "no-length-notify",
                          "endless-header", "trickle-header"):
                self.hostile(kind, rule)
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

        def file_body(self):
            with open(root + self.path, "rb") as f:
                return f.read()

        def wait_for_client_to_go(self):
            self.connection.settimeout(60)
            try:
                while self.connection.recv(1024):
                    pass
            except (OSError, socket.timeout):
                pass
            self.close_connection = True

        def send_head_lines(self, lines):
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n" +
                             b"".join(l + b"\r\n" for l in lines) + b"\r\n")

        def hostile(self, kind, rule):
            body = self.file_body() if kind not in ("endless-header", "trickle-header") else b""
            if kind == "chunked":
                self.send_head_lines([b"Transfer-Encoding: chunked"])
                for i in range(0, len(body), 7):
                    piece = body[i:i + 7]
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
                self.wfile.write(b"0\r\n\r\n")
            elif kind == "bad-chunk":
                self.send_head_lines([b"Transfer-Encoding: chunked"])
                rest = body[10:]
                self.wfile.write(b"a\r\n%s\r\n%s\r\n%s\r\n0\r\n\r\n" % (body[:10], rule[1], rest))
            elif kind == "two-lengths":
                self.send_head_lines([b"Content-Length: 10", b"Content-Length: %d" % len(body)])
                self.wfile.write(body)
            elif kind in ("no-length", "no-length-notify"):
                self.send_head_lines([b"Connection: close"])
                self.wfile.write(body[:20] if kind == "no-length" else body)
                self.wfile.flush()
                if kind == "no-length-notify":
                    # close_notify sent; the client's answer is not waited for.
                    self.connection.setblocking(False)
                    try:
                        self.connection.unwrap()
                    except (ssl.SSLError, OSError):
                        pass
                # A bare TCP close: Python's ssl never sends close_notify itself.
                try:
                    self.connection.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                self.close_connection = True
            elif kind == "endless-header":
                try:
                    self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Endless: ")
                    for _ in range(512):
                        self.wfile.write(b"a" * 65536)
                    self.wfile.flush()
                except OSError:
                    self.close_connection = True
                    return
                self.wait_for_client_to_go()
            elif kind == "trickle-header":
                try:
                    self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Slow: ")
                    self.wfile.flush()
                    for _ in range(200):
                        self.wfile.write(b"a")
                        self.wfile.flush()
                        time.sleep(0.1)
                except OSError:
                    pass
                self.close_connection = True

        def guess_type(self, path):
            return "text/plain" if path.endswith(".txt") else super().guess_type(path)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    # A client that gives up on a hostile answer is expected, not an error to print.
    server.handle_error = lambda request, client_address: None
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever(poll_interval=0.5)


if __name__ == "__main__":
    main()
