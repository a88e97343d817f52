#!/usr/bin/env python3
"""Runs oamsprobe over the archive corpus and compares with unzip.

check_archives.py CORPUS [--emulator PROGRAM] OAMSPROBE
For every archive, `oamsprobe list` must print what `unzip -Z1` printed, and
for every entry `oamsprobe entry` (in memory and with --callback) must print
what `unzip -p` printed, with exit 0 and nothing on stderr.
"""
import argparse
import json
import subprocess
import sys


def main():
    p = argparse.ArgumentParser()
    p.add_argument("corpus")
    p.add_argument("--emulator", default="")
    p.add_argument("oamsprobe")
    a = p.parse_args()
    prefix = ([a.emulator] if a.emulator else []) + [a.oamsprobe]
    with open(f"{a.corpus}/cases.json") as f:
        cases = json.load(f)
    checks = failures = 0

    def check(what, args, expected_path):
        nonlocal checks, failures
        checks += 1
        got = subprocess.run(prefix + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        with open(expected_path, "rb") as f:
            want = f.read()
        if got.returncode != 0 or got.stdout != want or got.stderr:
            failures += 1
            print(f"FAIL {what}: exit {got.returncode}, {len(got.stdout)} bytes (want {len(want)}), "
                  f"stderr {got.stderr[:200]!r}")

    for c in cases:
        check(f"list {c['archive']}", ["list", c["archive"]], c["listing"])
        for e in c["entries"]:
            for mode in ([], ["--callback"]):
                check(f"entry {' '.join(mode)} {c['archive']} {e['name']!r}",
                      ["entry"] + mode + [c["archive"], e["name"]], e["expected"])
    print(f"{checks - failures} of {checks} outputs identical to unzip")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
