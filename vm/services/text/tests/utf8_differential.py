#!/usr/bin/env python3
"""Both UTF-16 <-> UTF-8 converters of the system against Python's codec.

  utf8_differential.py UTF_CONVERT

For seeded random well-formed BMP texts (no surrogates; lengths and ranges
varied so that every form and boundary occurs), runs `UTF_CONVERT to-utf8` on
the UTF-16LE text and `UTF_CONVERT to-utf16` on Python's UTF-8 of it, and
compares each result with Python's. Prints each text that differs with its
first differing offset, then "N differences".
"""
import random
import subprocess
import sys

RANGES = [(0x0000, 0x007F), (0x0080, 0x07FF), (0x0800, 0xD7FF), (0xE000, 0xFFFF)]
EDGES = [0x00, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF]


def random_text(rng, length):
    chars = []
    for _ in range(length):
        if rng.random() < 0.1:
            chars.append(rng.choice(EDGES))
        else:
            lo, hi = rng.choice(RANGES)
            chars.append(rng.randint(lo, hi))
    return "".join(map(chr, chars))


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def run(program, mode, data):
    return subprocess.run([program, mode], input=data, stdout=subprocess.PIPE, check=False)


def main():
    program = sys.argv[1]
    rng = random.Random(1150)
    differences = 0
    for n in range(60):
        text = random_text(rng, rng.choice([0, 1, 2, 3, 17, 1000, 40000]))
        utf8 = text.encode("utf-8")
        utf16 = text.encode("utf-16-le")
        for mode, given, want in (("to-utf8", utf16, utf8), ("to-utf16", utf8, utf16)):
            got = run(program, mode, given)
            if got.returncode != 0 or got.stdout != want:
                differences += 1
                print("text %d (%d chars), %s: exit %d, first difference at byte %d"
                      % (n, len(text), mode, got.returncode, first_difference(got.stdout, want)))
    print("%d differences" % differences)
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
