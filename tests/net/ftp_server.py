"""A real FTP server for the tests: pyftpdlib on 127.0.0.1 at a free port,
serving the folder given as the first argument read-only to "anonymous" and to
the user "ham" (password "secret"). Prints "PORT <n>" once it listens."""
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root = sys.argv[1]
    logging.basicConfig(level=logging.CRITICAL)
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root)
    authorizer.add_user("ham", "secret", root, perm="elr")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "pyftpdlib ready."
    handler.auth_failed_timeout = 0  # refuse a wrong password at once
    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT", server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
