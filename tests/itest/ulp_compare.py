#!/usr/bin/env python3
"""Compares a test program's output with HotSpot's, allowing one ulp.

Usage: ulp_compare.py EXPECTED -- <command...>

Lines are equal, except lines "ULP <label> <bits>" (a double's 64 bits as
a signed decimal): those need the same label, and bits that lie at most
one unit in the last place from the expected ones, on the same side of
zero (so -0.0 and 0.0, and NaN and a number, still differ). Prints the
first differences and "N lines, M within one ulp, K differ"; exits 1 when
any line differs, 2 when the command fails.
"""
import subprocess
import sys

SHOWN = 10


def ordinal(bits):
    """The double's place on the number line: neighbours differ by one."""
    bits &= (1 << 64) - 1
    if bits >> 63:
        return -(bits & ((1 << 63) - 1))
    return bits


def is_nan(bits):
    bits &= (1 << 64) - 1
    return (bits >> 52) & 0x7FF == 0x7FF and bits & ((1 << 52) - 1) != 0


def ulp_match(expected, actual):
    """None when the lines match, else the reason."""
    e = expected.rsplit(" ", 1)
    a = actual.rsplit(" ", 1)
    if len(e) != 2 or len(a) != 2 or e[0] != a[0]:
        return "label differs"
    try:
        eb, ab = int(e[1]), int(a[1])
    except ValueError:
        return "not bits"
    if eb == ab:
        return None
    if is_nan(eb) or is_nan(ab):
        return "NaN against a number"
    if (eb < 0) != (ab < 0):
        return "signs differ"
    if abs(ordinal(eb) - ordinal(ab)) > 1:
        return "more than one ulp apart"
    return None


def main(argv):
    if len(argv) < 4 or argv[2] != "--":
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], encoding="ascii") as f:
        expected = f.read().split("\n")
    run = subprocess.run(argv[3:], stdout=subprocess.PIPE, check=False)
    if run.returncode != 0:
        print("command failed with status %d" % run.returncode)
        return 2
    actual = run.stdout.decode("ascii", "replace").split("\n")
    differ = 0
    ulp = 0
    for i in range(max(len(expected), len(actual))):
        e = expected[i] if i < len(expected) else "<missing>"
        a = actual[i] if i < len(actual) else "<missing>"
        if e.startswith("ULP ") and a.startswith("ULP "):
            reason = ulp_match(e, a)
            ulp += 1
        else:
            reason = None if e == a else "text differs"
        if reason is not None:
            differ += 1
            if differ <= SHOWN:
                print("line %d: %s\n  expected: %s\n  actual:   %s" % (i + 1, reason, e, a))
    print("%d lines, %d within one ulp, %d differ" % (len(expected), ulp, differ))
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
