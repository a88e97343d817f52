#!/usr/bin/env python3
"""Checks of the romizer that need more than one run or a file check.

  romizer_checks.py same --romizer CMD... --jars JAR... [--reference FILE]
      The same input gives the same bytes: two runs, heaps of 8 MiB and
      32 MiB, and (with --reference) the file another tree wrote.
  romizer_checks.py missing --romizer CMD... --lib JAR --jar JAR --drop ENTRY --names NAME...
      A copy of JAR without ENTRY ends the romizer with status 1, every
      NAME in its output and no output file.
  romizer_checks.py verified --romizer CMD... --lib JAR
      The romizer verifies as many classes as JAR holds class files.
  romizer_checks.py refused --romizer CMD... --lib JAR --jar JAR --names NAME...
      The library with JAR ends the romizer with status 1, every NAME in
      its output and no output file (an ill-typed class).
  romizer_checks.py readonly --readelf READELF PROGRAM
      The program's image section is allocated and not writable.
  romizer_checks.py dump --golden FILE -- CMD...
      The image dump that CMD prints agrees with FILE on the lines FILE
      holds: its first line, each class line FILE names (by class name)
      and, below it, each method and field line FILE names (by name and
      signature, or name).
      A "*" in a word of FILE stands for any characters (class ids and pool
      indexes move as the library grows); the words must match one by one.
  romizer_checks.py widened --jar JAR --class NAME --method NAME DESCRIPTOR -- CMD...
      In the image dump that CMD prints, the method (of the class file in
      JAR) loads its constants by the fast forms of ldc and ldc_w, the
      wide form only for pool entries above 255 and for at least one ldc of
      the class file; its tableswitch is padded for its new place and jumps
      to instruction starts; each handler covers the instructions that it
      covers in the class file.
"""
import argparse
import fnmatch
import os
import struct
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
    expect_refusal(args, work, broken)


def verified(args, work):
    with zipfile.ZipFile(args.lib) as lib:
        count = sum(1 for name in lib.namelist() if name.endswith(".class"))
    r = run(args.romizer + ["-o", os.path.join(work, "image.s"), args.lib])
    print(r.stdout + r.stderr)
    if r.returncode != 0:
        fail("exit status %d, expected 0" % r.returncode)
    want = "verified %d classes, " % count
    if not r.stdout.startswith(want) or ", 0 failures\n" not in r.stdout:
        fail("the first line is not %r...%r" % (want, ", 0 failures"))
    print("all %d classes verified" % count)


def refused(args, work):
    expect_refusal(args, work, args.jar)


def expect_refusal(args, work, jar):
    out = os.path.join(work, "image.s")
    r = run(args.romizer + ["-o", out, args.lib, jar])
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


def dump_blocks(lines):
    """The first line, and per class name its class line and member lines by key."""
    classes = {}
    current = None
    for line in lines[1:]:
        words = line.split()
        if line.startswith("class "):
            current = {"line": line, "members": {}}
            classes[words[2]] = current
        elif line.startswith("  ") and len(words) > 1 and current is not None:
            current["members"][words[0] + " " + words[1]] = line
    return lines[0] if lines else "", classes


def same_words(expected, actual):
    want, got = expected.split(), actual.split()
    return len(want) == len(got) and all(fnmatch.fnmatchcase(g, w) for w, g in zip(want, got))


def dump(args, work):
    r = run(args.command)
    if r.returncode != 0:
        fail("%s failed (%d): %s" % (" ".join(args.command), r.returncode, r.stderr))
    with open(args.golden) as f:
        golden = [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]
    want_first, want = dump_blocks(golden)
    got_first, got = dump_blocks(r.stdout.splitlines())
    faults = []
    if want_first != got_first:
        faults.append("first line %r, expected %r" % (got_first, want_first))
    lines = 1
    for name, block in want.items():
        if name not in got:
            faults.append("no class %s" % name)
            continue
        if not same_words(block["line"], got[name]["line"]):
            faults.append("got      %s\nexpected %s" % (got[name]["line"], block["line"]))
        for key, line in block["members"].items():
            actual = got[name]["members"].get(key)
            if actual is None:
                faults.append("no %s in %s" % (key, name))
            elif not same_words(line, actual):
                faults.append("got      %s\nexpected %s" % (actual, line))
        lines += 1 + len(block["members"])
    if faults:
        fail("the dump differs from %s:\n%s" % (args.golden, "\n".join(faults)))
    print("%d lines as in %s" % (lines, os.path.basename(args.golden)))


LDC, LDC_W, TABLESWITCH, LOOKUPSWITCH, WIDE = 18, 19, 170, 171, 196
LDC_FAST, LDC_W_FAST = 203, 204
# Operand bytes of the class file's opcodes (the switches and wide aside).
OPERANDS = dict([(op, 1) for op in (16, 18, 21, 22, 23, 24, 25, 54, 55, 56, 57, 58, 169, 188)] +
                [(op, 2) for op in [17, 19, 20, 132] + list(range(153, 169)) + list(range(178, 185)) + [187, 189, 192, 193, 198, 199]] +
                [(185, 4), (197, 3), (200, 4), (201, 4)])


def class_file_method(data, name, descriptor):
    """The code and exception table of one method of a class file."""
    at = 10
    pool = [None]
    count = struct.unpack_from(">H", data, 8)[0]
    while len(pool) < count:
        tag = data[at]
        if tag == 1:
            length = struct.unpack_from(">H", data, at + 1)[0]
            pool.append(data[at + 3:at + 3 + length].decode("utf-8", "replace"))
            at += 3 + length
        else:
            size = {3: 4, 4: 4, 5: 8, 6: 8, 7: 2, 8: 2, 9: 4, 10: 4, 11: 4, 12: 4}[tag]
            pool.append(None)
            at += 1 + size
            if tag in (5, 6):
                pool.append(None)
    at += 6
    at += 2 + 2 * struct.unpack_from(">H", data, at)[0]

    def members(at, want):
        found = None
        count = struct.unpack_from(">H", data, at)[0]
        at += 2
        for _ in range(count):
            _, n, d, attributes = struct.unpack_from(">HHHH", data, at)
            at += 8
            for _ in range(attributes):
                a, length = struct.unpack_from(">HI", data, at)
                if want and pool[n] == name and pool[d] == descriptor and pool[a] == "Code":
                    code_length = struct.unpack_from(">I", data, at + 10)[0]
                    code = data[at + 14:at + 14 + code_length]
                    e = at + 14 + code_length
                    table = [struct.unpack_from(">HHHH", data, e + 2 + 8 * i)
                             for i in range(struct.unpack_from(">H", data, e)[0])]
                    found = (code, table)
                at += 6 + length
        return at, found

    at, _ = members(at, False)
    _, found = members(at, True)
    if found is None:
        fail("the class file has no code of %s%s" % (name, descriptor))
    return found


def class_file_instructions(code):
    """(bci, opcode) of the class file's instructions."""
    out = []
    bci = 0
    while bci < len(code):
        op = code[bci]
        out.append((bci, op))
        if op in (TABLESWITCH, LOOKUPSWITCH):
            at = bci + 1 + (3 - bci % 4)
            if op == TABLESWITCH:
                low, high = struct.unpack_from(">ii", code, at + 4)
                bci = at + 12 + 4 * (high - low + 1)
            else:
                bci = at + 8 + 8 * struct.unpack_from(">i", code, at + 4)[0]
        elif op == WIDE:
            bci += 6 if code[bci + 1] == 132 else 4
        else:
            bci += 1 + OPERANDS.get(op, 0)
    return out


def dump_instructions(words):
    """(bci, opcode, operand bytes) of a dump's code words."""
    out = []
    bci = 0
    for word in words:
        op, _, operands = word.partition(":")
        operand_bytes = bytes.fromhex(operands)
        out.append((bci, int(op), operand_bytes))
        bci += 1 + len(operand_bytes)
    return out, bci


def widened(args, work):
    with zipfile.ZipFile(args.jar) as jar:
        data = jar.read(args.class_name + ".class")
    name, descriptor = args.method
    code, table = class_file_method(data, name, descriptor)
    original = class_file_instructions(code)
    r = run(args.command)
    if r.returncode != 0:
        fail("%s failed (%d): %s" % (" ".join(args.command), r.returncode, r.stderr))
    lines = r.stdout.splitlines()
    try:
        at = lines.index(next(l for l in lines if l.startswith("class ") and l.split()[2] == args.class_name))
        at = next(i for i in range(at + 1, len(lines)) if lines[i].startswith("  method %s%s " % (name, descriptor)))
    except StopIteration:
        fail("the dump has no method %s.%s%s" % (args.class_name, name, descriptor))
    words = lines[at].split(" code ", 1)[1].split() if " code " in lines[at] else []
    handlers = [tuple(int(w) for w in l.split()[1:]) for l in lines[at + 1:]
                if l.startswith("    handler ")]
    handlers = handlers[:len(table)]
    image, end = dump_instructions(words)
    starts = set(bci for bci, _, _ in image) | {end}
    ops = [op for _, op, _ in image]
    if len(original) != len(ops):
        fail("%d instructions, the class file has %d" % (len(ops), len(original)))
    # Pre-quickened: ldc and ldc_w are left as their fast forms.
    loads = sum(1 for _, op in original if op in (LDC, LDC_W))
    if LDC in ops or LDC_W in ops or ops.count(LDC_FAST) + ops.count(LDC_W_FAST) != loads:
        fail("%d ldc, %d ldc_w, %d and %d fast forms for %d loads" %
             (ops.count(LDC), ops.count(LDC_W), ops.count(LDC_FAST), ops.count(LDC_W_FAST), loads))
    widened = 0
    for (_, was), (_, op, operands) in zip(original, image):
        if op == LDC_W_FAST:
            if struct.unpack(">H", operands)[0] < 256:
                fail("ldc_w of pool entry %d, which ldc reaches" % struct.unpack(">H", operands)[0])
            widened += was == LDC
    if widened == 0:
        fail("no ldc was widened")
    switches = 0
    for bci, op, operands in image:
        if op != TABLESWITCH:
            continue
        switches += 1
        pad = 3 - bci % 4
        if operands[:pad] != bytes(pad):
            fail("tableswitch at %d: padding %s" % (bci, operands[:pad].hex()))
        default, low, high = struct.unpack_from("<iii", operands, pad)
        targets = [default] + list(struct.unpack_from("<%di" % (high - low + 1), operands, pad + 12))
        if len(operands) != pad + 12 + 4 * (high - low + 1):
            fail("tableswitch at %d: %d operand bytes" % (bci, len(operands)))
        for offset in targets:
            if bci + offset not in starts:
                fail("tableswitch at %d jumps to %d, not an instruction" % (bci, bci + offset))
    if switches == 0:
        fail("no tableswitch in the method")
    # The n-th instruction of the class file is the n-th of the image.
    index = dict((bci, i) for i, (bci, _) in enumerate(original))
    index[len(code)] = len(original)
    image_bci = [bci for bci, _, _ in image] + [end]
    if len(handlers) != len(table) or not table:
        fail("%d handlers, expected %d" % (len(handlers), len(table)))
    for (start, stop, handler, _), got in zip(table, handlers):
        expected = (image_bci[index[start]], image_bci[index[stop]], image_bci[index[handler]], got[3])
        if got != expected:
            fail("handler %s, expected %s" % (got, expected))
    print("%d ldc widened, %d tableswitch, %d handlers in place" % (widened, switches, len(handlers)))


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
    p = sub.add_parser("verified")
    p.add_argument("--romizer", nargs="+", required=True)
    p.add_argument("--lib", required=True)
    p = sub.add_parser("refused")
    p.add_argument("--romizer", nargs="+", required=True)
    p.add_argument("--lib", required=True)
    p.add_argument("--jar", required=True)
    p.add_argument("--names", nargs="+", required=True)
    p = sub.add_parser("readonly")
    p.add_argument("--readelf", required=True)
    p.add_argument("program")
    p = sub.add_parser("widened")
    p.add_argument("--jar", required=True)
    p.add_argument("--class", dest="class_name", required=True)
    p.add_argument("--method", nargs=2, required=True)
    p.add_argument("command", nargs="+")
    p = sub.add_parser("dump")
    p.add_argument("--golden", required=True)
    p.add_argument("command", nargs="+")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        {"same": same, "missing": missing, "refused": refused, "verified": verified, "readonly": readonly, "dump": dump, "widened": widened}[args.check](args, work)


if __name__ == "__main__":
    main()
