#!/usr/bin/env python3
"""Writes the hostile archives of the descriptor JAR tests into hostile/.

Each is one small, good archive (a manifest, a stored "a.txt" and a deflated
"b.txt") with one field spoiled. The files are committed; rerun this script
only to change them. The tests hold what each must give.
"""
import io
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
MANIFEST = b"Manifest-Version: 1.0\r\nMIDlet-Name: Hostile\r\n"
STORED = b"hello, stored\n"
DEFLATED = b"deflated text, deflated text, deflated text\n" * 4


def good():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(zipfile.ZipInfo("META-INF/MANIFEST.MF"), MANIFEST, zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo("a.txt"), STORED, zipfile.ZIP_STORED)
        z.writestr(zipfile.ZipInfo("b.txt"), DEFLATED, zipfile.ZIP_DEFLATED)
    return bytearray(out.getvalue())


def central(data, name):
    """Offset of the central header of an entry."""
    end = data.rindex(b"PK\x05\x06")
    size, offset = struct.unpack_from("<II", data, end + 12)
    at = offset
    while at < offset + size:
        n, e, c = struct.unpack_from("<HHH", data, at + 28)
        if data[at + 46:at + 46 + n] == name:
            return at
        at += 46 + n + e + c
    raise KeyError(name)


def patched(field_at, fmt, value):
    data = good()
    struct.pack_into(fmt, data, field_at(data), value)
    return data


def main():
    end = lambda d: d.rindex(b"PK\x05\x06")
    a = lambda off: (lambda d: central(d, b"a.txt") + off)
    b = lambda off: (lambda d: central(d, b"b.txt") + off)
    cases = {
        # the directory's size reaches before the archive's first byte
        "dir-size-past.zip": (lambda d: end(d) + 12, "<I", 0x10000),
        # the directory's offset puts the archive start below zero
        "dir-offset-past.zip": (lambda d: end(d) + 16, "<I", 0x10000),
        # the first central header's name runs past the directory
        "name-past-directory.zip": (lambda d: central(d, b"META-INF/MANIFEST.MF") + 28, "<H", 0xFFFF),
        "local-offset-past.zip": (a(42), "<I", 0x7FFFFFF0),
        "data-past-directory.zip": (b(20), "<I", 0x1000),
        "stored-sizes.zip": (a(24), "<I", len(STORED) + 1),
        "method12.zip": (a(10), "<H", 12),
        "bad-crc.zip": (a(16), "<I", zipfile.crc32(STORED) ^ 1),
        "inflates-short.zip": (b(24), "<I", len(DEFLATED) + 10),
    }
    os.makedirs(f"{HERE}/hostile", exist_ok=True)
    for name, (at, fmt, value) in cases.items():
        with open(f"{HERE}/hostile/{name}", "wb") as f:
            f.write(patched(at, fmt, value))
    with open(f"{HERE}/hostile/good.zip", "wb") as f:
        f.write(good())


if __name__ == "__main__":
    main()
