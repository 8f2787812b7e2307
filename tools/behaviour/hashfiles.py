#!/usr/bin/env python3
"""Hash the files a velmoracmd run wrote, raw and normalised.

Usage: hashfiles.py WORKDIR BEFORE_LIST START END [INPUT...]

WORKDIR      the case's work folder; every file below it is considered
BEFORE_LIST  a file listing "relpath<TAB>sha256" of what was there before the run
             (files that are unchanged are not reported)
START, END   the run's wall-clock window, seconds since the epoch (decimals allowed)
INPUT        input files of the run; IDs that already occur in them are not blanked

Prints one line per new or changed file, sorted by path:
    relpath  size  mode  raw_sha256  normalised_sha256  mtime_class  mtime_raw
(tab-separated) and "relpath - - deleted deleted - -" for a file that disappeared.

Normalisation only ever overwrites bytes in place with placeholders of the same length,
so offsets inside the file stay valid and the size is unchanged. What is blanked:
  * TIFF tag 306 (DateTime) in any IFD, when it holds a time inside the run's window;
  * inside the XMP packet (tag 700): ISO date-times inside the run's window, and
    uuid-like / 32-hex-digit IDs that do not occur in the inputs (new document and
    instance IDs).
With HASH_BLANK_PIXELS=1 in the environment the pixel data (the regions tags 273/279 and
324/325 point at) is zeroed too, for runs whose pixels the program does not make
reproducibly; such rows get an eighth column, "pixels-blanked".
mtime_class is "now" when the modification time lies inside the run's window (the
program left the time of writing), else the integer seconds.
"""
import datetime as dt
import hashlib
import math
import os
import re
import struct
import sys

SLACK = 2  # seconds of tolerance around the run's window

UUID_RE = re.compile(rb"(?<![0-9A-Fa-f])(?:[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-"
                     rb"[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}|[0-9A-Fa-f]{32})(?![0-9A-Fa-f])")
ISO_RE = re.compile(rb"\d{4}-\d{2}-\d{2}T\d{2}:\d{2}(?::\d{2}(?:\.\d+)?)?(?:Z|[+-]\d{2}:\d{2})?")
EXIF_DT_RE = re.compile(rb"^(\d{4}):(\d{2}):(\d{2}) (\d{2}):(\d{2}):(\d{2})")


def in_window(ts, lo, hi):
    return ts is not None and math.floor(lo) - SLACK <= ts <= math.ceil(hi) + SLACK


def iso_epoch(raw):
    try:
        text = raw.decode("ascii").replace("Z", "+00:00")
        value = dt.datetime.fromisoformat(text)
        if value.tzinfo is None:
            value = value.astimezone()  # local time, as the program writes it
        return value.timestamp()
    except Exception:
        return None


def exif_epoch(raw):
    m = EXIF_DT_RE.match(raw)
    if not m:
        return None
    try:
        return dt.datetime(*map(int, m.groups())).astimezone().timestamp()
    except Exception:
        return None


class Tiff:
    def __init__(self, data):
        self.data = data
        order = bytes(data[:2])
        if order == b"II":
            self.e = "<"
        elif order == b"MM":
            self.e = ">"
        else:
            raise ValueError("not a TIFF")
        magic = self.u16(2)
        if magic == 42:
            self.big = False
            self.first = self.u32(4)
        elif magic == 43:
            self.big = True
            self.first = self.u64(8)
        else:
            raise ValueError("not a TIFF")

    def u16(self, off):
        return struct.unpack_from(self.e + "H", self.data, off)[0]

    def u32(self, off):
        return struct.unpack_from(self.e + "I", self.data, off)[0]

    def u64(self, off):
        return struct.unpack_from(self.e + "Q", self.data, off)[0]

    SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 6: 1, 7: 1, 8: 2, 9: 4, 10: 8, 11: 4, 12: 8,
             13: 4, 16: 8, 17: 8, 18: 8}

    def entries(self, ifd):
        """Yields (tag, type, count, value_offset) for one IFD, and the next IFD offset last."""
        n = self.u64(ifd) if self.big else self.u16(ifd)
        pos = ifd + (8 if self.big else 2)
        esize = 20 if self.big else 12
        inline = 8 if self.big else 4
        out = []
        for i in range(n):
            e = pos + i * esize
            tag, typ = self.u16(e), self.u16(e + 2)
            count = self.u64(e + 4) if self.big else self.u32(e + 4)
            length = self.SIZES.get(typ, 1) * count
            field = e + (12 if self.big else 8)
            if length <= inline:
                voff = field
            else:
                voff = self.u64(field) if self.big else self.u32(field)
            out.append((tag, typ, count, voff, length, field))
        nxt_pos = pos + n * esize
        nxt = self.u64(nxt_pos) if self.big else self.u32(nxt_pos)
        return out, nxt

    def values(self, entry):
        """The numbers of a SHORT, LONG or LONG8 entry."""
        tag, typ, count, voff, length, field = entry
        fmt = {3: "H", 4: "I", 16: "Q"}.get(typ)
        if fmt is None or voff + length > len(self.data):
            return []
        return list(struct.unpack_from(self.e + fmt * count, self.data, voff))

    def walk(self):
        """All IFDs: the main chain plus SubIFDs (330), EXIF (34665), GPS (34853)."""
        seen, todo, found = set(), [self.first], []
        while todo:
            ifd = todo.pop(0)
            if ifd == 0 or ifd in seen or ifd + 2 > len(self.data) or len(seen) > 256:
                continue
            seen.add(ifd)
            entries, nxt = self.entries(ifd)
            found.append(entries)
            todo.append(nxt)
            for tag, typ, count, voff, length, field in entries:
                if tag in (330, 34665, 34853):
                    width = 8 if typ in (16, 17, 18) else 4
                    for k in range(min(count, 64)):
                        o = voff + k * width
                        if o + width <= len(self.data):
                            todo.append(self.u64(o) if width == 8 else self.u32(o))
        return found


def blank(buf, start, end, ch=b"#"):
    buf[start:end] = ch * (end - start)


def normalise(data, lo, hi, known_ids, blank_pixels=False):
    buf = bytearray(data)
    try:
        tiff = Tiff(buf)
        ifds = tiff.walk()
    except Exception:
        return bytes(buf)
    xmp_ranges = []
    for entries in ifds:
        if blank_pixels:
            by_tag = {e[0]: e for e in entries}
            for off_tag, len_tag in ((273, 279), (324, 325)):
                if off_tag in by_tag and len_tag in by_tag:
                    offsets, lengths = tiff.values(by_tag[off_tag]), tiff.values(by_tag[len_tag])
                    for o, n in zip(offsets, lengths):
                        if 0 < o and o + n <= len(buf):
                            blank(buf, o, o + n, b"\0")
        for tag, typ, count, voff, length, field in entries:
            if voff + length > len(buf):
                continue
            if tag == 306:
                if in_window(exif_epoch(bytes(buf[voff:voff + length])), lo, hi):
                    blank(buf, voff, voff + 19)
            elif tag == 700:
                xmp_ranges.append((voff, voff + length))
    for a, b in xmp_ranges:
        packet = bytes(buf[a:b])
        for m in ISO_RE.finditer(packet):
            if in_window(iso_epoch(m.group(0)), lo, hi):
                blank(buf, a + m.start(), a + m.end())
        for m in UUID_RE.finditer(packet):
            if m.group(0).lower() not in known_ids:
                blank(buf, a + m.start(), a + m.end(), b"x")
    return bytes(buf)


def sha(data):
    return hashlib.sha256(data).hexdigest()


def main():
    work, before_list, lo, hi = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
    blank_pixels = os.environ.get("HASH_BLANK_PIXELS") == "1"
    known_ids = set()
    for path in sys.argv[5:]:
        try:
            with open(path, "rb") as f:
                known_ids.update(m.group(0).lower() for m in UUID_RE.finditer(f.read()))
        except OSError:
            pass
    before = {}
    with open(before_list, encoding="utf-8", errors="surrogateescape") as f:
        for line in f:
            rel, _, digest = line.rstrip("\n").partition("\t")
            before[rel] = digest
    now = {}
    for root, dirs, files in os.walk(work):
        dirs.sort()
        for name in files:
            full = os.path.join(root, name)
            now[os.path.relpath(full, work)] = full
    rows = []
    for rel in sorted(set(now) | set(before)):
        if rel not in now:
            rows.append("\t".join([rel, "-", "-", "deleted", "deleted", "-", "-"]))
            continue
        full = now[rel]
        if os.path.islink(full):
            rows.append("\t".join([rel, "-", "-", "link:" + os.readlink(full), "link", "-", "-"]))
            continue
        with open(full, "rb") as f:
            data = f.read()
        raw = sha(data)
        if before.get(rel) == raw:
            continue
        norm = sha(normalise(data, lo, hi, known_ids, blank_pixels))
        st = os.stat(full)
        mtime = st.st_mtime
        mclass = "now" if in_window(mtime, lo, hi) else str(int(mtime))
        rows.append("\t".join([rel, str(len(data)), "%04o" % (st.st_mode & 0o7777), raw, norm,
                               mclass, str(int(mtime))] + (["pixels-blanked"] if blank_pixels else [])))
    sys.stdout.write("".join(r + "\n" for r in rows))


if __name__ == "__main__":
    if len(sys.argv) >= 2 and sys.argv[1] == "--list":
        # hashfiles.py --list WORKDIR: "relpath<TAB>sha256" of every file, for BEFORE_LIST
        out = []
        for root, dirs, files in os.walk(sys.argv[2]):
            dirs.sort()
            for name in sorted(files):
                full = os.path.join(root, name)
                try:
                    with open(full, "rb") as f:
                        out.append(os.path.relpath(full, sys.argv[2]) + "\t" + sha(f.read()))
                except OSError:
                    pass
        sys.stdout.write("".join(r + "\n" for r in sorted(out)))
    else:
        main()
