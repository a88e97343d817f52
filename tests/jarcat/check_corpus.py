#!/usr/bin/env python3
"""Runs jarcat on every entry of the corpus and compares with `unzip -p`.

check_corpus.py CORPUS [--emulator PROGRAM] -- JARCAT
Every entry must come out byte for byte as unzip printed it, with exit 0 and
nothing on stderr.
"""
import argparse
import json
import subprocess
import sys


def main():
    p = argparse.ArgumentParser()
    p.add_argument("corpus")
    p.add_argument("--emulator", default="")
    p.add_argument("jarcat")
    a = p.parse_args()
    prefix = [a.emulator] if a.emulator else []
    with open(f"{a.corpus}/cases.json") as f:
        cases = json.load(f)
    failures = 0
    for c in cases:
        got = subprocess.run(prefix + [a.jarcat, c["archive"], c["entry"]],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        with open(c["expected"], "rb") as f:
            want = f.read()
        if got.returncode != 0 or got.stdout != want or got.stderr:
            failures += 1
            print(f"FAIL {c['archive']} {c['entry']!r}: exit {got.returncode}, "
                  f"{len(got.stdout)} bytes (want {len(want)}), stderr {got.stderr[:200]!r}")
    print(f"{len(cases) - failures} of {len(cases)} entries identical to unzip -p")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
