#!/usr/bin/env python3
"""What wixl and msitools cannot do for the package (packaging/msi.sh).

  msifix.py summary MSI                        prints the summary's code page
                                               and texts
  msifix.py summary MSI CODEPAGE NAME=TEXT...  writes the code page and the
                                               texts (NAME: title, subject,
                                               author, keywords, comments),
                                               encoded in that code page
  msifix.py version EXE                        prints the fixed file version
                                               of a program (a.b.c.d)

wixl writes the summary's texts as UTF-8 and msibuild cannot write them in
another code page, while Windows reads them in the summary's own code page.
The package is a compound file; its summary is one stream, rewritten here
through the sectors it already has (or, when it grows, appended ones).
"""
import struct
import sys

FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
NAMES = {"title": 2, "subject": 3, "author": 4, "keywords": 5, "comments": 6}
VT_I2, VT_I4, VT_LPSTR, VT_FILETIME = 2, 3, 30, 64
STREAM = "\x05SummaryInformation"


class Compound:
    def __init__(self, path):
        self.path = path
        self.data = bytearray(open(path, "rb").read())
        h = self.data
        if h[:8] != bytes.fromhex("d0cf11e0a1b11ae1"):
            raise SystemExit("msifix.py: %s is no compound file" % path)
        self.ssize = 1 << struct.unpack_from("<H", h, 30)[0]
        self.mini = 1 << struct.unpack_from("<H", h, 32)[0]
        nfat, self.dir0, = struct.unpack_from("<II", h, 44)[0:1] + struct.unpack_from("<I", h, 48)
        self.cutoff, self.minifat0, _, difat0, ndifat = struct.unpack_from("<IIIII", h, 56)
        fat_sectors = list(struct.unpack_from("<109I", h, 76))[:nfat]
        s = difat0
        while len(fat_sectors) < nfat and s not in (END, FREE):
            n = self.ssize // 4 - 1
            fat_sectors += struct.unpack_from("<%dI" % n, self.data, self.off(s))
            s = struct.unpack_from("<I", self.data, self.off(s) + n * 4)[0]
        self.fat_sectors = fat_sectors[:nfat]
        self.fat = []
        for fs in self.fat_sectors:
            self.fat += struct.unpack_from("<%dI" % (self.ssize // 4), self.data, self.off(fs))
        self.minifat = []
        for s in self.chain(self.minifat0):
            self.minifat += struct.unpack_from("<%dI" % (self.ssize // 4), self.data, self.off(s))
        self.entries = []
        for s in self.chain(self.dir0):
            for i in range(self.ssize // 128):
                self.entries.append(self.off(s) + i * 128)
        self.root_start = struct.unpack_from("<I", self.data, self.entries[0] + 116)[0]
        self.root_sectors = self.chain(self.root_start)

    def off(self, sector):
        return (sector + 1) * self.ssize

    def chain(self, start, table=None):
        table = self.fat if table is None else table
        out = []
        while start not in (END, FREE) and start < len(table) and len(out) <= len(table):
            out.append(start)
            start = table[start]
        return out

    def entry(self, name):
        for e in self.entries:
            n = struct.unpack_from("<H", self.data, e + 64)[0]
            if n >= 2 and self.data[e:e + n - 2].decode("utf-16-le") == name:
                return e
        raise SystemExit("msifix.py: no stream %r" % name)

    def places(self, e):
        """The file offsets of the stream's bytes, one per unit (sector or mini sector)."""
        start, size = struct.unpack_from("<IQ", self.data, e + 116)
        size &= 0xFFFFFFFF
        if size < self.cutoff:
            per = self.ssize // self.mini
            return [self.off(self.root_sectors[m // per]) + (m % per) * self.mini
                    for m in self.chain(start, self.minifat)], self.mini, size
        return [self.off(s) for s in self.chain(start)], self.ssize, size

    def read(self, name):
        places, unit, size = self.places(self.entry(name))
        return bytes(b"".join(self.data[p:p + unit] for p in places)[:size])

    def write_same_units(self, name, stream):
        e = self.entry(name)
        places, unit, _ = self.places(e)
        if len(stream) > len(places) * unit:
            raise SystemExit("msifix.py: the new summary does not fit its sectors")
        size = len(stream)
        stream = stream + b"\0" * (len(places) * unit - size)
        for i, p in enumerate(places):
            self.data[p:p + unit] = stream[i * unit:(i + 1) * unit]
        struct.pack_into("<Q", self.data, e + 120, size)
        open(self.path, "wb").write(self.data)


def parse(stream):
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    props = {}
    for i in range(count):
        pid, off = struct.unpack_from("<II", stream, section + 8 + i * 8)
        at = section + off
        vt = struct.unpack_from("<I", stream, at)[0]
        if vt == VT_I2:
            props[pid] = (vt, struct.unpack_from("<h", stream, at + 4)[0])
        elif vt == VT_I4:
            props[pid] = (vt, struct.unpack_from("<i", stream, at + 4)[0])
        elif vt == VT_LPSTR:
            n = struct.unpack_from("<I", stream, at + 4)[0]
            props[pid] = (vt, bytes(stream[at + 8:at + 8 + n]).split(b"\0")[0])
        elif vt == VT_FILETIME:
            props[pid] = (vt, bytes(stream[at + 4:at + 12]))
        else:
            raise SystemExit("msifix.py: property %d of type %d not known" % (pid, vt))
    return stream[:section], props


def build(head, props):
    body = b""
    table = b""
    offset = 8 + 8 * len(props)
    for pid in sorted(props):
        vt, v = props[pid]
        if vt == VT_I2:
            value = struct.pack("<Ihh", vt, v, 0)
        elif vt == VT_I4:
            value = struct.pack("<Ii", vt, v)
        elif vt == VT_LPSTR:
            s = v + b"\0"
            s += b"\0" * (-len(s) % 4)
            value = struct.pack("<II", vt, len(s)) + s
        else:
            value = struct.pack("<I", vt) + v
        table += struct.pack("<II", pid, offset + len(body))
        body += value
    section = table + body
    return bytes(head) + struct.pack("<II", 8 + len(section), len(props)) + section


def file_version(path):
    data = open(path, "rb").read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        raise SystemExit("msifix.py: %s has no version resource" % path)
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def main(argv):
    if len(argv) == 3 and argv[1] == "version":
        print(file_version(argv[2]))
        return 0
    if len(argv) < 3 or argv[1] != "summary":
        raise SystemExit(__doc__)
    argv = argv[1:]
    c = Compound(argv[1])
    head, props = parse(c.read(STREAM))
    if len(argv) == 2:
        codepage = props.get(1, (VT_I2, 0))[1] & 0xFFFF
        print("Codepage: %d" % codepage)
        enc = "cp%d" % codepage if codepage else "latin-1"
        for name, pid in NAMES.items():
            if pid in props:
                print("%s: %s" % (name.capitalize(), props[pid][1].decode(enc)))
        return 0
    codepage = int(argv[2])
    props[1] = (VT_I2, codepage if codepage < 0x8000 else codepage - 0x10000)
    for arg in argv[3:]:
        name, _, value = arg.partition("=")
        props[NAMES[name.lower()]] = (VT_LPSTR, value.encode("cp%d" % codepage))
    c.write_same_units(STREAM, build(head, props))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
