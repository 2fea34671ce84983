#!/usr/bin/env python3
"""An SMTP server for the e-mail alarm tests, on Debian's python3-aiosmtpd.

It listens on a free port of 127.0.0.1 and prints one line per event, flushed at once:

  PORT <number>                                 once it listens
  MESSAGE <n> <from> <recipients> <content>     per accepted message: the envelope sender,
                                                the recipients joined by LF, and the content
                                                as the server keeps it (dot-stuffing removed)
  SESSION <n> <bytes>                           when a connection ends: every byte the client
                                                sent

<n> numbers the connections from 1; every later field is hexadecimal, so that any byte comes
through unchanged.

  --user NAME --password WORD   offer AUTH LOGIN (without TLS) and accept only this login
  --refuse ADDRESS              answer RCPT TO for ADDRESS with 550 (may be repeated)
"""

import argparse
import asyncio
import logging

from aiosmtpd.smtp import SMTP, AuthResult


def emit(*fields):
    print(" ".join(fields), flush=True)


def hexed(data):
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogateescape")
    return data.hex()


class Recorder:
    def __init__(self, refused):
        self.refused = set(refused)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            return "550 5.1.1 <%s>: Recipient address rejected" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        emit("MESSAGE", str(server.number), hexed(envelope.mail_from), hexed("\n".join(envelope.rcpt_tos)),
             hexed(envelope.original_content))
        return "250 Message accepted for delivery"


class RecordingSMTP(SMTP):
    """Keeps every byte the client sends, for a byte-for-byte look at the dialogue."""

    connections = 0

    def connection_made(self, transport):
        RecordingSMTP.connections += 1
        self.number = RecordingSMTP.connections
        self.received = bytearray()
        super().connection_made(transport)

    def data_received(self, data):
        self.received += data
        super().data_received(data)

    def connection_lost(self, error):
        emit("SESSION", str(self.number), hexed(bytes(self.received)))
        super().connection_lost(error)


def login_checker(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        accepted = (mechanism == "LOGIN" and auth_data.login == user.encode()
                    and auth_data.password == password.encode())
        return AuthResult(success=accepted, handled=False)
    return check


async def serve(arguments):
    loop = asyncio.get_running_loop()
    handler = Recorder(arguments.refuse)
    with_login = arguments.user is not None

    def connection():
        if with_login:
            return RecordingSMTP(handler, hostname="peer.test", loop=loop,
                                 auth_require_tls=False,
                                 auth_exclude_mechanism=["PLAIN"],
                                 authenticator=login_checker(arguments.user, arguments.password))
        return RecordingSMTP(handler, hostname="peer.test", loop=loop)

    server = await loop.create_server(connection, "127.0.0.1", 0)
    emit("PORT", str(server.sockets[0].getsockname()[1]))
    await server.serve_forever()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--user")
    parser.add_argument("--password", default="")
    parser.add_argument("--refuse", action="append", default=[])
    logging.basicConfig(level=logging.CRITICAL)
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
