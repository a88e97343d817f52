#!/usr/bin/env python3
"""Checks the form of every executable of a build tree.

  elf_check.py --tree DIR --target x86_64|armel

x86_64: every executable is a position-dependent EXEC (linked -no-pie), so
code and static data lie near 0x400000. armel: every executable is a static
ELF32 ARM EXEC for ARMv5TE with the soft-float calling convention. CMake's
own probe programs (under CMakeFiles) are not part of the tree's product.
"""
import argparse
import os
import subprocess
import sys


def executables(tree):
    for root, dirs, files in os.walk(tree):
        dirs[:] = [d for d in dirs if d != "CMakeFiles"]
        for f in files:
            path = os.path.join(root, f)
            if os.path.islink(path) or not os.access(path, os.X_OK):
                continue
            with open(path, "rb") as fh:
                if fh.read(4) == b"\x7fELF":
                    yield path


def readelf(tool, flags, path):
    return subprocess.run([tool] + flags + [path], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True).stdout


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tree", required=True)
    ap.add_argument("--target", choices=["x86_64", "armel"], required=True)
    args = ap.parse_args()
    problems = []
    count = 0
    for exe in executables(args.tree):
        count += 1
        if args.target == "x86_64":
            header = readelf("readelf", ["-h"], exe)
            if "Type:                              EXEC" not in header:
                problems.append("%s: not an EXEC (position independent?)" % exe)
        else:
            tool = "arm-linux-gnueabi-readelf"
            header = readelf(tool, ["-h", "-d"], exe)
            for want in ("Class:                             ELF32",
                         "Machine:                           ARM",
                         "Type:                              EXEC",
                         "There is no dynamic section in this file."):
                if want not in header:
                    problems.append("%s: missing '%s'" % (exe, want))
            attributes = readelf(tool, ["-A"], exe)
            if "Tag_CPU_arch: v5TE" not in attributes:
                problems.append("%s: not built for ARMv5TE" % exe)
            if "Tag_ABI_VFP_args" in attributes:
                problems.append("%s: uses the VFP calling convention" % exe)
    for p in problems:
        print("elf_check: " + p, file=sys.stderr)
    print("elf_check: %d executables, %d problems" % (count, len(problems)))
    if count == 0:
        print("elf_check: no executables under %s" % args.tree, file=sys.stderr)
        return 1
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
