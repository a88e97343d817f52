#!/usr/bin/env python3
"""Writes the Shift_JIS tables of the text service from Python's shift_jis codec.

  sjis_tables.py [--output FILE]   write the tables (default: the committed file)
  sjis_tables.py --check           fail unless the committed file is what this
                                   script writes, byte for byte

The mapping is JIS X 0201 (ASCII half and katakana) plus JIS X 0208 as the
codec has it, with one change: 0x815C is U+2014 EM DASH (the codec has
U+2015, which thereby becomes unmappable). Before writing, the script checks
the mapping against the properties the codec must have (counts, the cells
where code page 932 differs, the empty rows, the arithmetic rows); any
failure names the property and nothing is written.

Output (see vm/services/text/sjis_tables.h):
  kVsSjis_leadRow[256]        row index + 1 of a lead byte, 0 for no row
  kVsSjis_decodeRows[39][189] UCS-2 of lead row x trail 0x40-0xFC, 0 unassigned
  kVsSjis_encodePages[256]    per high byte of UCS-2: the low-byte range held
  kVsSjis_encodeCodes[]       the Shift_JIS codes of those ranges, 0 unmappable
"""
import argparse
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUTPUT = os.path.join(ROOT, "vm", "services", "text", "sjis_tables.cpp")

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFC
TRAIL_COUNT = TRAIL_LAST - TRAIL_FIRST + 1
ROWS = [lead for lead in LEADS if not (0x85 <= lead <= 0x87 or lead >= 0xEB)]
EM_DASH_CODE = 0x815C


class MappingError(Exception):
    pass


def decode(code_bytes):
    try:
        text = bytes(code_bytes).decode("shift_jis")
    except UnicodeDecodeError:
        return None
    return ord(text) if len(text) == 1 else None


def build_mapping():
    """(singles, pairs): byte -> UCS-2 and code -> UCS-2 of what decodes."""
    singles = {}
    for b in range(0x100):
        ch = decode([b])
        if ch is not None:
            singles[b] = ch
    pairs = {}
    for lead in LEADS:
        for trail in range(0x100):
            ch = decode([lead, trail])
            if ch is not None:
                pairs[(lead << 8) | trail] = ch
    if pairs.get(EM_DASH_CODE) != 0x2015:
        raise MappingError("0x815C is not U+2015 in the codec")
    pairs[EM_DASH_CODE] = 0x2014
    return singles, pairs


def check(cond, what):
    if not cond:
        raise MappingError(what)


def check_mapping(singles, pairs):
    check(len(pairs) == 6879, "6879 pairs (found %d)" % len(pairs))
    check(len(singles) + len(pairs) == 7070,
          "7070 decodable codes (found %d)" % (len(singles) + len(pairs)))
    check(len(set(pairs.values())) == len(pairs), "pairs one-to-one")
    check(all(singles.get(b) == b for b in range(0x80)), "0x00-0x7F as ASCII")
    check(all(singles.get(b) == 0xFF61 + b - 0xA1 for b in range(0xA1, 0xE0)),
          "0xA1-0xDF as U+FF61-U+FF9F")
    check(len(singles) == 0x80 + 0x3F, "no other single bytes")
    check(not set(singles.values()) & set(pairs.values()), "singles and pairs disjoint")
    check(all(TRAIL_FIRST <= (c & 0xFF) <= TRAIL_LAST and (c & 0xFF) != 0x7F for c in pairs),
          "trails 0x40-0xFC without 0x7F")
    check(pairs.get(0x815F) == 0xFF3C, "0x815F is U+FF3C")
    for code, ch in ((0x8160, 0x301C), (0x8161, 0x2016), (0x817C, 0x2212),
                     (0x8191, 0x00A2), (0x8192, 0x00A3), (0x81CA, 0x00AC)):
        check(pairs.get(code) == ch, "0x%04X is U+%04X" % (code, ch))
    check(all((c >> 8) in ROWS for c in pairs), "nothing in rows 0x85-0x87 and 0xEB-0xFC")
    arithmetic = {}
    for lo, hi, first in ((0x824F, 0x8258, 0xFF10), (0x8260, 0x8279, 0xFF21),
                          (0x8281, 0x829A, 0xFF41), (0x829F, 0x82F1, 0x3041),
                          (0x8340, 0x837E, 0x30A1), (0x8380, 0x8396, 0x30E0)):
        for code in range(lo, hi + 1):
            arithmetic[code] = first + code - lo
    greek_capitals = [c for c in range(0x0391, 0x03AA) if c != 0x03A2]
    greek_small = [c for c in range(0x03B1, 0x03CA) if c != 0x03C2]
    for first, letters in ((0x839F, greek_capitals), (0x83BF, greek_small)):
        for i, ch in enumerate(letters):
            arithmetic[first + i] = ch
    cyrillic = [0x0410 + i for i in range(6)] + [0x0401] + [0x0416 + i for i in range(26)]
    for i, ch in enumerate(cyrillic):
        arithmetic[0x8440 + i] = ch
    for code, ch in arithmetic.items():
        check(pairs.get(code) == ch, "arithmetic cell 0x%04X is U+%04X" % (code, ch))
    for lead in (0x82, 0x83):
        row = {c for c in pairs if c >> 8 == lead}
        check(row == {c for c in arithmetic if c >> 8 == lead}, "row 0x%02X wholly arithmetic" % lead)


def build_encoder(singles, pairs):
    """UCS-2 -> Shift_JIS code for every char at or above U+0080."""
    encode = {}
    for b, ch in singles.items():
        if ch >= 0x80:
            encode[ch] = b
    for code, ch in pairs.items():
        encode[ch] = code
    encode[0x00A5] = 0x5C
    encode[0x203E] = 0x7E
    # The codec's own encoder must be this inverse, but for the changed cell.
    for ch in range(0x80, 0x10000):
        if 0xD800 <= ch <= 0xDFFF:
            continue
        try:
            raw = chr(ch).encode("shift_jis")
            theirs = int.from_bytes(raw, "big")
        except UnicodeEncodeError:
            theirs = None
        ours = encode.get(ch)
        if ch == 0x2015:
            check(theirs == EM_DASH_CODE and ours is None, "U+2015 unmappable")
        elif ch == 0x2014:
            check(theirs is None and ours == EM_DASH_CODE, "U+2014 is 0x815C")
        else:
            check(theirs == ours, "the codec encodes U+%04X as decoded" % ch)
    return encode


def hex_rows(values, width, per_line, indent="  "):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append(indent + ", ".join("0x%0*X" % (width, v) for v in values[i:i + per_line]) + ",")
    return lines


def render(pairs, encode):
    out = []
    out.append("// Shift_JIS tables of the text service, written by tools/sjis_tables.py")
    out.append("// from Python's shift_jis codec (0x815C taken as U+2014). Do not edit:")
    out.append("// change the script and rerun it. Layout: vm/services/text/sjis_tables.h.")
    out.append('#include "vm/services/text/sjis_tables.h"')
    out.append("")
    lead_row = [0] * 256
    for i, lead in enumerate(ROWS):
        lead_row[lead] = i + 1
    out.append("const uint8_t kVsSjis_leadRow[256] = {")
    out += hex_rows(lead_row, 2, 16)
    out.append("};")
    out.append("")
    out.append("const uint16_t kVsSjis_decodeRows[kVsSjis_rowCount][kVsSjis_trailCount] = {")
    for lead in ROWS:
        out.append("  {  // lead 0x%02X" % lead)
        row = [pairs.get((lead << 8) | t, 0) for t in range(TRAIL_FIRST, TRAIL_LAST + 1)]
        out += hex_rows(row, 4, 12, "    ")
        out.append("  },")
    out.append("};")
    out.append("")
    pages = []
    codes = []
    for high in range(256):
        lows = [ch & 0xFF for ch in encode if ch >> 8 == high]
        if not lows:
            pages.append((len(codes), 1, 0))
            continue
        lo, last = min(lows), max(lows)
        pages.append((len(codes), lo, last))
        codes += [encode.get((high << 8) | low, 0) for low in range(lo, last + 1)]
    out.append("const VsSjisEncodePage kVsSjis_encodePages[256] = {")
    for high, (base, lo, last) in enumerate(pages):
        out.append("  {%d, 0x%02X, 0x%02X},  // U+%02Xxx" % (base, lo, last, high))
    out.append("};")
    out.append("")
    out.append("const uint16_t kVsSjis_encodeCodes[%d] = {" % len(codes))
    out += hex_rows(codes, 4, 12)
    out.append("};")
    out.append("")
    out.append("static_assert(sizeof(kVsSjis_encodeCodes) / sizeof(kVsSjis_encodeCodes[0]) == %d," % len(codes))
    out.append('              "the pages end at the end of the codes");')
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    try:
        singles, pairs = build_mapping()
        check_mapping(singles, pairs)
        encode = build_encoder(singles, pairs)
    except MappingError as e:
        print("sjis_tables: mapping check failed: %s" % e, file=sys.stderr)
        return 1
    text = render(pairs, encode)
    if args.check:
        try:
            with open(args.output, encoding="ascii") as fh:
                committed = fh.read()
        except OSError as e:
            print("sjis_tables: %s" % e, file=sys.stderr)
            return 1
        if committed != text:
            want, have = text.splitlines(), committed.splitlines()
            for n, (a, b) in enumerate(zip(want, have), 1):
                if a != b:
                    print("sjis_tables: %s differs at line %d:\n  written:   %s\n  committed: %s"
                          % (args.output, n, a, b), file=sys.stderr)
                    break
            else:
                print("sjis_tables: %s has %d lines, the script writes %d"
                      % (args.output, len(have), len(want)), file=sys.stderr)
            return 1
        print("sjis_tables: %s is current (%d pairs, %d decodable codes, %d encodable chars)"
              % (args.output, len(pairs), len(singles) + len(pairs), len(encode) + 0x80))
        return 0
    with open(args.output, "w", encoding="ascii", newline="\n") as fh:
        fh.write(text)
    print("sjis_tables: wrote %s" % args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
