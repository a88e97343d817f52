#!/usr/bin/env python3
"""Checks of the romizer that need more than one run or a file check.

  romizer_checks.py same --romizer CMD... --jars JAR... [--reference FILE]
      The same input gives the same bytes: two runs, heaps of 8 MiB and
      32 MiB, and (with --reference) the file another tree wrote.
  romizer_checks.py missing --romizer CMD... --lib JAR --jar JAR --drop ENTRY --names NAME...
      A copy of JAR without ENTRY ends the romizer with status 1, every
      NAME in its output and no output file.
  romizer_checks.py readonly --readelf READELF PROGRAM
      The program's image section is allocated and not writable.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import zipfile


def run(command):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def fail(message):
    print("romizer_checks: " + message, file=sys.stderr)
    sys.exit(1)


def same(args, work):
    outputs = []
    for i, memory in enumerate(["8388608", "33554432", "33554432"]):
        out = os.path.join(work, "image%d.s" % i)
        r = run(args.romizer + ["--memory", memory, "-o", out] + args.jars)
        if r.returncode != 0:
            fail("romizer run %d failed: %s%s" % (i, r.stdout, r.stderr))
        with open(out, "rb") as f:
            outputs.append(f.read())
    if args.reference:
        with open(args.reference, "rb") as f:
            outputs.append(f.read())
    for i, data in enumerate(outputs[1:], 1):
        if data != outputs[0]:
            fail("output %d differs from output 0" % i)
    print("same bytes in %d outputs" % len(outputs))


def missing(args, work):
    broken = os.path.join(work, "broken.jar")
    with zipfile.ZipFile(args.jar) as source, zipfile.ZipFile(broken, "w") as target:
        names = source.namelist()
        if args.drop not in names:
            fail("%s holds no %s" % (args.jar, args.drop))
        for name in names:
            if name != args.drop:
                target.writestr(source.getinfo(name), source.read(name))
    out = os.path.join(work, "image.s")
    r = run(args.romizer + ["-o", out, args.lib, broken])
    text = r.stdout + r.stderr
    print(text)
    if r.returncode != 1:
        fail("exit status %d, expected 1" % r.returncode)
    for name in args.names:
        if name not in text:
            fail("the output does not name %s" % name)
    if os.path.exists(out):
        fail("the output file was left behind")
    print("failed as expected")


def readonly(args, work):
    r = run([args.readelf, "-S", "-W", args.program])
    if r.returncode != 0:
        fail(r.stderr)
    for line in r.stdout.splitlines():
        fields = line.replace("[ ", "[").split()
        if ".vsimage" in fields:
            at = fields.index(".vsimage")
            flags = fields[at + 6]
            if "A" not in flags or "W" in flags:
                fail("image section flags %s" % flags)
            print("image section flags %s" % flags)
            return
    fail("no image section in %s" % args.program)


def main():
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="check", required=True)
    p = sub.add_parser("same")
    p.add_argument("--romizer", nargs="+", required=True)
    p.add_argument("--jars", nargs="+", required=True)
    p.add_argument("--reference")
    p = sub.add_parser("missing")
    p.add_argument("--romizer", nargs="+", required=True)
    p.add_argument("--lib", required=True)
    p.add_argument("--jar", required=True)
    p.add_argument("--drop", required=True)
    p.add_argument("--names", nargs="+", required=True)
    p = sub.add_parser("readonly")
    p.add_argument("--readelf", required=True)
    p.add_argument("program")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        {"same": same, "missing": missing, "readonly": readonly}[args.check](args, work)


if __name__ == "__main__":
    main()
