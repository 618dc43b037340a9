#!/usr/bin/env python3
# A local mail server for the sending tests: STARTTLS with the given certificate, one user, every message
# kept as a file in the folder; a recipient whose address starts with "ret" is refused with 550.
# Prints the port it listens on, then serves until it is killed.
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

cert, key, folder, user, password = sys.argv[1:6]


class Keep:
    def __init__(self):
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("ret"):
            return "550 5.1.1 recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        with open(f"{folder}/{self.count}.eml", "wb") as f:
            f.write(b"X-Rcpt: " + ",".join(envelope.rcpt_tos).encode() + b"\r\n")
            f.write(envelope.original_content)
        return "250 OK"


def check(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user \
        and auth_data.password.decode() == password
    return AuthResult(success=ok)


s = socket.socket()
s.bind(("127.0.0.1", 0))
port = s.getsockname()[1]
s.close()
context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
context.load_cert_chain(cert, key)
controller = Controller(Keep(), hostname="127.0.0.1", port=port, tls_context=context, require_starttls=True,
                        authenticator=check, auth_required=True)
controller.start()
print(port, flush=True)
threading.Event().wait()
