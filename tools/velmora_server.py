#!/usr/bin/env python3
"""Reference Velmora server: serves the Orvandel Viewer data set over HTTP/1.0 on one machine.

It hands out user ids, the announcement, the taxonomy tree, the six detail databases and the genus
pictures, and keeps submitted files in an inbox for the maintainer. Standard library only.

    python3 tools/velmora_server.py [--host 127.0.0.1] [--port 8642] [--data DIR]
                                    [--state DIR] [--news FILE] [--server-images DIR]

With the repository's data/ (the default) it also serves tools/velmora-images/: the pictures that the
data set names but the program does not ship, so that downloading them brings real pictures; one
(scotothren.jpg) exists nowhere and shows a failed download. tools/make_images.py draws them.

Every connection carries one request and is closed after the reply. The first line on standard
output names the address listened on; with --port 0 the system picks a free port and that line
says which, so tests never race another program for a port.
"""

import argparse
import html
import json
import os
import re
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LEVEL_FILES = ["class.dat", "subclass.dat", "order.dat", "suborder.dat", "family.dat", "genus.dat"]
# Largest request body taken (a database or a picture).
MAX_UPLOAD = 64 * 1024 * 1024
DEFAULT_NEWS = (
    "Welcome to Velmora!\r\n"
    "\r\n"
    "This is the reference Velmora server. The taxonomy tree, the detail databases and the\r\n"
    "genus pictures can be downloaded from here, and your own edits can be submitted for review.\r\n"
    "Thank you for helping to describe the Korvel.\r\n"
)
CONTENT_TYPES = {
    ".dat": "text/plain; charset=utf-8",
    ".txt": "text/plain; charset=utf-8",
    ".gif": "image/gif",
    ".jpg": "image/jpeg",
    ".jpeg": "image/jpeg",
    ".png": "image/png",
}


def is_plain_file_name(name):
    """A bare file name that cannot reach outside its folder (the client's rule as well)."""
    if not name or len(name.encode("utf-8", "surrogateescape")) > 255 or name.startswith("."):
        return False
    if ".." in name:
        return False
    return not any(c in "/\\:" or ord(c) < 0x20 or ord(c) == 0x7F for c in name)


def page(title, text):
    return (
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title></head>\n"
        "<body><h1>%s</h1>\n%s\n</body></html>\n" % (html.escape(title), html.escape(title), text)
    ).encode("utf-8")


def write_atomic(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(tmp, path)


class VelmoraState:
    """The state folder: the last user id given, the announcement, the inbox."""

    def __init__(self, folder, news_file):
        self.folder = os.path.abspath(folder)
        self.inbox = os.path.join(self.folder, "inbox")
        self.news_file = os.path.abspath(news_file) if news_file else os.path.join(self.folder, "news.txt")
        self.id_file = os.path.join(self.folder, "lastid.txt")
        self.lock = threading.Lock()
        self.submissions = 0
        os.makedirs(self.inbox, exist_ok=True)
        if not os.path.exists(self.news_file):
            os.makedirs(os.path.dirname(self.news_file), exist_ok=True)
            write_atomic(self.news_file, DEFAULT_NEWS.encode("utf-8"))

    def new_id(self):
        with self.lock:
            last = 0
            try:
                with open(self.id_file, "r", encoding="ascii") as f:
                    last = int(f.read().strip() or "0")
            except (OSError, ValueError):
                last = 0
            last += 1
            write_atomic(self.id_file, str(last).encode("ascii"))
            return last

    def news(self):
        with open(self.news_file, "rb") as f:
            return f.read()

    def store_submission(self, file_name, body, name, email, client):
        with self.lock:
            self.submissions += 1
            stamp = time.strftime("%Y%m%d-%H%M%S")
            folder = os.path.join(self.inbox, "%s-%d-%d" % (stamp, os.getpid(), self.submissions))
            while os.path.exists(folder):
                self.submissions += 1
                folder = os.path.join(self.inbox, "%s-%d-%d" % (stamp, os.getpid(), self.submissions))
            os.makedirs(folder)
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(body)
        meta = {
            "file": file_name,
            "name": name,
            "email": email,
            "bytes": len(body),
            "time": time.strftime("%Y-%m-%dT%H:%M:%S%z"),
            "client": client,
        }
        write_atomic(os.path.join(folder, "meta.json"),
                     json.dumps(meta, ensure_ascii=False, indent=2).encode("utf-8"))
        return folder


class VelmoraHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "Velmora/2.2"
    # A client that stalls in the middle of a request does not hold its thread for ever.
    timeout = 60

    # The server object carries data_folder, image_folders and state (see make_server).

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass  # every request is logged once, by reply()

    def log_error(self, format, *args):  # noqa: A002
        # Requests refused before routing (a malformed request line, say) are logged here.
        sys.stderr.write("%s %s\n" % (self.client_address[0], format % args))
        sys.stderr.flush()

    def reply(self, status, body, content_type="text/html; charset=utf-8", file_path=None):
        """Sends a whole reply; file_path streams a file instead of body."""
        length = os.path.getsize(file_path) if file_path else len(body)
        # Logged before the reply goes out: a client that waits for each reply before its next
        # request then finds its requests in the log in the order it made them.
        sys.stderr.write('%s "%s %s" %d %d\n' % (self.client_address[0], self.command, self.path, status, length))
        sys.stderr.flush()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()
        if file_path:
            with open(file_path, "rb") as f:
                self.connection.sendfile(f)
        else:
            self.wfile.write(body)

    def not_found(self, why="The requested address is not on this server."):
        self.reply(404, page("404 Not Found", "<p>%s</p>" % html.escape(why)))

    def bad_request(self, why):
        self.reply(400, page("400 Bad Request", "<p>%s</p>" % html.escape(why)))

    def serve_file(self, path):
        if not os.path.isfile(path):
            self.not_found("%s is not available." % os.path.basename(path))
            return
        ext = os.path.splitext(path)[1].lower()
        self.reply(200, b"", CONTENT_TYPES.get(ext, "application/octet-stream"), file_path=path)

    def route(self):
        url = urllib.parse.urlsplit(self.path)
        path = url.path
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)

        def param(key):
            return query.get(key, [""])[0]

        data = self.server.data_folder
        if path == "/velmora/usercontrol":
            return self.user_control(param("cmd"), param("file"), param("name"), param("email"))
        if self.command == "POST":
            return self.reply(405, page("405 Method Not Allowed", "<p>Only submissions are posted.</p>"))
        if path == "/velmora/survey.html":
            return self.reply(200, page("Korvel Survey", SURVEY_TEXT))
        if path == "/velmora/suggest.html":
            subject = param("subject") or "Suggestion"
            return self.reply(200, page("Submit Suggestion", SUGGEST_TEXT % html.escape(subject, quote=True)))
        if path == "/velmora/data/classifytree.dat":
            return self.serve_file(os.path.join(data, "classifytree.dat"))
        if path == "/velmora/data/db":
            level = param("level")
            if not re.fullmatch(r"[0-5]", level):
                return self.bad_request("The level must be a number from 0 to 5.")
            sys.stderr.write("database of level %s for user id %s\n" % (level, param("id") or "(none)"))
            return self.serve_file(os.path.join(data, LEVEL_FILES[int(level)]))
        if path.startswith("/velmora/images/"):
            name = urllib.parse.unquote(path[len("/velmora/images/"):], errors="surrogateescape")
            if not is_plain_file_name(name):
                return self.not_found("No such picture.")
            # The data set's pictures first, then those only the server has.
            for folder in self.server.image_folders:
                if os.path.isfile(os.path.join(folder, name)):
                    return self.serve_file(os.path.join(folder, name))
            return self.serve_file(os.path.join(data, "images", name))
        return self.not_found()

    def user_control(self, cmd, file_name, name, email):
        state = self.server.state
        if cmd == "newid":
            return self.reply(200, ("id=%d" % state.new_id()).encode("ascii"), "text/plain")
        if cmd == "getnews":
            return self.reply(200, state.news(), "text/plain; charset=utf-8")
        if cmd == "submitdb":
            return self.submit(file_name, name, email)
        return self.bad_request("Unknown command.")

    def submit(self, file_name, name, email):
        if self.command != "POST":
            return self.reply(405, page("405 Method Not Allowed", "<p>Files are submitted with POST.</p>"))
        if not is_plain_file_name(file_name):
            return self.bad_request("The file name is not a plain file name.")
        length = self.headers.get("Content-Length")
        if length is None or not length.strip().isdigit():
            return self.reply(411, page("411 Length Required", "<p>The request has no Content-Length.</p>"))
        length = int(length)
        if length > MAX_UPLOAD:
            return self.reply(413, page("413 Payload Too Large", "<p>The file is too large.</p>"))
        body = self.rfile.read(length)
        if len(body) != length:
            return self.bad_request("The file arrived incomplete.")
        folder = self.server.state.store_submission(file_name, body, name, email, self.client_address[0])
        sys.stderr.write("stored %s from %r <%s> in %s\n" % (file_name, name, email, folder))
        self.reply(200, b"SUCCESS", "text/plain")

    def handle_one(self):
        try:
            self.route()
        except (BrokenPipeError, ConnectionResetError):
            pass

    do_GET = handle_one
    do_POST = handle_one


SURVEY_TEXT = (
    "<p>Tell us about the Korvel you keep or have seen: where it lives, its colours, its size and "
    "how it behaves. Every answer helps to place a genus in the tree.</p>\n"
    "<p>Send your notes with the program's <em>Submit User Databases</em> command, or write to the "
    "maintainer.</p>"
)
SUGGEST_TEXT = (
    "<p>Subject: <strong>%s</strong></p>\n"
    "<p>Suggestions about the taxonomy, the program or this server are welcome. Write to the "
    "maintainer, Tovren, with this subject.</p>"
)


class VelmoraServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, handler):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        super().__init__(address, handler)


def make_server(host, port, data_folder, state_folder, news_file=None, server_images=None):
    server = VelmoraServer((host, port), VelmoraHandler)
    server.data_folder = os.path.abspath(data_folder)
    server.image_folders = [os.path.join(server.data_folder, "images")]
    if server_images:
        server.image_folders.append(os.path.abspath(server_images))
    server.state = VelmoraState(state_folder, news_file)
    return server


def served_folders(data, server_images):
    """The data folder and the folder of pictures only the server has. The repository's data set
    (the default) comes with the pictures it leaves out for downloading, tools/velmora-images."""
    here = os.path.dirname(os.path.abspath(__file__))
    shipped = os.path.join(os.path.dirname(here), "data")
    data = data or shipped
    if server_images is None and os.path.realpath(data) == os.path.realpath(shipped):
        server_images = os.path.join(here, "velmora-images")
    return data, server_images


def main(argv=None):
    parser = argparse.ArgumentParser(description="Reference Velmora server for Orvandel Viewer.")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=8642, help="port (default 8642; 0 picks a free one)")
    parser.add_argument("--data", default=None, help="data folder served (default: the repository's data/)")
    parser.add_argument("--state", default="velmora-state",
                        help="folder for the inbox, the last user id and the announcement")
    parser.add_argument("--news", default=None, help="announcement text file (default <state>/news.txt)")
    parser.add_argument("--server-images", default=None,
                        help="pictures only the server has, served after <data>/images (default with the "
                             "repository's data/: tools/velmora-images, the pictures the program does not ship)")
    args = parser.parse_args(argv)
    data, server_images = served_folders(args.data, args.server_images)

    server = make_server(args.host, args.port, data, args.state, args.news, server_images)
    host, port = server.server_address[:2]
    print("listening on http://%s:%d/" % (host, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
