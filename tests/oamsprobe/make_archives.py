#!/usr/bin/env python3
"""Writes the archive corpus of the oamsprobe tests into OUT.

OUT/archives/       the archives, made by zip: stored (-0), deflated (-9), with a
                    100-byte comment, with data prepended before the first local
                    header, with a mixed-case "Meta-Inf/Manifest.MF", and a file
                    shorter than an end record
OUT/expected/       for every entry, what `unzip -p ARCHIVE ENTRY` printed, and
                    for every archive what `unzip -Z1 ARCHIVE` printed
OUT/cases.json      [{"archive", "listing", "entries": [{"name", "expected"}]}]
"""
import json
import os
import random
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from fixed_archives import zip_tree  # noqa: E402


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def source_tree(root, manifest_dir, manifest_name):
    rng = random.Random(25)
    write(f"{root}/{manifest_dir}/{manifest_name}",
          b"Manifest-Version: 1.0\r\nMIDlet-Name: Probe Game\r\nMIDlet-Vendor: Vostel\r\n"
          b"MIDlet-Version: 1.0\r\nMIDlet-1: Probe, /icons/probe.png, probe.Main\r\n"
          b"MIDlet-Description: a description long enough to need a continuation lin\r\n"
          b" e in the manifest\r\n")
    write(f"{root}/probe/Main.class", bytes.fromhex("cafebabe0000002e") + bytes(rng.getrandbits(8) for _ in range(900)))
    write(f"{root}/icons/probe.png", b"\x89PNG\r\n\x1a\n" + bytes(rng.getrandbits(8) for _ in range(300)))
    words = [b"MIDlet ", b"suite ", b"descriptor ", b"entry ", b"\n", b"0123456789 "]
    write(f"{root}/readme.txt", b"".join(rng.choice(words) for _ in range(20000)))
    write(f"{root}/runs.bin", b"".join(bytes([rng.getrandbits(8)]) * rng.randint(1, 400) for _ in range(300)))
    write(f"{root}/empty.txt", b"")


def with_comment(data, comment):
    end = data.rindex(b"PK\x05\x06")
    out = bytearray(data[:end + 22])
    struct.pack_into("<H", out, end + 20, len(comment))
    return bytes(out) + comment


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    work = f"{out}/work"
    arc = f"{out}/archives"
    os.makedirs(arc)
    source_tree(f"{work}/upper", "META-INF", "MANIFEST.MF")
    source_tree(f"{work}/mixed", "Meta-Inf", "Manifest.MF")
    zip_tree(f"{work}/upper", f"{arc}/stored.jar", 0)
    zip_tree(f"{work}/upper", f"{arc}/deflated.jar", 9)
    zip_tree(f"{work}/mixed", f"{arc}/mixed-case.jar", 6)
    with open(f"{arc}/deflated.jar", "rb") as f:
        deflated = f.read()
    write(f"{arc}/comment.jar", with_comment(deflated, bytes(random.Random(1).choice(b"abcdef ") for _ in range(100))))
    write(f"{arc}/prefixed.jar", bytes(random.Random(2).getrandbits(8) for _ in range(1000)) + deflated)
    write(f"{arc}/short.jar", b"PK\x05\x06" + bytes(17))
    shutil.rmtree(work)

    cases = []
    for name in ("stored.jar", "deflated.jar", "mixed-case.jar", "comment.jar", "prefixed.jar"):
        # unzip warns about prepended data (exit 1) but reads it; the listing
        # and the bytes are those of the archive it came from.
        source = f"{arc}/deflated.jar" if name == "prefixed.jar" else f"{arc}/{name}"
        listing = subprocess.run(["unzip", "-Z1", source], check=True, stdout=subprocess.PIPE).stdout
        write(f"{out}/expected/{name}.list", listing)
        entries = []
        for i, entry in enumerate(listing.decode().splitlines()):
            data = subprocess.run(["unzip", "-p", source, entry], check=True, stdout=subprocess.PIPE).stdout
            expected = f"{out}/expected/{name}.{i}"
            write(expected, data)
            entries.append({"name": entry, "expected": expected})
        cases.append({"archive": f"{arc}/{name}", "listing": f"{out}/expected/{name}.list", "entries": entries})
    with open(f"{out}/cases.json", "w") as f:
        json.dump(cases, f, indent=1)


if __name__ == "__main__":
    main()
