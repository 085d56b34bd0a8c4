#!/usr/bin/env python3
"""Checks of the reference update server: it decodes the drive lists the
toolbox encodes (the shared cases in tests/data/update), answers from the
manifest with the digests of the files it serves, signs its replies so
that openssl accepts the signature (and refuses a tampered one), serves
files safely, and its test routes behave as documented."""

import base64
import hashlib
import http.client
import os
import subprocess
import tempfile
import threading
import unittest

import reference_update_server as server_module

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.join(HERE, "..", "..", "tests", "data", "update", "encoded-drive-lists.txt")
DEMO_VALUE = "UTVSVDJCMTtWRUxNT1JBIFI3MzAgU1NECk4yUlQxQTA1O1ZFTE1PUkEgTFA1MjAgTlZNZSBTU0QK"


def read_cases():
    cases = []
    with open(CASES, "r", encoding="ascii") as handle:
        lines = [line.rstrip("\n") for line in handle if not line.startswith("#")]
    current = None
    for line in lines:
        if line.startswith("encoded="):
            current = (line[len("encoded="):], [])
            cases.append(current)
        elif line and current is not None:
            revision, _, model = line.partition(";")
            current[1].append((revision.encode("cp1252"), model.encode("cp1252")))
    return cases


class DecodeTest(unittest.TestCase):
    def test_decodes_every_shared_case(self):
        cases = read_cases()
        self.assertGreaterEqual(len(cases), 4)
        for encoded, drives in cases:
            self.assertEqual(server_module.decode_drive_list(encoded), drives, encoded)

    def test_refuses_values_that_are_no_drive_list(self):
        for value in ("***", "YQ-", "Tm9TZW1pY29sb24K"):  # not base64, cut inside a group, "NoSemicolon\n"
            with self.assertRaises(server_module.DriveListError, msg=value):
                server_module.decode_drive_list(value)

    def test_a_list_cut_by_a_direct_request_keeps_the_revisions_that_arrived(self):
        # A direct request carries 228 characters of value: 171 bytes of list.
        text = b"".join(b"Q5RT2B%d;VELMORA R730 SSD 512GB\n" % n for n in range(8))
        encoded = base64.b64encode(text).decode("ascii").replace("+", ".").replace("/", "_").replace("=", "-")
        drives = server_module.decode_drive_list(encoded[:228])
        self.assertEqual([revision for revision, _ in drives], [b"Q5RT2B%d" % n for n in range(6)])
        self.assertEqual(drives[4][1], b"VELMORA R730 SSD 512GB")
        self.assertEqual(drives[5][1], b"VELMORA ")
        self.assertEqual(server_module.decode_drive_list("UTVSVDJCMQ--"), [])  # "Q5RT2B1": no ';' arrived


def start_server(replies="signed"):
    server = server_module.UpdateServer(
        0, os.path.join(HERE, "demo-manifest.json"), os.path.join(HERE, "demo-files"), quiet=True,
        replies=replies)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return server, thread


def stop_server(server, thread):
    server.shutdown()
    server.server_close()
    thread.join()


def get(port, path):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.request("GET", path)
        response = connection.getresponse()
        return response.status, dict(response.getheaders()), response.read()
    finally:
        connection.close()


def split_signature(body):
    """(the body without its signature line, the DER signature) as the
    client splits a reply the reference server wrote."""
    start = body.index(b"signature=")
    end = body.index(b"\r\n", start) + 2
    return body[:start] + body[end:], base64.b64decode(body[start + len(b"signature="):end - 2], validate=True)


def openssl_verifies(signed, signature):
    """Whether openssl accepts the signature with the tests' public key."""
    with tempfile.TemporaryDirectory() as folder:
        paths = {name: os.path.join(folder, name) for name in ("public.pem", "body", "signature.der")}
        subprocess.run(["openssl", "ec", "-in", server_module.default_signing_key(), "-pubout",
                        "-out", paths["public.pem"]], check=True, capture_output=True)
        for name, data in (("body", signed), ("signature.der", signature)):
            with open(paths[name], "wb") as handle:
                handle.write(data)
        return subprocess.run(["openssl", "dgst", "-sha256", "-verify", paths["public.pem"], "-signature",
                               paths["signature.der"], paths["body"]], capture_output=True).returncode == 0


class ServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.thread = start_server()
        cls.port = cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.server, cls.thread)

    def get(self, path):
        return get(self.port, path)

    def test_answers_the_demo_drives_with_signed_offers_and_the_digests_of_its_files(self):
        status, _, body = self.get("/daveruri/daveruri.php?disk=" + DEMO_VALUE)
        self.assertEqual(status, 200)
        signed, signature = split_signature(body)
        self.assertTrue(openssl_verifies(signed, signature))
        self.assertTrue(body.startswith(b"[file version]\r\nsignature="))
        base = "http://127.0.0.1:%d/files/" % self.port
        digests = {}
        for name in ("VelmoraToolbox-1.02-setup.exe", "Q5RT2B3-firmware.zip"):
            served = self.get("/files/" + name)[2]
            digests[name] = hashlib.sha256(served).hexdigest()
        self.assertEqual(
            signed.decode("cp1252"),
            "[file version]\r\nversion=1.0\r\n\r\n"
            "[app version]\r\nversion=1.02\r\nurl=" + base + "VelmoraToolbox-1.02-setup.exe\r\n"
            "sha256=" + digests["VelmoraToolbox-1.02-setup.exe"] + "\r\n\r\n"
            "[fw upgrade1]\r\napplicable=Q5RT2A9;Q5RT2B1\r\nurl=" + base + "Q5RT2B3-firmware.zip\r\n"
            "current=Q5RT2B3\r\nsha256=" + digests["Q5RT2B3-firmware.zip"] + "\r\n\r\n")
        status, _, drives = self.get("/test/last-drives")
        self.assertEqual(drives, b"Q5RT2B1;VELMORA R730 SSD\nN2RT1A05;VELMORA LP520 NVMe SSD\n")

    def test_the_other_reply_modes_leave_the_signature_out_or_break_it(self):
        signed_reply = self.get("/daveruri/daveruri.php?disk=" + DEMO_VALUE)[2]
        signed, signature = split_signature(signed_reply)
        for replies in ("unsigned", "tampered"):
            server, thread = start_server(replies)
            try:
                body = get(server.server_address[1], "/daveruri/daveruri.php?disk=" + DEMO_VALUE)[2]
            finally:
                stop_server(server, thread)
            port_text = b"127.0.0.1:%d" % server.server_address[1]
            expected = signed.replace(b"127.0.0.1:%d" % self.port, port_text)
            if replies == "unsigned":
                self.assertEqual(body, expected)
                continue
            tampered, tampered_signature = split_signature(body)
            self.assertEqual(len(tampered), len(expected))
            self.assertEqual(sum(a != b for a, b in zip(tampered, expected)), 1)
            self.assertIn(b"version=1.03\r\n", tampered)
            self.assertFalse(openssl_verifies(tampered, tampered_signature))
        self.assertTrue(openssl_verifies(signed, signature))

    def test_numbers_the_sections_it_sends_from_one(self):
        # "QDRT1A01;X\n"
        status, _, body = self.get("/daveruri/daveruri.php?disk=UURSVDFBMDE7WAo-")
        self.assertEqual(status, 200)
        self.assertIn(b"[fw upgrade1]\r\napplicable=QDRT1A01\r\n", body)
        self.assertNotIn(b"fw upgrade2", body)

    def test_no_drives_get_only_the_application(self):
        status, _, body = self.get("/daveruri/daveruri.php?disk=")
        self.assertEqual(status, 200)
        self.assertIn(b"[app version]", body)
        self.assertNotIn(b"fw upgrade", body)

    def test_odd_drive_texts_and_hosts_neither_break_nor_bend_the_reply(self):
        def encoded(text):
            return base64.b64encode(text).decode("ascii").replace("+", ".").replace("/", "_").replace("=", "-")
        # A revision with a byte cp1252 leaves undefined, a model with a line feed.
        status, _, body = self.get("/daveruri/daveruri.php?disk=" + encoded(b"Q5RT2\x81;A\nB\nQ5RT2B1;C\n"))
        self.assertEqual(status, 200)
        self.assertIn(b"[fw upgrade1]\r\napplicable=Q5RT2A9;Q5RT2B1\r\n", body)
        self.assertEqual(self.get("/test/last-drives")[2], b"Q5RT2\x81;A\nB\nQ5RT2B1;C\n")
        own = "http://127.0.0.1:%d/files/" % self.port
        for host, base in (("evil.test/x?", own), ("a@evil.test", own), ("x\ty", own), ("", own),
                           ("mirror.test:8080", "http://mirror.test:%d/files/" % self.port),
                           ("[::1]:80", "http://[::1]:%d/files/" % self.port)):
            connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
            try:
                connection.putrequest("GET", "/daveruri/daveruri.php?disk=", skip_host=True)
                connection.putheader("Host", host)
                connection.endheaders()
                body = connection.getresponse().read().decode("cp1252")
            finally:
                connection.close()
            self.assertIn("url=" + base, body, host)

    def test_refuses_a_malformed_request_with_an_error_status(self):
        self.assertEqual(self.get("/daveruri/daveruri.php?disk=***")[0], 400)
        self.assertEqual(self.get("/daveruri/daveruri.php?other=1")[0], 400)

    def test_serves_files_byte_exact_and_nothing_outside_the_root(self):
        status, headers, body = self.get("/files/Q5RT2B3-firmware.zip")
        self.assertEqual(status, 200)
        with open(os.path.join(HERE, "demo-files", "Q5RT2B3-firmware.zip"), "rb") as handle:
            self.assertEqual(body, handle.read())
        self.assertEqual(headers["Content-Length"], str(len(body)))
        for path in ("/files/..%2Fdemo-manifest.json", "/files/%2E%2E", "/files/", "/files/missing.bin",
                     "/files/..%5Cdemo-manifest.json"):
            self.assertEqual(self.get(path)[0], 404, path)

    def test_abuse_routes_behave_as_documented(self):
        status, headers, body = self.get("/test/redirect-self")
        self.assertEqual((status, headers["Location"], body), (302, "/test/redirect-self", b"redirect"))

        status, headers, body = self.get("/test/no-length/1000")
        self.assertEqual(status, 200)
        self.assertNotIn("Content-Length", headers)
        self.assertEqual(body, server_module.deterministic_bytes(0, 1000))

        status, headers, body = self.get("/test/bytes/200000")
        self.assertEqual(headers["Content-Length"], "200000")
        self.assertEqual(body, server_module.deterministic_bytes(0, 200000))
        self.assertEqual(body[:3], bytes([7, 38, 69]))

        self.assertEqual(self.get("/test/status/404")[0], 404)
        self.assertEqual(self.get("/test/nothing")[0], 404)

    def test_download_routes_move_chain_and_damage_a_file(self):
        status, headers, _ = self.get("/test/moved/Q5RT2B3-firmware.zip")
        self.assertEqual((status, headers["Location"]), (302, "/files/Q5RT2B3-firmware.zip"))

        status, headers, _ = self.get("/test/redirect-chain/4")
        self.assertEqual((status, headers["Location"]), (302, "/test/redirect-chain/5"))

        with open(os.path.join(HERE, "demo-files", "Q5RT2B3-firmware.zip"), "rb") as handle:
            original = handle.read()
        status, headers, body = self.get("/test/damaged/Q5RT2B3-firmware.zip")
        self.assertEqual(status, 200)
        self.assertEqual(len(body), len(original))
        self.assertEqual(body[1:], original[1:])
        self.assertNotEqual(body[0], original[0])
        self.assertEqual(self.get("/test/damaged/..%2Fdemo-manifest.json")[0], 404)

    def test_takes_the_path_of_an_absolute_url_from_a_proxy(self):
        status, _, body = self.get("http://updates.example:8080/daveruri/daveruri.php?disk=")
        self.assertEqual(status, 200)
        self.assertIn(b"version=1.0", body)


if __name__ == "__main__":
    unittest.main()
