#!/usr/bin/env python3
"""Checks the text of doubles and floats a test program prints.

Usage: float_text_oracle.py -- <command...>

Each line "D <bits> <text>" (a double's 64 bits as a signed decimal) or
"F <bits> <text>" (a float's 32) must carry the text this oracle derives
from the bits by the definition, in exact rational arithmetic: among the
decimals that round to the value, those of the fewest digits (one or two
digits when one would do), the closest, the even one on a tie; plain for
1e-3 <= |x| < 1e7, else "d.dddE-n". Other lines pass unchanged. Prints the
first differences and exits 1 when any line differs; 2 when the command
fails or prints no checked line.
"""
import subprocess
import sys
from fractions import Fraction

FORMATS = {"D": (64, 52, 11), "F": (32, 23, 8)}


def value_of(bits, width, mant, expw):
    bits &= (1 << width) - 1
    sign = bits >> (width - 1)
    exponent = (bits >> mant) & ((1 << expw) - 1)
    fraction = bits & ((1 << mant) - 1)
    return sign, exponent, fraction


def real(exponent, fraction, mant, expw):
    bias = (1 << (expw - 1)) - 1
    if exponent == 0:
        return Fraction(fraction) * Fraction(2) ** (1 - bias - mant)
    return Fraction(fraction | (1 << mant)) * Fraction(2) ** (exponent - bias - mant)


def floor_log10(v):
    e = len(str(int(v))) - 1 if v >= 1 else -len(str(int(1 / v))) - 1
    while Fraction(10) ** (e + 1) <= v:
        e += 1
    while Fraction(10) ** e > v:
        e -= 1
    return e


def digits_of(kind, bits):
    width, mant, expw = FORMATS[kind]
    sign, exponent, fraction = value_of(bits, width, mant, expw)
    if exponent == (1 << expw) - 1:
        return "NaN" if fraction else ("-Infinity" if sign else "Infinity")
    if exponent == 0 and fraction == 0:
        return "-0.0" if sign else "0.0"
    mask = (1 << mant) - 1
    magnitude = bits & ((1 << (width - 1)) - 1)

    def real_of(m):
        return real(m >> mant, m & mask, mant, expw)

    v = real_of(magnitude)
    lo, hi = (v + real_of(magnitude - 1)) / 2, (v + real_of(magnitude + 1)) / 2
    inclusive = (fraction & 1) == 0
    E = floor_log10(v)

    def inside(x):
        return (lo <= x <= hi) if inclusive else (lo < x < hi)

    def candidates(length):
        scale = Fraction(10) ** (length - 1 - E)
        base = (v * scale).numerator // (v * scale).denominator
        return scale, [d for d in (base, base + 1) if d > 0 and inside(Fraction(d) / scale)]

    length = 1
    while not candidates(length)[1]:
        length += 1
    if length == 1:
        length = 2
    scale, found = candidates(length)
    found.sort(key=lambda d: (abs(Fraction(d) / scale - v), d % 2))
    d = found[0]
    text = str(d).rstrip("0") or "0"
    k = E + 1 + (len(str(d)) - length)
    return ("-" if sign else "") + java_format(text, k)


def java_format(digits, k):
    n = len(digits)
    if 0 < k <= 7:
        whole = (digits + "0" * k)[:k]
        rest = digits[k:] or "0"
        return whole + "." + rest
    if -3 < k <= 0:
        return "0." + "0" * (-k) + digits
    return digits[0] + "." + (digits[1:] or "0") + "E" + str(k - 1)


def main():
    if len(sys.argv) < 3 or sys.argv[1] != "--":
        sys.exit("usage: float_text_oracle.py -- <command...>")
    run = subprocess.run(sys.argv[2:], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if run.returncode != 0:
        sys.stderr.write(run.stderr)
        print("command failed with status %d" % run.returncode)
        return 2
    checked, bad = 0, 0
    for number, line in enumerate(run.stdout.splitlines(), 1):
        parts = line.split(" ")
        if len(parts) < 3 or parts[0] not in FORMATS:
            continue
        checked += 1
        expected = digits_of(parts[0], int(parts[1]))
        if parts[2] != expected:
            bad += 1
            if bad <= 10:
                print("line %d: %s %s: printed %s, expected %s" % (number, parts[0], parts[1], parts[2], expected))
    print("%d values checked, %d differ" % (checked, bad))
    if checked == 0:
        return 2
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
