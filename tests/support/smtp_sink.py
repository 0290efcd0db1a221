#!/usr/bin/python3
"""An SMTP server for tests: accepts mail on a loopback port and writes each message to a directory.

    smtp_sink.py --dir DIR [--user USER --password PASSWORD]

A recipient in the domain "refused.test" is refused (550). With --user, the server offers AUTH PLAIN and LOGIN (without TLS), accepts only those credentials and
refuses mail from a client that has not logged in. It listens on 127.0.0.1 on an ephemeral port, prints
"PORT <n>" on standard output once it accepts connections, and runs until its standard input ends.

For the n-th accepted message (n = 1, 2, ...) it writes, before it answers the end of the data:
  DIR/<n>.eml   the message bytes as received;
  DIR/<n>.json  {"mail_from", "rcpt_tos", "auth_user", "helo", "headers": [[name, decoded value], ...],
                 "multipart", "content_type", "parts": [{"content_type", "charset", "filename",
                 "disposition", "transfer_encoding", "payload_hex"}, ...]}
where "parts" are the leaf parts (the message itself for a single-part message) and "payload_hex" is the
part's decoded content in hexadecimal. Every log-in attempt appends {"mechanism", "user", "success"} as
one line to DIR/auth.jsonl. Files appear whole (written, then renamed).
"""

import argparse
import asyncio
import email
import email.policy
import json
import logging
import os
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def write_atomically(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.rename(tmp, path)


def summary(envelope, session, raw):
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    parts = []
    for part in (msg.walk() if msg.is_multipart() else [msg]):
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b""
        parts.append({
            "content_type": part.get_content_type(),
            "charset": part.get_content_charset(),
            "filename": part.get_filename(),
            "disposition": part.get_content_disposition(),
            "transfer_encoding": part.get("Content-Transfer-Encoding"),
            "payload_hex": payload.hex(),
        })
    auth = session.auth_data
    return {
        "mail_from": envelope.mail_from,
        "rcpt_tos": envelope.rcpt_tos,
        "auth_user": auth.decode("utf-8", "replace") if isinstance(auth, bytes) else None,
        "helo": session.host_name,
        "headers": [[name, str(value)] for name, value in msg.items()],
        "multipart": msg.is_multipart(),
        "content_type": msg.get_content_type(),
        "parts": parts,
    }


class Sink:
    def __init__(self, directory):
        self.directory = directory
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().endswith("@refused.test"):
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.directory, str(self.count))
        raw = envelope.content
        write_atomically(base + ".eml", raw)
        data = json.dumps(summary(envelope, session, raw), indent=1).encode()
        write_atomically(base + ".json", data)
        return "250 Message accepted for delivery"


def make_authenticator(directory, user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode()
              and auth_data.password == password.encode())
        login = auth_data.login.decode("utf-8", "replace") if isinstance(auth_data, LoginPassword) else None
        with open(os.path.join(directory, "auth.jsonl"), "a") as f:
            f.write(json.dumps({"mechanism": mechanism, "user": login, "success": ok}) + "\n")
        if not ok:
            return AuthResult(success=False, handled=False)  # the server answers 535
        return AuthResult(success=True, auth_data=auth_data.login)
    return authenticate


async def serve(args):
    loop = asyncio.get_running_loop()
    handler = Sink(args.dir)
    options = {"hostname": "sink.test"}
    if args.user is not None:
        options.update(auth_required=True, auth_require_tls=False,
                       authenticator=make_authenticator(args.dir, args.user, args.password or ""))
    server = await loop.create_server(lambda: SMTP(handler, **options), "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    done = loop.create_future()

    def on_input():
        if not os.read(sys.stdin.fileno(), 4096) and not done.done():
            done.set_result(None)

    loop.add_reader(sys.stdin.fileno(), on_input)
    await done
    server.close()


def main():
    # aiosmtpd warns about AUTH without TLS, which is what the tests want.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password")
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
