#!/usr/bin/env python3
"""An independent model of the web folder selection and the project file build, written
from the description of the page and of the file format, for cross-checking the utility.

usage: web_reference.py FOLDER TEMPLATE OUTPUT.TAV

It changes FOLDER in place as the page does (copy of 707.html, renames, patched pages) and
writes the image. Conventions shared with the utility: folders are walked in the order of
their names upper-cased (ASCII), equal ones by their bytes; symbolic links and anything
that is not a file or a folder are skipped; a new name is taken when anything of that name
is in the folder; a rename walk that runs out keeps the file's name and index.
"""
import os
import sys

FREE, TAKEN, RESERVED = 0, 1, 2
LIMIT = 520192
SPECIAL = (b"707.html", b"707.htm", b"index.html", b"index.htm")
TYPES = {b".gif": b"image/gif", b".htm": b"text/html", b".html": b"text/html", b".jpg": b"image/jpeg",
         b".jpe": b"image/jpeg", b".jpeg": b"image/jpeg", b".bmp": b"image/bmp",
         b".jar": b"application/java-archive", b".class": b"application/octet-stream",
         b".txt": b"text/plain", b".swf": b"image/flash"}


def ext_dot(name):
    i = name.rfind(b".")
    return name if i < 0 else name[i:]


def ext_after(name):
    i = name.rfind(b".")
    return name if i < 0 else name[i + 1:]


def upper(b):
    return bytes(c - 32 if 97 <= c <= 122 else c for c in b)


def lower(b):
    return bytes(c + 32 if 65 <= c <= 90 else c for c in b)


def listing(folder):
    names = sorted(os.listdir(folder), key=lambda n: (upper(n), n))
    out = []
    for n in names:
        p = os.path.join(folder, n)
        if os.path.islink(p):
            continue
        if os.path.isdir(p):
            out.append((n, "dir"))
        elif os.path.isfile(p):
            out.append((n, "file"))
    return out


class Selection:
    def __init__(self, root):
        self.root = root
        self.slots = [FREE] * 256
        self.rows = []  # full paths

    def url(self, path):
        return b"/" + os.path.relpath(path, self.root)

    def index(self, path):
        return sum(self.url(path)) % 256

    def walk(self, folder, on_file):
        for name, kind in listing(folder):
            p = os.path.join(folder, name)
            if kind == "dir":
                self.walk(p, on_file)
            else:
                on_file(folder, name)

    def reserve(self):
        def f(folder, name):
            if ext_after(name) in (b"jar", b"class") or name in SPECIAL:
                i = self.index(os.path.join(folder, name))
                if self.slots[i] == FREE:
                    self.slots[i] = RESERVED
        self.walk(self.root, f)

    def next_free(self, i):
        for step in range(1, 257):
            s = (i + step) % 256
            if self.slots[s] == FREE:
                return s
        return None

    def prev_free(self, i):
        for s in range(i - 1, 0, -1):
            if s != 170 and self.slots[s] == FREE:
                return s
        return None

    def shift(self, name, start, i, t):
        d = (t - i) % 256
        if d == 0:
            return None
        for p in range(start, -1, -1):
            c = (name[p] + d) % 256
            if chr(c).isascii() and chr(c).isalnum():
                name[p] = c
                return p
        return None

    def patch(self, old, new):
        def f(folder, name):
            if ext_after(name) not in (b"htm", b"html"):
                return
            p = os.path.join(folder, name)
            data = open(p, "rb").read()
            if old in data:
                open(p, "r+b").write(data.replace(old, new))
        self.walk(self.root, f)

    def collide(self, folder, name, i):
        dot = name.find(b".")
        if dot <= 0:
            return name, i
        new = bytearray(name)
        pos, cur = None, i
        t = self.next_free(cur)
        if t is not None:
            pos = self.shift(new, dot - 1, cur, t)
            if pos is not None:
                cur = t
        if pos is None:
            t = self.prev_free(cur)
            if t is not None:
                pos = self.shift(new, dot - 1, cur, t)
                if pos is not None:
                    cur = t
        if pos is None:
            return name, i
        while os.path.lexists(os.path.join(folder, bytes(new))):
            t = self.next_free(cur)
            p2 = None if t is None else self.shift(new, pos - 1, cur, t)
            if p2 is None:
                return name, i
            pos, cur = p2, t
        new = bytes(new)
        os.rename(os.path.join(folder, name), os.path.join(folder, new))
        self.slots[cur] = TAKEN
        self.patch(name, new)
        return new, cur

    def scan(self):
        def f(folder, name):
            i = self.index(os.path.join(folder, name))
            special = lower(name) in SPECIAL or lower(ext_dot(name)) in (b".jar", b".class")
            if self.slots[i] == RESERVED and special:
                self.slots[i] = FREE
            if self.slots[i] == FREE:
                self.slots[i] = TAKEN
            else:
                name, i = self.collide(folder, name, i)
            if lower(ext_dot(name)) != b".bak":
                self.rows.append(os.path.join(folder, name))
        self.walk(self.root, f)


def header(length, ctype):
    return (b"HTTP/1.1 200 OK\r\nContent-Length: " + str(length).encode() + b"\r\nServer: KV Web Server\r\n"
            b"Content-Type: " + ctype + b"\r\nConnection: close\r\n\r\n")


def compose(root, rows):
    table = [0] * 256
    used = [False] * 256
    default = 0
    records = []
    offset = 1024
    for path in rows:
        body = open(path, "rb").read()
        name = os.path.basename(path)
        ctype = TYPES.get(lower(ext_dot(name)), b"unknown") if b"." in name else b"unknown"
        response = header(len(body), ctype) + body
        records.append(len(response).to_bytes(4, "big") + (1 if ctype == b"text/html" else 0).to_bytes(2, "big")
                       + response)
        i = sum(b"/" + os.path.relpath(path, root)) % 256
        table[i] = offset
        used[i] = True
        if name == b"707.html":
            default = offset
        offset += 6 + len(response)
    table = [t if used[k] else default for k, t in enumerate(table)]
    return b"".join(t.to_bytes(4, "big") for t in table) + b"".join(records)


def main():
    root, template, output = (os.fsencode(a) for a in sys.argv[1:4])
    root = os.path.abspath(root)
    if not os.path.lexists(os.path.join(root, b"707.html")):
        open(os.path.join(root, b"707.html"), "wb").write(open(template, "rb").read())
    sel = Selection(root)
    sel.reserve()
    sel.scan()
    total = sum(os.path.getsize(p) for p in sel.rows)
    if total > LIMIT or len(sel.rows) > 256:
        print("refused", file=sys.stderr)
        return 1
    open(output, "wb").write(compose(root, sel.rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
