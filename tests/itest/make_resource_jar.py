#!/usr/bin/env python3
"""Writes the resource archive of tests.CoreNatives: tests/pattern.bin, 70,000
bytes where byte i is (31 * i + (i >> 8)) & 0xFF, deflated, and
tests/empty.bin, stored and empty. Fixed times and order, so the archive is
the same bytes on every machine."""
import sys
import zipfile

PATTERN_BYTES = 70000


def pattern():
    return bytes((31 * i + (i >> 8)) & 0xFF for i in range(PATTERN_BYTES))


def main():
    with zipfile.ZipFile(sys.argv[1], "w") as jar:
        for name, data, method in (("tests/pattern.bin", pattern(), zipfile.ZIP_DEFLATED),
                                   ("tests/empty.bin", b"", zipfile.ZIP_STORED)):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = method
            info.external_attr = 0o644 << 16
            jar.writestr(info, data)


if __name__ == "__main__":
    main()
