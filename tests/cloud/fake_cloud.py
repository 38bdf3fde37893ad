#!/usr/bin/python3
"""A stand-in for Tamberlink's cloud service, for the tests and benchmarks.

Serves every endpoint the program uses (api/vcode, api/user, api/sms, api/contact,
api/feedback, api/version) on 127.0.0.1 with cookie sessions, and a control interface under
/control that seeds accounts and contacts, reads back what was received, and sets rules
that make chosen requests stall, fail or answer in odd shapes, or hold them until the test
releases them.

Prints "PORT <n>" on its first line once it listens, and stops when its standard input
closes (so it never outlives the test that started it). Standard library only.
"""

import argparse
import gzip
import hashlib
import http.server
import json
import math
import secrets
import sys
import threading
import time
import urllib.parse

STOP = threading.Event()
HELD = threading.Semaphore(0)  # one release per held request


def gif_with_code(code):
    """A 1x1 GIF whose comment block carries the picture code."""
    comment = ("code=" + code).encode("ascii")
    return (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff"
            b"!\xfe" + bytes([len(comment)]) + comment + b"\x00"
            b",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")


def md5_upper(text):
    return hashlib.md5(text.encode("utf-8")).hexdigest().upper()


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.reset()

    def reset(self):
        self.users = {}        # account -> password
        self.contacts = {}     # account -> list of contact objects
        self.sessions = {}     # sid -> dict
        self.feedback = []
        self.requests = []
        self.rules = []
        self.vcode = "1234"
        self.sms = "123456"
        self.gzip = False
        self.version = {"num": "1.0.5", "url": "", "time": "2016-01-01"}

    def dump(self):
        return {
            "users": self.users,
            "contacts": self.contacts,
            "sessions": self.sessions,
            "feedback": self.feedback,
            "requests": self.requests,
            "rules": self.rules,
        }


STATE = State()


def reply(code, msg="", data=None):
    envelope = {"code": code, "msg": msg}
    if data is not None:
        envelope["data"] = data
    return json.dumps(envelope, ensure_ascii=False).encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "FakeCloud/1.0"

    def log_message(self, *args):
        pass

    # Request plumbing -------------------------------------------------------------------

    def do_GET(self):
        self.handle_request(b"")

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.handle_request(self.rfile.read(length) if length > 0 else b"")

    def handle_request(self, raw):
        url = urllib.parse.urlsplit(self.path)
        path = url.path.lstrip("/")
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        text = raw.decode("utf-8", "replace")
        is_form = "x-www-form-urlencoded" in (self.headers.get("Content-Type") or "")
        form = dict(urllib.parse.parse_qsl(text, keep_blank_values=True)) if is_form else {}
        self.new_cookie = None
        sid = self.session_id()

        if path.startswith("control/"):
            self.control(path[len("control/"):], text, query)
            return

        cmd = form.get("cmd") or query.get("cmd") or query.get("type") or ""
        with STATE.lock:
            STATE.requests.append({
                "method": self.command,
                "path": path,
                "query": url.query,
                "headers": [[k, v] for k, v in self.headers.items()],
                "body": text,
                "form": form,
                "sid": sid,
            })
            rule = self.take_rule(path, cmd)
            compress = STATE.gzip or bool(rule and rule.get("gzip"))

        if rule:
            action = rule.get("action", "")
            if action == "stall":
                deadline = time.monotonic() + float(rule.get("seconds", 20))
                while time.monotonic() < deadline and not STOP.is_set():
                    time.sleep(0.05)
            elif action == "hold":
                # Answered as usual once the test releases it (control/release), or after
                # "seconds" without a reply.
                deadline = time.monotonic() + float(rule.get("seconds", 60))
                while not HELD.acquire(timeout=0.05):
                    if time.monotonic() >= deadline or STOP.is_set():
                        self.close_connection = True
                        return
            elif action == "drop":
                self.close_connection = True
                return
            elif action == "nonjson":
                return self.send(b"<html><body>502 Bad Gateway</body></html>", "text/html",
                                 compress)
            elif action == "empty":
                return self.send(b"", "text/html", compress)
            elif action == "code":
                return self.send(reply(int(rule.get("code", 1)), rule.get("msg", "")),
                                 "application/json", compress)
            elif action == "raw":
                body = (bytes.fromhex(rule["hex"]) if "hex" in rule
                        else rule.get("body", "").encode("utf-8"))
                return self.send(body, "text/html", compress)
            elif action == "huge":
                return self.send(b"x" * int(rule.get("size", 1 << 20)), "text/plain",
                                 compress)

        try:
            body, kind = self.route(path, query, form, text, sid)
        except Exception as error:  # a fault of the fake itself: show it to the test
            body, kind = reply(500, "fake cloud error: %r" % (error,)), "application/json"
        self.send(body, kind, compress)

    def take_rule(self, path, cmd):
        for rule in STATE.rules:
            if rule.get("path", path) != path or rule.get("cmd", cmd) != cmd:
                continue
            if rule.get("skip", 0) > 0:
                rule["skip"] -= 1
                continue
            times = rule.get("times", -1)
            if times == 0:
                continue
            if times > 0:
                rule["times"] = times - 1
            return rule
        return None

    def session_id(self):
        cookies = self.headers.get("Cookie") or ""
        for part in cookies.split(";"):
            name, _, value = part.strip().partition("=")
            if name == "sid":
                with STATE.lock:
                    if value in STATE.sessions:
                        return value
        return None

    def session(self, sid, create=False):
        with STATE.lock:
            if sid and sid in STATE.sessions:
                return STATE.sessions[sid]
            if not create:
                return {}
            sid = secrets.token_hex(8)
            STATE.sessions[sid] = {}
            self.new_cookie = sid
            return STATE.sessions[sid]

    def send(self, body, kind, compress=False):
        if compress:
            body = gzip.compress(body)
        try:
            self.send_response(200)
            self.send_header("Content-Type", kind)
            if compress:
                self.send_header("Content-Encoding", "gzip")
            if self.new_cookie:
                self.send_header("Set-Cookie", "sid=%s; Path=/; HttpOnly" % self.new_cookie)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up (a stalled reply past its timeout)

    # The service ------------------------------------------------------------------------

    def route(self, path, query, form, text, sid):
        if path == "api/vcode":
            kind = query.get("type", "")
            if kind not in ("login", "reg", "forget"):
                return reply(1, "unknown type"), "application/json"
            session = self.session(sid, create=True)
            with STATE.lock:
                session["vcode_" + kind] = STATE.vcode
                return gif_with_code(STATE.vcode), "image/gif"
        if path == "api/user":
            return self.user(form, sid), "application/json"
        if path == "api/sms":
            return self.sms(form, sid), "application/json"
        if path == "api/contact":
            return self.contact(query, form, text, sid), "application/json"
        if path == "api/feedback":
            with STATE.lock:
                STATE.feedback.append({"content": form.get("content", ""),
                                       "tel": form.get("tel", "")})
            return reply(0, "ok"), "application/json"
        if path == "api/version":
            with STATE.lock:
                return reply(0, "", dict(STATE.version)), "application/json"
        return reply(404, "no such endpoint"), "application/json"

    def user(self, form, sid):
        session = self.session(sid)
        cmd = form.get("cmd", "")
        with STATE.lock:
            if cmd == "login":
                code = session.pop("vcode_login", None)
                if code is None or form.get("v") != code:
                    return reply(-3, "验证码错误")
                account = form.get("pn", "")
                password = STATE.users.get(account)
                if password is None:
                    return reply(-5, "密码或帐号错误")
                if form.get("p") != md5_upper(md5_upper(account + password) + code):
                    return reply(-5, "密码或帐号错误")
                session["user"] = account
                return reply(0, "登录成功")
            if cmd == "reg":
                code = session.pop("vcode_reg", None)
                if code is None or form.get("v") != code:
                    return reply(-3, "验证码错误")
                account = form.get("pn", "")
                if account in STATE.users:
                    return reply(2, "该手机号已注册")
                STATE.users[account] = form.get("p", "")
                return reply(0, "注册成功")
            if cmd == "forget":
                pending = session.get("sms")
                if not pending or form.get("m") != pending["code"]:
                    return reply(1, "短信验证码错误")
                STATE.users[pending["account"]] = form.get("p", "")
                del session["sms"]
                return reply(0, "密码已重置")
        return reply(1, "unknown cmd")

    def sms(self, form, sid):
        session = self.session(sid)
        with STATE.lock:
            code = session.pop("vcode_forget", None)
            if code is None or form.get("v") != code:
                return reply(-3, "验证码错误")
            account = form.get("pn", "")
            if account not in STATE.users:
                return reply(1, "帐号不存在")
            session["sms"] = {"account": account, "code": STATE.sms}
            return reply(0, "短信已发送")

    def contact(self, query, form, text, sid):
        account = self.session(sid).get("user")
        if account is None:
            return reply(1, "请先登录")
        cmd = form.get("cmd") or query.get("cmd") or ""
        with STATE.lock:
            stored = STATE.contacts.setdefault(account, [])
            if cmd == "all":
                page = max(1, int(form.get("page") or 1))
                size = max(1, int(form.get("page_size") or 20))
                pages = math.ceil(len(stored) / size)
                items = [c["contact"] for c in stored[(page - 1) * size:page * size]]
                return reply(0, "", {"page": page, "page_size": size, "total": pages,
                                     "list": items})
            if cmd == "addRange":
                try:
                    items = json.loads(text)
                except ValueError:
                    return reply(3, "数据格式错误")
                if not isinstance(items, list):
                    return reply(3, "数据格式错误")
                day = time.strftime("%Y-%m-%d")
                stored.extend({"stored": day, "contact": item} for item in items)
                return reply(0, "ok")
            if cmd == "delRange":
                begin = form.get("begin", "")
                STATE.contacts[account] = [c for c in stored if c["stored"] < begin]
                return reply(0, "ok")
        return reply(1, "unknown cmd")

    # Control ----------------------------------------------------------------------------

    def control(self, what, text, query):
        try:
            body = json.loads(text) if text else {}
        except ValueError:
            return self.send(reply(1, "bad control body"), "application/json")
        with STATE.lock:
            if what == "state":
                result = STATE.dump()
            elif what == "reset":
                STATE.reset()
                result = {}
            elif what == "users":
                STATE.users.update(body)
                result = {}
            elif what == "contacts":
                STATE.contacts[body["account"]] = [
                    {"stored": body.get("stored", "2016-01-01"), "contact": c}
                    for c in body["contacts"]]
                result = {}
            elif what == "rules":
                STATE.rules.extend(body.get("rules", []))
                result = {}
            elif what == "config":
                for key in ("vcode", "sms", "gzip"):
                    if key in body:
                        setattr(STATE, key, body[key])
                if "version" in body:
                    STATE.version = body["version"]
                result = {}
            elif what == "release":
                for _ in range(int(body.get("count", 1))):
                    HELD.release()
                result = {}
            elif what == "clear-requests":
                STATE.requests = []
                result = {}
            else:
                result = None
        if result is None:
            return self.send(reply(1, "unknown control " + what), "application/json")
        self.send(json.dumps(result, ensure_ascii=False).encode("utf-8"), "application/json")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0, help="port to listen on (0: any free)")
    parser.add_argument("--gzip", action="store_true", help="compress every reply")
    parser.add_argument("--stall", metavar="PATH", action="append", default=[],
                        help="stall every request to PATH (e.g. api/version) for 60 s")
    args = parser.parse_args()
    STATE.gzip = args.gzip
    STATE.rules = [{"path": p, "action": "stall", "seconds": 60} for p in args.stall]

    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    print("PORT %d" % server.server_address[1], flush=True)

    def watch_stdin():
        sys.stdin.buffer.read()
        server.shutdown()

    threading.Thread(target=watch_stdin, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        STOP.set()
        server.server_close()


if __name__ == "__main__":
    sys.exit(main())
