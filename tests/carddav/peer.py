#!/usr/bin/env python3
"""A second CardDAV client for the tests: writes to the address book behind the program's
back and reads what the program wrote, with vobject.

peer.py BOOK_URL USER PASSWORD COMMAND ...
  put NAME            the card on standard input to BOOK_URL/NAME
  edit NAME FIELD=VALUE ...   changes the card (fn, note, tel: replaces the first number,
                      addtel) and writes it back with If-Match
  delete NAME
  count               how many cards the book holds
  find FN             prints the names and numbers of the card named FN ("none" when none)
  same NAME FILE      exits 0 when the card's PHOTO, BDAY, X- properties and numbers equal
                      those of the card in FILE, else prints the first difference
"""
import base64
import sys
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

import vobject


def request(method, url, user, password, body=None, headers=None):
    req = urllib.request.Request(url, data=body, method=method)
    token = base64.b64encode(f"{user}:{password}".encode()).decode()
    req.add_header("Authorization", "Basic " + token)
    for key, value in (headers or {}).items():
        req.add_header(key, value)
    try:
        with urllib.request.urlopen(req, timeout=600) as reply:
            return reply.status, reply.read(), reply.headers
    except urllib.error.HTTPError as error:
        return error.code, error.read(), error.headers


def cards(book, user, password):
    body = (b'<?xml version="1.0"?><d:propfind xmlns:d="DAV:"><d:prop><d:getetag/>'
            b'</d:prop></d:propfind>')
    status, data, _ = request("PROPFIND", book, user, password, body, {"Depth": "1"})
    assert status == 207, status
    hrefs = [e.text for e in ET.fromstring(data).iter("{DAV:}href")]
    return [h for h in hrefs if h.endswith(".vcf")]


def read(url, user, password):
    status, data, headers = request("GET", url, user, password)
    assert status == 200, (status, url)
    return vobject.readOne(data.decode()), headers.get("ETag")


def main():
    book, user, password, command = sys.argv[1:5]
    args = sys.argv[5:]
    book = book.rstrip("/") + "/"
    if command == "put":
        status, _, _ = request("PUT", book + args[0], user, password, sys.stdin.buffer.read(),
                               {"Content-Type": "text/vcard"})
        print(status)
        return 0 if status in (201, 204) else 1
    if command == "delete":
        status, _, _ = request("DELETE", book + args[0], user, password)
        print(status)
        return 0 if status in (200, 204) else 1
    if command == "count":
        print(len(cards(book, user, password)))
        return 0
    if command == "edit":
        card, etag = read(book + args[0], user, password)
        for change in args[1:]:
            field, value = change.split("=", 1)
            if field == "fn":
                card.fn.value = value
            elif field == "note":
                if not hasattr(card, "note"):
                    card.add("note")
                card.note.value = value
            elif field == "tel":
                card.tel.value = value
            elif field == "addtel":
                card.add("tel").value = value
        status, _, _ = request("PUT", book + args[0], user, password,
                               card.serialize().encode(),
                               {"Content-Type": "text/vcard", "If-Match": etag})
        print(status)
        return 0 if status in (201, 204) else 1
    if command == "find":
        base = book[:book.index("/", 8)]
        for href in cards(book, user, password):
            card, _ = read(base + href, user, password)
            if card.fn.value == args[0]:
                numbers = sorted(t.value for t in card.contents.get("tel", []))
                notes = [n.value for n in card.contents.get("note", [])]
                print("|".join([card.fn.value] + numbers + ["note:" + "/".join(notes)]))
                return 0
        print("none")
        return 0
    if command == "same":
        card, _ = read(book + args[0], user, password)
        with open(args[1], encoding="utf-8") as file:
            original = vobject.readOne(file.read())
        for name in sorted(original.contents):
            if name in ("photo", "bday", "tel") or name.startswith("x-"):
                want = sorted(repr((p.value, sorted(p.params.items())))
                              for p in original.contents[name])
                got = sorted(repr((p.value, sorted(p.params.items())))
                             for p in card.contents.get(name, []))
                if want != got:
                    print(f"{name}: {got} instead of {want}"[:400])
                    return 1
        print("same")
        return 0
    print("unknown command", command, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
