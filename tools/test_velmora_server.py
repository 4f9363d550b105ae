#!/usr/bin/env python3
"""Checks of the reference Velmora server that the program's own tests do not reach."""

import http.client
import json
import os
import sys
import tempfile
import threading
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import velmora_server  # noqa: E402


class VelmoraServerTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.data = os.path.join(self.tmp.name, "data")
        os.makedirs(os.path.join(self.data, "images"))
        with open(os.path.join(self.data, "genus.dat"), "wb") as f:
            f.write(b"1#Genus\r\n")
        self.state = os.path.join(self.tmp.name, "state")
        self.start()

    def start(self, server_images=None):
        self.server = velmora_server.make_server("127.0.0.1", 0, self.data, self.state, server_images=server_images)
        self.thread = threading.Thread(target=self.server.serve_forever, args=(0.05,), daemon=True)
        self.thread.start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()
        self.thread.join()

    def tearDown(self):
        self.stop()
        self.tmp.cleanup()

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.server.server_address[1], timeout=10)
        conn.request(method, path, body=body, headers=headers or {})
        reply = conn.getresponse()
        data = reply.read()
        conn.close()
        return reply.status, data

    def test_ids_survive_a_restart(self):
        self.assertEqual(self.request("GET", "/velmora/usercontrol?cmd=newid&file=")[1], b"id=1")
        self.stop()
        self.start()
        self.assertEqual(self.request("GET", "/velmora/usercontrol?cmd=newid&file=")[1], b"id=2")

    def test_default_announcement_is_created(self):
        status, body = self.request("GET", "/velmora/usercontrol?cmd=getnews&file=")
        self.assertEqual(status, 200)
        self.assertIn(b"Velmora", body)
        with open(os.path.join(self.state, "news.txt"), "rb") as f:
            self.assertEqual(f.read(), body)

    def test_refusals(self):
        submit = "/velmora/usercontrol?cmd=submitdb&file=%s&name=n&email=e"
        cases = [
            ("GET", "/velmora/usercontrol?cmd=unknown&file=", None, {}, 400),
            ("GET", submit % "usr_genus.dat", None, {}, 405),
            ("POST", submit % ".hidden", b"x", {}, 400),
            ("POST", submit % "a%2Fb.dat", b"x", {}, 400),
            ("POST", "/velmora/data/classifytree.dat", b"x", {}, 405),
            ("GET", "/velmora/data/db?level=x&id=1", None, {}, 400),
            ("GET", "/velmora/data/db?level=4&id=1", None, {}, 404),  # no family.dat here
            ("GET", "/velmora/images/%2E%2E%2Fgenus.dat", None, {}, 404),
            ("GET", "/velmora/genus.dat", None, {}, 404),
        ]
        for method, path, body, headers, expected in cases:
            with self.subTest(path=path):
                self.assertEqual(self.request(method, path, body, headers)[0], expected)
        self.assertEqual(os.listdir(os.path.join(self.state, "inbox")), [])

    def test_pictures_only_the_server_has(self):
        extra = os.path.join(self.tmp.name, "server-images")
        os.makedirs(extra)
        for folder, name, body in [(self.data, "images/both.gif", b"data"), (extra, "both.gif", b"extra"),
                                   (extra, "only.jpg", b"only here")]:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(body)
        self.stop()
        self.start(extra)
        # The data set's copy wins; a picture it lacks comes from the server's own folder.
        self.assertEqual(self.request("GET", "/velmora/images/both.gif"), (200, b"data"))
        self.assertEqual(self.request("GET", "/velmora/images/only.jpg"), (200, b"only here"))
        self.assertEqual(self.request("GET", "/velmora/images/none.jpg")[0], 404)
        self.assertEqual(self.request("GET", "/velmora/images/..%2Fserver-images%2Fonly.jpg")[0], 404)

    def test_reference_data_set_downloads_all_but_one_picture(self):
        # What a fresh machine meets: every picture the genus database names can be had, except
        # the one kept nowhere to show a failed download.
        data, extra = velmora_server.served_folders(None, None)
        self.stop()
        self.data = data
        self.start(extra)
        names = set()
        with open(os.path.join(data, "genus.dat"), encoding="utf-8") as f:
            for line in f:
                fields = line.rstrip("\r\n").split("#")
                if not line.startswith("\t") and len(fields) > 6 and fields[6] != "-":
                    names.add(fields[6])
        failed = [n for n in sorted(names) if self.request("GET", "/velmora/images/" + n)[0] != 200]
        self.assertEqual(len(failed), 1, failed)
        self.assertFalse(os.path.exists(os.path.join(data, "images", failed[0])))

    def test_submissions_get_folders_of_their_own(self):
        path = "/velmora/usercontrol?cmd=submitdb&file=usr_tree.dat&name=A%20B&email=a%40b"
        for body in (b"first", b"second"):
            self.assertEqual(self.request("POST", path, body), (200, b"SUCCESS"))
        inbox = os.path.join(self.state, "inbox")
        folders = sorted(os.listdir(inbox))
        self.assertEqual(len(folders), 2)
        stored = set()
        for folder in folders:
            with open(os.path.join(inbox, folder, "usr_tree.dat"), "rb") as f:
                stored.add(f.read())
            with open(os.path.join(inbox, folder, "meta.json"), encoding="utf-8") as f:
                meta = json.load(f)
            self.assertEqual((meta["name"], meta["email"], meta["file"]), ("A B", "a@b", "usr_tree.dat"))
        self.assertEqual(stored, {b"first", b"second"})


if __name__ == "__main__":
    unittest.main()
