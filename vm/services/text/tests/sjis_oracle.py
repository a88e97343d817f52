#!/usr/bin/env python3
"""The Shift_JIS mapping as glibc's SHIFT_JIS charmap has it, against sjis_dump.

  sjis_oracle.py expect --charmap SHIFT_JIS.gz -o EXPECTED
      writes the dump sjis_dump must print (see its head comment)
  sjis_oracle.py compare --expected EXPECTED -- COMMAND...
      runs COMMAND (sjis_dump, under an emulator if need be), prints its first
      differences from EXPECTED and "N differences, D decodable codes, E
      encodable chars"; exits 1 on any difference

The charmap differs from the mapping of the text service in three cells,
which this script changes: 0x815C is U+2014 (not U+2015), 0x5C is U+005C
(not U+00A5) and 0x7E is U+007E (not U+203E). U+00A5 and U+203E still encode,
one way, to 0x5C and 0x7E. The step rules the dump shows are modelled here
from their description: a lead byte alone waits for its trail, a lead before
a byte below 0x40 is a lone lead and that byte decodes on its own.
"""
import argparse
import gzip
import re
import subprocess
import sys

LINE = re.compile(r"^<U([0-9A-F]{4})>\s+((?:/x[0-9a-f]{2})+)\s")
CHANGES = {0x815C: 0x2014, 0x5C: 0x005C, 0x7E: 0x007E}
ONE_WAY = {0x00A5: 0x5C, 0x203E: 0x7E}


def is_lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def read_charmap(path):
    decode = {}
    with gzip.open(path, "rt", encoding="ascii") as fh:
        inside = False
        for line in fh:
            if line.startswith("CHARMAP"):
                inside = True
            elif line.startswith("END CHARMAP"):
                break
            elif inside:
                m = LINE.match(line)
                if m:
                    code = int(m.group(2).replace("/x", ""), 16)
                    if code in decode:
                        sys.exit("sjis_oracle: code 0x%X twice in %s" % (code, path))
                    decode[code] = int(m.group(1), 16)
    for code, ch in CHANGES.items():
        if code not in decode:
            sys.exit("sjis_oracle: code 0x%X missing from %s" % (code, path))
        decode[code] = ch
    return decode


def expected_lines(decode):
    encode = {}
    for code, ch in decode.items():
        if ch in encode:
            sys.exit("sjis_oracle: U+%04X decoded twice" % ch)
        encode[ch] = code
    encode.update(ONE_WAY)
    lines = []
    for b in range(0x100):
        if is_lead(b):
            lines.append("d %02X lead" % b)
        elif b in decode:
            lines.append("d %02X %04X" % (b, decode[b]))
        else:
            lines.append("d %02X -" % b)
    for lead in range(0x81, 0xFD):
        if not is_lead(lead):
            continue
        for trail in range(0x100):
            code = (lead << 8) | trail
            if code in decode:
                lines.append("d %02X %02X %04X" % (lead, trail, decode[code]))
            elif trail < 0x40:
                lines.append("d %02X %02X lone %04X" % (lead, trail, decode[trail]))
            else:
                lines.append("d %02X %02X -" % (lead, trail))
    for ch in range(0x10000):
        code = encode.get(ch)
        if code is None:
            lines.append("e %04X -" % ch)
        else:
            lines.append("e %04X %0*X" % (ch, 2 if code < 0x100 else 4, code))
    return lines


def counts(lines):
    decodable = sum(1 for l in lines if re.match(r"^d( [0-9A-F]{2})+ [0-9A-F]{4}$", l))
    encodable = sum(1 for l in lines if l.startswith("e ") and not l.endswith(" -"))
    return decodable, encodable


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="mode", required=True)
    expect = sub.add_parser("expect")
    expect.add_argument("--charmap", required=True)
    expect.add_argument("-o", dest="output", required=True)
    compare = sub.add_parser("compare")
    compare.add_argument("--expected", required=True)
    compare.add_argument("command", nargs="+")
    args = parser.parse_args()

    if args.mode == "expect":
        lines = expected_lines(read_charmap(args.charmap))
        with open(args.output, "w", encoding="ascii", newline="\n") as fh:
            fh.write("\n".join(lines) + "\n")
        return 0

    with open(args.expected, encoding="ascii") as fh:
        want = fh.read().splitlines()
    run = subprocess.run(args.command, stdout=subprocess.PIPE, check=False)
    have = run.stdout.decode("ascii", "replace").splitlines()
    differences = 0
    for n, (a, b) in enumerate(zip(want, have), 1):
        if a != b:
            differences += 1
            if differences <= 20:
                print("line %d: expected %r, dumped %r" % (n, a, b))
    if len(want) != len(have):
        differences += 1
        print("expected %d lines, dumped %d" % (len(want), len(have)))
    if run.returncode != 0:
        differences += 1
        print("the dump exited with status %d" % run.returncode)
    decodable, encodable = counts(have)
    print("%d differences, %d decodable codes, %d encodable chars" % (differences, decodable, encodable))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
