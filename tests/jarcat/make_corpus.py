#!/usr/bin/env python3
"""Writes the archive corpus of the jarcat tests into OUT.

OUT/archives/   the archives (made by zip, Python's zipfile and the JDK's jar)
OUT/expected/   for every entry, what `unzip -p ARCHIVE ENTRY` printed
OUT/cases.json  [{"archive", "entry", "expected"}], one per entry
OUT/broken/     archives made unreadable one way each (the failure table)
OUT/fuzz/       the small archives, as seeds of the archive fuzzer
"""
import io
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from fixed_archives import jar_tree, tree_paths, writestr, zip_tree  # noqa: E402


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def source_tree(root):
    """Files of every shape: text, binary, empty, large, nested."""
    rng = random.Random(5)
    words = [b"class ", b"java/lang/Object ", b"MIDlet-Name: ", b"return ", b"{ ", b"} ", b"\n"]
    write(f"{root}/readme.txt", b"".join(rng.choice(words) for _ in range(3000)))
    write(f"{root}/empty.txt", b"")
    write(f"{root}/data.bin", bytes(rng.getrandbits(8) for _ in range(5000)))
    write(f"{root}/runs.bin", b"".join(bytes([rng.getrandbits(8)]) * rng.randint(1, 300) for _ in range(200)))
    write(f"{root}/a/b/c/deep.txt", b"nested directories\n" * 40)
    write(f"{root}/a/b/Main.class", bytes.fromhex("cafebabe00000030") + bytes(rng.getrandbits(8) for _ in range(700)))


class Unseekable(io.RawIOBase):
    """A write-only stream without tell/seek: zipfile then writes data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def big_entry():
    rng = random.Random(9)
    return bytes(rng.getrandbits(8) for _ in range(1 << 16)) * 32  # 2 MiB


def python_archives(src, out):
    tree_paths(src)  # the files' times, which z.write stores
    files = []
    for dirpath, _, names in os.walk(src):
        for n in sorted(names):
            full = os.path.join(dirpath, n)
            files.append((os.path.relpath(full, src), full))
    files.sort()
    for name, method in (("py-stored.zip", zipfile.ZIP_STORED), ("py-deflated.zip", zipfile.ZIP_DEFLATED)):
        with zipfile.ZipFile(f"{out}/{name}", "w", method) as z:
            for arc, full in files:
                z.write(full, arc)
    stream = Unseekable()
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as z:
        for arc, full in files:
            with open(full, "rb") as f:
                writestr(z, arc, f.read())
        writestr(z, "big.bin", big_entry())
    write(f"{out}/py-streamed.zip", bytes(stream.data))
    # Long names: 255 and 256 bytes, the longest that are compared.
    with zipfile.ZipFile(f"{out}/long-names.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for n in (255, 256):
            writestr(z, "n/" + "x" * (n - 6) + ".txt", b"a name of %d bytes\n" % n)
        writestr(z, "empty", b"")
    # A comment of 65535 bytes.
    with zipfile.ZipFile(f"{out}/comment.zip", "w", zipfile.ZIP_DEFLATED) as z:
        writestr(z, "inside.txt", b"behind a long comment\n" * 20)
        z.comment = b"c" * 65535
    # 1000 bytes of junk in front of an archive (its offsets left as they are).
    with open(f"{out}/py-deflated.zip", "rb") as f:
        write(f"{out}/junk-prefix.zip", bytes(random.Random(7).getrandbits(8) for _ in range(1000)) + f.read())


def tool_archives(src, out):
    for level in range(10):
        zip_tree(src, f"{out}/zip-{level}.zip", level)
    jar_tree(src, f"{out}/jdk.jar")
    write(f"{src}/../big/big.bin", big_entry())
    zip_tree(f"{src}/../big", f"{out}/zip-big.zip", 6, ["big.bin"])


def entries(archive):
    with zipfile.ZipFile(archive) as z:
        return [i.filename for i in z.infolist()]


def corrupt(good, out):
    """One archive per way of being unreadable (and one too large to read)."""
    with zipfile.ZipFile(io.BytesIO(good)) as z:
        info = z.infolist()[0]
    end = good.rindex(b"PK\x05\x06")
    cd_size, cd_offset = struct.unpack_from("<II", good, end + 12)
    cd = cd_offset  # no prefix in the good archive
    broken = {}

    def patched(at, fmt, value):
        b = bytearray(good)
        struct.pack_into(fmt, b, at, value)
        return bytes(b)

    broken["crc"] = patched(cd + 16, "<I", info.CRC ^ 1)
    broken["sizes"] = patched(cd + 20, "<I", info.compress_size + 1)
    broken["method12"] = patched(cd + 10, "<H", 12)
    broken["encrypted"] = patched(cd + 8, "<H", 1)
    broken["comment"] = patched(end + 20, "<H", 1)
    broken["no-local-header"] = patched(0, "<I", 0x04034b51)
    broken["base-below-zero"] = patched(end + 16, "<I", cd_offset + 1)
    # An entry larger than any heap: reading it runs out of memory.
    broken["huge"] = patched(cd + 24, "<I", 0x7FFFFFF0)
    # The central directory loses its last 10 bytes (the end record follows at once).
    b = bytearray(good[: end - 10] + good[end:])
    struct.pack_into("<I", b, end - 10 + 12, cd_size - 10)
    struct.pack_into("<I", b, end - 10 + 16, cd_offset)
    broken["cut-directory"] = bytes(b)
    for name, data in broken.items():
        write(f"{out}/{name}.zip", data)


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    src = f"{out}/src"
    archives = f"{out}/archives"
    os.makedirs(archives)
    source_tree(src)
    python_archives(src, archives)
    tool_archives(src, archives)
    cases = []
    for archive in sorted(os.listdir(archives)):
        path = f"{archives}/{archive}"
        for i, entry in enumerate(entries(path)):
            expected = f"{out}/expected/{archive}/{i}"
            got = subprocess.run(["unzip", "-p", path, entry], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            if got.returncode not in (0, 1):  # 1: warnings (junk in front of the archive)
                sys.exit(f"unzip -p {path} {entry} failed")
            write(expected, got.stdout)
            cases.append({"archive": path, "entry": entry, "expected": expected})
    with open(f"{out}/cases.json", "w") as f:
        json.dump(cases, f, indent=1)
    # One-entry stored and deflated archives to break, with a class file.
    one = io.BytesIO()
    with zipfile.ZipFile(one, "w", zipfile.ZIP_STORED) as z:
        writestr(z, "A.class", b"\xca\xfe\xba\xbe stored class bytes")
        writestr(z, "B.txt", b"second entry\n")
    corrupt(one.getvalue(), f"{out}/broken")
    evil = io.BytesIO()
    with zipfile.ZipFile(evil, "w", zipfile.ZIP_DEFLATED) as z:
        writestr(z, "java/lang/Evil.class", b"\xca\xfe\xba\xbe not a system class\n")
    write(f"{out}/broken/evil.jar", evil.getvalue())
    fuzz_seeds(f"{out}/fuzz", f"{out}/broken")
    shutil.rmtree(src)
    shutil.rmtree(f"{out}/big")


def fuzz_seeds(out, broken):
    """Small archives of every maker and the broken ones."""
    src = f"{out}/../seedsrc"
    write(f"{src}/t.txt", b"seed text seed text seed text\n" * 8)
    write(f"{src}/d/A.class", bytes.fromhex("cafebabe0000002e") + bytes(range(64)))
    write(f"{src}/e", b"")
    for level in (0, 9):
        zip_tree(src, f"{out}/zip-{level}.zip", level)
    jar_tree(src, f"{out}/jdk.jar")
    stream = Unseekable()
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as z:
        writestr(z, "t.txt", b"streamed with a data descriptor\n")
    write(f"{out}/streamed.zip", bytes(stream.data))
    for name in sorted(os.listdir(broken)):
        shutil.copy(f"{broken}/{name}", f"{out}/broken-{name}")
    shutil.rmtree(src)


if __name__ == "__main__":
    main()
