#!/usr/bin/env python3
"""A CardDAV server that answers badly, for the tests: bad_dav.py MODE prints "PORT n" and
serves until killed. Modes: 401, 403, 404, 500, 507 (every request gets that status),
redirect, junk (a 207 whose body is no XML), stall (answers nothing), conflict (the listing
is fine, every write gets 412)."""
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MODE = sys.argv[1]
EMPTY = (b'<?xml version="1.0"?><d:multistatus xmlns:d="DAV:">'
         b'<d:sync-token>http://x/sync/1</d:sync-token></d:multistatus>')
CARD = b"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:X\r\nTEL:12345\r\nUID:x\r\nEND:VCARD\r\n"


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body=b"", headers=None):
        self.send_response(status)
        for key, value in (headers or {}).items():
            self.send_header(key, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        if MODE.isdigit():
            self.answer(int(MODE), b"no")
        elif MODE == "redirect":
            self.answer(301, b"", {"Location": "http://127.0.0.1:1/elsewhere/"})
        elif MODE == "junk":
            self.answer(207, b"\x00\xffthis is <not xml", {"Content-Type": "application/xml"})
        elif MODE == "stall":
            time.sleep(60)
        elif MODE == "conflict":
            if self.command == "REPORT":
                self.answer(207, EMPTY, {"Content-Type": "application/xml"})
            elif self.command == "GET":
                self.answer(200, CARD, {"ETag": '"%d"' % time.time_ns()})
            else:
                self.answer(412, b"changed")

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = handle_any


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print("PORT", server.server_port, flush=True)
server.serve_forever()
