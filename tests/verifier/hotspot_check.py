#!/usr/bin/env python3
"""Cross-checks the verifier's corpus on HotSpot.

  hotspot_check.py --table expected.tsv --jar fixtures.jar --java JAVA

Every "reject" row must fail in linking (VerifyError, ClassFormatError, or
IncompatibleClassChangeError for a final method overridden); every "accept"
and "ok" row must run clean. Mismatches name the case; status 1 on any.
"""
import argparse
import subprocess
import sys

REFUSALS = ("java.lang.VerifyError", "java.lang.ClassFormatError", "java.lang.IncompatibleClassChangeError")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--table", required=True)
    p.add_argument("--jar", required=True)
    p.add_argument("--java", required=True)
    args = p.parse_args()
    failures = 0
    rows = [line.rstrip("\n").split("\t") for line in open(args.table) if line.strip()]
    for name, expected, verdict in rows:
        r = subprocess.run([args.java, "-Xshare:off", "-cp", args.jar, name], stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, timeout=120)
        out = r.stdout.decode("latin-1")
        refused = any(word in out for word in REFUSALS)
        want = "accept" if expected == "ok" else verdict
        got = "reject" if refused else "accept" if r.returncode == 0 else "failed (%d)" % r.returncode
        if got != want:
            failures += 1
            print("%s: expected %s, HotSpot %s: %s" % (name, want, got, out.strip().splitlines()[:2]))
    print("%d cases, %d differ" % (len(rows), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
