#!/usr/bin/python3
"""The FTP server of the tests: pyftpdlib on 127.0.0.1 over a folder.

Usage: ftp_test_server.py ROOT LOGFILE [--refuse NAME]... [--reply CMD ARG LINE]...

Serves ROOT read-only to "anonymous" and to the user "ham" (password
"secret"); a wrong password is refused at once. Prints "PORT <n>" on stdout
once it listens on a free port. Every command it receives is appended to
LOGFILE as one line ("CWD /pub/latest"), PASS without its argument. RETR of a
refused name is answered with 550; a command named in --reply (ARG "*" for
any argument) is answered with LINE instead of being run. A user name
"anonymous@host", as a proxy login sends it, logs in as anonymous, so the
server can stand in for a proxy FTP server too.
"""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, log_name = sys.argv[1], sys.argv[2]
    refused = set()
    replies = {}
    args = sys.argv[3:]
    while args:
        if args[0] == "--refuse" and len(args) > 1:
            refused.add(args[1])
            args = args[2:]
        elif args[0] == "--reply" and len(args) > 3:
            replies[(args[1], args[2])] = args[3]
            args = args[4:]
        else:
            sys.exit("bad argument " + args[0])

    logging.basicConfig(level=logging.CRITICAL)
    log = open(log_name, "a", buffering=1)

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            log.write(cmd if cmd == "PASS" or not arg else cmd + " " + arg)
            log.write("\n")
            if cmd == "RETR" and arg in refused:
                self.respond("550 " + arg + ": refused by the test.")
                return
            reply = replies.get((cmd, arg), replies.get((cmd, "*")))
            if reply:
                self.respond(reply)
                return
            return FTPHandler.pre_process_command(self, line, cmd, arg)

        def ftp_USER(self, line):
            return FTPHandler.ftp_USER(self, line.split("@")[0])

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    authorizer.add_user("ham", "secret", root, perm="elr")
    Handler.authorizer = authorizer
    Handler.banner = "pyftpdlib ready."
    Handler.auth_failed_timeout = 0  # refuse a wrong password at once
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(timeout=0.5, blocking=True, handle_exit=True)


if __name__ == "__main__":
    main()
