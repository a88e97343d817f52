#!/usr/bin/env python3
"""Fails when VM code keeps state outside the VM-variable sections.

  section_check.py [--allow FILE] [--list FILE] [OBJECT...]

Reads ELF object files (from --list, one path per line, and the arguments)
and fails on any non-empty writable data section other than ".vmdata" and
".vmbss": .data*, .bss*, .tdata*, .tbss* (.data.rel.ro* is allowed: it is
read-only after relocation). Each finding names the object and the section.
The allow file holds deliberate exceptions, one per line:
  <object file name> <section> <reason...>
"""
import argparse
import os
import struct
import sys

SHF_WRITE = 0x1


def sections(path):
    with open(path, "rb") as fh:
        data = fh.read()
    if data[:4] != b"\x7fELF":
        raise ValueError("not an ELF file")
    wide = data[4] == 2
    endian = "<" if data[5] == 1 else ">"
    if wide:
        shoff, = struct.unpack_from(endian + "Q", data, 0x28)
        shentsize, shnum, shstrndx = struct.unpack_from(endian + "HHH", data, 0x3A)
    else:
        shoff, = struct.unpack_from(endian + "I", data, 0x20)
        shentsize, shnum, shstrndx = struct.unpack_from(endian + "HHH", data, 0x2E)
    headers = []
    for i in range(shnum):
        off = shoff + i * shentsize
        if wide:
            name, stype, flags, _, _, size = struct.unpack_from(endian + "IIQQQQ", data, off)
            offset = struct.unpack_from(endian + "Q", data, off + 0x18)[0]
        else:
            name, stype, flags, _, offset, size = struct.unpack_from(endian + "IIIIII", data, off)
        headers.append((name, stype, flags, offset, size))
    strtab_offset = headers[shstrndx][3]
    for name, stype, flags, _, size in headers:
        end = data.index(b"\0", strtab_offset + name)
        yield data[strtab_offset + name:end].decode(), flags, size


def forbidden(name):
    if name.startswith(".data.rel.ro"):
        return False
    return any(name == p or name.startswith(p + ".") for p in (".data", ".bss", ".tdata", ".tbss"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--allow")
    ap.add_argument("--list")
    ap.add_argument("objects", nargs="*")
    args = ap.parse_args()

    allowed = set()
    if args.allow:
        with open(args.allow) as fh:
            for line in fh:
                words = line.split()
                if len(words) >= 3 and not line.startswith("#"):
                    allowed.add((words[0], words[1]))
    objects = list(args.objects)
    if args.list:
        with open(args.list) as fh:
            objects += [line.strip() for line in fh if line.strip()]
    if not objects:
        print("section_check: no objects to check", file=sys.stderr)
        return 2

    failures = 0
    for obj in objects:
        try:
            found = list(sections(obj))
        except (OSError, ValueError, struct.error, IndexError) as e:
            print("section_check: %s: cannot read: %s" % (obj, e), file=sys.stderr)
            failures += 1
            continue
        for name, flags, size in found:
            if size and flags & SHF_WRITE and forbidden(name):
                if (os.path.basename(obj), name) in allowed:
                    continue
                print("section_check: %s: writable section %s (%d bytes) outside .vmdata/.vmbss"
                      % (obj, name, size), file=sys.stderr)
                failures += 1
    print("section_check: %d objects, %d findings" % (len(objects), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
