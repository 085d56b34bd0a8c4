#!/usr/bin/env python3
"""Reference update server for tests and the demo.

Answers the toolbox's update request

    GET /daveruri/daveruri.php?disk=<encoded drive list>

from a manifest file, by decoding the drive list exactly as the client
encodes it (base64 with '+' -> '.', '/' -> '_', '=' -> '-'; one
"FirmwareRevision;Model" line per drive, each ending in a line feed), and
serves the download files under /files/. Listens on 127.0.0.1 only.

Manifest (JSON):

    {
      "file_version": "1.0",
      "application": {"version": "1.02", "file": "tool.exe"},
      "firmware": [
        {"applicable": ["Q5RT2B1"], "current": "Q5RT2B3", "file": "fw.zip"}
      ]
    }

"file" names a file under --root, offered as http://HOST:PORT/files/NAME
with the SHA-256 of that file as "sha256="; "url" instead gives the
download URL as it stands, with the entry's own "sha256" if it has one;
"path" with "file" offers http://HOST:PORT/PATH (one of the routes below)
with the digest of the file. The manifest is read at each request, so a
test may rewrite it between checks.
Only firmware entries that apply to a reported drive are sent, numbered
"fw upgrade1", "fw upgrade2", ... in manifest order. Leave out
"application" for no offer.

Every reply is signed as the maker signs: a line "signature=<base64 of the
DER ECDSA signature>" in [file version], over the SHA-256 of the reply
without that line, made by Debian's openssl with the private key of
--signing-key (by default the tests' key, tests/data/update/
test-signing-key.pem). --replies unsigned leaves the line out; --replies
tampered changes one byte of the signed reply, as an attacker on the path
would.

Routes for abuse tests:
    /test/redirect-self       302 to itself
    /test/moved/NAME          302 to /files/NAME
    /test/redirect-chain/N    302 to /test/redirect-chain/N+1, never ending and never repeating
    /test/damaged/NAME        the file NAME with its first byte changed: same length, another SHA-256
    /test/no-length/N         N bytes, no Content-Length, then close
    /test/bytes/N             N deterministic bytes (byte i = (i * 31 + 7) mod 256)
    /test/status/CODE         that status with a small HTML body
    /test/silent/SECONDS      accept, say nothing for SECONDS (at most 600), close
    /test/trickle/N           N bytes, one every half second
    /test/last-drives         the drive list of the last update request, decoded
"""

import argparse
import base64
import binascii
import http.server
import hashlib
import json
import os
import re
import subprocess
import sys
import threading
import time
import urllib.parse

CHUNK = 64 * 1024
MAX_SILENCE_SECONDS = 600
REPLY_MODES = ("signed", "unsigned", "tampered")


class DriveListError(ValueError):
    pass


def decode_drive_list(encoded):
    """The (revision, model) pairs of an encoded drive list, as byte strings.

    A direct request carries at most 256 characters of target, so a long
    drive list arrives cut: its last line then has no line feed. That line
    still counts when its revision arrived whole (up to the ';'), with the
    model as far as it came; without its ';' it is dropped."""
    standard = encoded.replace(".", "+").replace("_", "/").replace("-", "=")
    try:
        raw = base64.b64decode(standard.encode("ascii"), validate=True)
    except (binascii.Error, UnicodeEncodeError) as error:
        raise DriveListError("not a drive list: %s" % error) from error
    lines = raw.split(b"\n")
    cut = lines.pop()
    drives = []
    for line in lines:
        revision, separator, model = line.partition(b";")
        if not separator:
            # The list does not escape a line feed inside a model name: the
            # rest of such a name arrives as a line of its own.
            if not drives:
                raise DriveListError("a drive line without ';'")
            drives[-1] = (drives[-1][0], drives[-1][1] + b"\n" + line)
            continue
        drives.append((revision, model))
    revision, separator, model = cut.partition(b";")
    if separator:
        drives.append((revision, model))
    return drives


def deterministic_bytes(start, count):
    return bytes(((start + i) * 31 + 7) & 0xFF for i in range(count))


def load_manifest(path):
    with open(path, "r", encoding="utf-8") as handle:
        manifest = json.load(handle)
    if not isinstance(manifest, dict):
        raise ValueError("the manifest must be a JSON object")
    return manifest


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as handle:
        for chunk in iter(lambda: handle.read(CHUNK), b""):
            digest.update(chunk)
    return digest.hexdigest()


def digest_lines(entry, root):
    """The entry's "sha256=" line: of the served file, or the manifest's own
    for an entry given by URL; none when there is nothing to take it from."""
    if "url" in entry:
        return ["sha256=%s" % entry["sha256"]] if "sha256" in entry else []
    path = os.path.join(root, entry["file"]) if root else None
    if path and os.path.isfile(path):
        return ["sha256=%s" % file_sha256(path)]
    return []


def sign_reply(body, key_path):
    """The body with its signature line after the [file version] header,
    signed by openssl over exactly the bytes of body."""
    signature = subprocess.run(["openssl", "dgst", "-sha256", "-sign", key_path], input=body,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True).stdout
    header = b"[file version]\r\n"
    at = body.index(header) + len(header)
    return body[:at] + b"signature=" + base64.b64encode(signature) + b"\r\n" + body[at:]


def tamper_reply(body):
    """One byte changed where it counts, as a change on the path would: the
    last character of the last "version=" line (the application's offered
    version; without one, the format version)."""
    line = body.rindex(b"\r\nversion=") + 2
    at = body.index(b"\r\n", line) - 1
    return body[:at] + bytes([body[at] ^ 1]) + body[at + 1:]


def build_reply(manifest, drives, origin, root=None):
    """The reply body for the reported drives (byte strings, cp1252 text),
    unsigned; origin is http://HOST:PORT of the offered files."""

    def url_of(entry):
        if "url" in entry:
            return entry["url"]
        if "path" in entry:
            return origin + entry["path"]
        return origin + "/files/" + urllib.parse.quote(entry["file"])

    lines = ["[file version]", "version=%s" % manifest.get("file_version", "1.0"), ""]
    application = manifest.get("application")
    if application:
        lines += ["[app version]", "version=%s" % application["version"], "url=%s" % url_of(application)]
        lines += digest_lines(application, root) + [""]
    # A byte cp1252 leaves undefined matches no manifest entry.
    revisions = {revision.decode("cp1252", errors="replace") for revision, _ in drives}
    number = 0
    for entry in manifest.get("firmware", []):
        if not revisions.intersection(entry["applicable"]):
            continue
        number += 1
        lines += [
            "[fw upgrade%d]" % number,
            "applicable=%s" % ";".join(entry["applicable"]),
            "url=%s" % url_of(entry),
            "current=%s" % entry["current"],
        ] + digest_lines(entry, root) + [""]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "ReferenceUpdateServer/1.0"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        if not self.server.quiet:
            sys.stderr.write("%s %s\n" % (self.address_string(), format % args))

    def do_GET(self):
        # A proxy may forward the absolute URL; only its path and query count.
        parts = urllib.parse.urlsplit(self.path)
        path = parts.path
        try:
            if path == "/daveruri/daveruri.php":
                self.update_reply(parts.query)
            elif path.startswith("/files/"):
                self.serve_file(urllib.parse.unquote(path[len("/files/"):]))
            elif path.startswith("/test/"):
                self.test_route(path[len("/test/"):])
            else:
                self.simple(404, b"<html><body>Not Found</body></html>")
        except (BrokenPipeError, ConnectionResetError):
            pass

    def simple(self, status, body, content_type="text/html", length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def update_reply(self, query):
        # The value is taken raw: the client neither percent-encodes it nor
        # sends other keys.
        if not query.startswith("disk="):
            self.simple(400, b"<html><body>disk= expected</body></html>")
            return
        try:
            drives = decode_drive_list(query[len("disk="):])
        except DriveListError as error:
            self.simple(400, ("<html><body>%s</body></html>" % error).encode("ascii"))
            return
        with self.server.lock:
            self.server.last_drives = drives
        origin = "http://%s:%d" % (self.offered_host(), self.server.server_address[1])
        body = build_reply(load_manifest(self.server.manifest_path), drives, origin, self.server.root)
        if self.server.replies != "unsigned":
            body = sign_reply(body, self.server.signing_key)
        if self.server.replies == "tampered":
            body = tamper_reply(body)
        self.simple(200, body, "text/plain")

    def offered_host(self):
        """The Host header's name for the offered URLs when it is a plain host
        name or address; anything else (a path, a user part, spaces, line
        breaks) could bend the URLs elsewhere, so the server's own address
        serves instead."""
        host = self.headers.get("Host", "")
        host = host[:host.index("]") + 1] if host.startswith("[") and "]" in host else host.rsplit(":", 1)[0]
        if re.fullmatch(r"[A-Za-z0-9.-]+|\[[0-9A-Fa-f:.]+\]", host):
            return host
        return self.server.server_address[0]

    def file_in_root(self, name):
        """The full path of a plain file name inside the root, or None (after
        a 404) for anything else: no folders, no way out of the root."""
        if not name or name != os.path.basename(name) or name in (".", "..") or "\\" in name:
            self.simple(404, b"<html><body>Not Found</body></html>")
            return None
        full = os.path.join(self.server.root, name)
        if not os.path.isfile(full):
            self.simple(404, b"<html><body>Not Found</body></html>")
            return None
        return full

    def serve_file(self, name):
        full = self.file_in_root(name)
        if full is None:
            return
        size = os.path.getsize(full)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        with open(full, "rb") as handle:
            while True:
                chunk = handle.read(CHUNK)
                if not chunk:
                    break
                self.wfile.write(chunk)

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "8")
        self.end_headers()
        self.wfile.write(b"redirect")

    def serve_damaged(self, name):
        full = self.file_in_root(urllib.parse.unquote(name))
        if full is None:
            return
        with open(full, "rb") as handle:
            body = bytearray(handle.read())
        if body:
            body[0] ^= 0xFF
        self.simple(200, bytes(body), "application/octet-stream")

    def test_route(self, route):
        name, _, argument = route.partition("/")
        if name == "moved" and argument:
            self.redirect("/files/" + argument)
        elif name == "redirect-chain" and argument.isdigit():
            self.redirect("/test/redirect-chain/%d" % (int(argument) + 1))
        elif name == "damaged":
            self.serve_damaged(argument)
        elif name == "redirect-self":
            self.send_response(302)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "8")
            self.end_headers()
            self.wfile.write(b"redirect")
        elif name in ("no-length", "bytes", "trickle") and argument.isdigit():
            count = int(argument)
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            if name == "bytes":
                self.send_header("Content-Length", str(count))
            self.end_headers()
            sent = 0
            step = 1 if name == "trickle" else CHUNK
            while sent < count:
                n = min(step, count - sent)
                self.wfile.write(deterministic_bytes(sent, n))
                sent += n
                if name == "trickle":
                    self.wfile.flush()
                    time.sleep(0.5)
        elif name == "status" and argument.isdigit() and 100 <= int(argument) <= 599:
            self.simple(int(argument), ("<html><body>status %s</body></html>" % argument).encode("ascii"))
        elif name == "silent" and argument.isdigit():
            time.sleep(min(int(argument), MAX_SILENCE_SECONDS))
            self.close_connection = True
        elif name == "last-drives":
            with self.server.lock:
                drives = list(self.server.last_drives)
            text = b"".join(revision + b";" + model + b"\n" for revision, model in drives)
            self.simple(200, text, "text/plain")
        else:
            self.simple(404, b"<html><body>Not Found</body></html>")


class UpdateServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, manifest_path, root, quiet=False, signing_key=None, replies="signed"):
        super().__init__(("127.0.0.1", port), Handler)
        self.manifest_path = manifest_path
        self.root = root
        self.quiet = quiet
        self.signing_key = signing_key or default_signing_key()
        self.replies = replies
        self.lock = threading.Lock()
        self.last_drives = []


def default_signing_key():
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.join(here, "..", "..", "tests", "data", "update", "test-signing-key.pem")


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=8080, help="TCP port on 127.0.0.1 (0: any free port)")
    parser.add_argument("--manifest", default=os.path.join(here, "demo-manifest.json"))
    parser.add_argument("--root", default=os.path.join(here, "demo-files"), help="folder of the download files")
    parser.add_argument("--quiet", action="store_true", help="no request log")
    parser.add_argument("--signing-key", default=default_signing_key(),
                        help="PEM private key (P-256) the replies are signed with")
    parser.add_argument("--replies", choices=REPLY_MODES, default="signed",
                        help="signed (default), unsigned (no signature line), or tampered (one byte changed after signing)")
    parser.add_argument("--decode", metavar="VALUE", help="print the drive list of an encoded value and exit")
    arguments = parser.parse_args(argv)

    if arguments.decode is not None:
        for revision, model in decode_drive_list(arguments.decode):
            sys.stdout.write("%s;%s\n" % (revision.decode("cp1252"), model.decode("cp1252")))
        return 0

    load_manifest(arguments.manifest)  # fail at start, not at the first request
    if arguments.replies != "unsigned":
        sign_reply(b"[file version]\r\n", arguments.signing_key)  # and a key that cannot sign, too
    server = UpdateServer(arguments.port, arguments.manifest, arguments.root, arguments.quiet,
                          arguments.signing_key, arguments.replies)
    # The chosen port, for scripts that start the server with --port 0.
    sys.stdout.write("listening on 127.0.0.1:%d\n" % server.server_address[1])
    sys.stdout.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
