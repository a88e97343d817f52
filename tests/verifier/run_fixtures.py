#!/usr/bin/env python3
"""Runs every case of the verifier's corpus and compares with expected.tsv.

  run_fixtures.py --table expected.tsv --jar fixtures.jar [--extra ARG]... -- VM...

For each row, `VM [extra...] fixtures.jar CASE`: a failing case's output
must hold "java.lang.Error: " and the expected code as "%3d"; an "ok" case
must exit 0 with no uncaught-exception line. Every mismatch names the case
and both values; the status is 1 when any case failed.
"""
import argparse
import subprocess
import sys


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--table", required=True)
    p.add_argument("--jar", required=True)
    p.add_argument("--extra", action="append", default=[])
    p.add_argument("vm", nargs="+")
    args = p.parse_args()
    failures = 0
    rows = [line.rstrip("\n").split("\t") for line in open(args.table) if line.strip()]
    for name, expected, _ in rows:
        r = subprocess.run(args.vm + args.extra + [args.jar, name], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=120)
        out = r.stdout.decode("latin-1")
        lines = [line for line in out.splitlines() if "xception: " in line]
        actual = lines[0].split("java.lang.Error: ", 1)[1].strip() if lines and "java.lang.Error: " in lines[0] \
            else (lines[0] if lines else "ok")
        if expected == "ok":
            good = r.returncode == 0 and not lines
        else:
            good = bool(lines) and ("java.lang.Error: %3d" % int(expected)) in lines[0]
        if not good:
            failures += 1
            print("%s: expected %s, got %s (exit %d)" % (name, expected, actual, r.returncode))
    print("%d cases, %d failed" % (len(rows), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
