#!/usr/bin/env python3
"""Checks that every class of a JAR has the form the VM accepts.

A class is refused (with its name, and the method where it applies) when:
  - its major version is not 45 to 48;
  - a method contains jsr (168), ret (169) or jsr_w (201): preverified code
    has no subroutines;
  - a method with a branch, a switch or an exception handler has no StackMap
    attribute in its Code attribute;
  - a StackMapTable attribute is present.
With --report it prints one line per class: its major version and how many
methods carry a StackMap. Exit status 0 when every class passes, 1 otherwise; malformed class files
are refused, never crash the checker.
"""
import struct
import sys
import zipfile

MIN_MAJOR, MAX_MAJOR = 45, 48

# Length of each opcode 0..201; 0 marks the variable-length ones
# (tableswitch, lookupswitch, wide) and unused numbers are absent.
_LENGTHS = {}
for op in range(0, 16):
    _LENGTHS[op] = 1
_LENGTHS.update({16: 2, 17: 3, 18: 2, 19: 3, 20: 3})
for op in range(21, 26):
    _LENGTHS[op] = 2
for op in range(26, 54):
    _LENGTHS[op] = 1
for op in range(54, 59):
    _LENGTHS[op] = 2
for op in range(59, 132):
    _LENGTHS[op] = 1
_LENGTHS[132] = 3
for op in range(133, 153):
    _LENGTHS[op] = 1
for op in range(153, 169):
    _LENGTHS[op] = 3
_LENGTHS.update({169: 2, 170: 0, 171: 0})
for op in range(172, 178):
    _LENGTHS[op] = 1
for op in range(178, 185):
    _LENGTHS[op] = 3
_LENGTHS.update({185: 5, 186: 5, 187: 3, 188: 2, 189: 3, 190: 1, 191: 1, 192: 3,
                 193: 3, 194: 1, 195: 1, 196: 0, 197: 4, 198: 3, 199: 3, 200: 5, 201: 5})

SUBROUTINE_OPS = {168: "jsr", 169: "ret", 201: "jsr_w"}
BRANCH_OPS = set(range(153, 169)) | {170, 171, 198, 199, 200, 201}


class Malformed(Exception):
    pass


class Reader:
    def __init__(self, data, pos=0, end=None):
        self.data = data
        self.pos = pos
        self.end = len(data) if end is None else end

    def take(self, n):
        if n < 0 or self.pos + n > self.end:
            raise Malformed("truncated at byte %d" % self.pos)
        b = self.data[self.pos:self.pos + n]
        self.pos += n
        return b

    def u1(self):
        return self.take(1)[0]

    def u2(self):
        return struct.unpack(">H", self.take(2))[0]

    def u4(self):
        return struct.unpack(">I", self.take(4))[0]


def read_constant_pool(r):
    count = r.u2()
    utf8 = {}
    i = 1
    while i < count:
        tag = r.u1()
        if tag == 1:
            raw = r.take(r.u2())
            utf8[i] = raw.decode("utf-8", errors="replace")
        elif tag in (3, 4, 9, 10, 11, 12, 17, 18):
            r.take(4)
        elif tag in (5, 6):
            r.take(8)
            i += 1
        elif tag in (7, 8, 16, 19, 20):
            r.take(2)
        elif tag == 15:
            r.take(3)
        else:
            raise Malformed("unknown constant-pool tag %d at entry %d" % (tag, i))
        i += 1
    return utf8


def scan_code(code):
    """Returns (subroutine ops as [(name, pc)], has_branch)."""
    subs = []
    branch = False
    pc = 0
    n = len(code)
    while pc < n:
        op = code[pc]
        if op not in _LENGTHS:
            raise Malformed("unknown opcode %d at pc %d" % (op, pc))
        if op in SUBROUTINE_OPS:
            subs.append((SUBROUTINE_OPS[op], pc))
        if op in BRANCH_OPS:
            branch = True
        length = _LENGTHS[op]
        if op == 196:  # wide
            if pc + 1 >= n:
                raise Malformed("truncated wide at pc %d" % pc)
            if code[pc + 1] == 169:
                subs.append(("ret", pc))
            length = 6 if code[pc + 1] == 132 else 4
        elif op in (170, 171):
            base = (pc + 4) & ~3
            # default, low and high; default and npairs (a lookupswitch
            # of no pairs ends there)
            if base + (12 if op == 170 else 8) > n:
                raise Malformed("truncated switch at pc %d" % pc)
            if op == 170:
                low, high = struct.unpack(">ii", code[base + 4:base + 12])
                if high < low:
                    raise Malformed("tableswitch high < low at pc %d" % pc)
                length = base - pc + 12 + 4 * (high - low + 1)
            else:
                npairs = struct.unpack(">i", code[base + 4:base + 8])[0]
                if npairs < 0:
                    raise Malformed("negative lookupswitch count at pc %d" % pc)
                length = base - pc + 8 + 8 * npairs
        if pc + length > n:
            raise Malformed("instruction at pc %d runs past the code" % pc)
        pc += length
    return subs, branch


def check_class(name, data, report=None):
    """Returns a list of problems, each a line naming the class."""
    problems = []
    r = Reader(data)
    if r.u4() != 0xCAFEBABE:
        raise Malformed("bad magic")
    minor, major = r.u2(), r.u2()
    if not MIN_MAJOR <= major <= MAX_MAJOR:
        problems.append("%s: major version %d (accepted %d to %d)" % (name, major, MIN_MAJOR, MAX_MAJOR))
    mapped = 0
    utf8 = read_constant_pool(r)
    r.take(6)  # access flags, this, super
    r.take(2 * r.u2())  # interfaces

    def attributes(reader):
        for _ in range(reader.u2()):
            attr_name = utf8.get(reader.u2(), "?")
            length = reader.u4()
            start = reader.pos
            reader.take(length)
            yield attr_name, start, start + length

    for _ in range(r.u2()):  # fields
        r.take(6)
        for attr_name, _, _ in attributes(r):
            if attr_name == "StackMapTable":
                problems.append("%s: StackMapTable attribute present" % name)
    for _ in range(r.u2()):  # methods
        r.take(2)
        method = "%s.%s%s" % (name, utf8.get(r.u2(), "?"), utf8.get(r.u2(), "?"))
        for attr_name, start, end in attributes(r):
            if attr_name != "Code":
                continue
            c = Reader(data, start, end)
            c.take(4)  # max stack, max locals
            code = c.take(c.u4())
            handlers = c.u2()
            c.take(8 * handlers)
            has_stack_map = False
            for sub_name, _, _ in attributes(c):
                if sub_name == "StackMap":
                    has_stack_map = True
                elif sub_name == "StackMapTable":
                    problems.append("%s: StackMapTable attribute present" % method)
            subs, branch = scan_code(code)
            for op_name, pc in subs:
                problems.append("%s: %s at pc %d (subroutines are not accepted)" % (method, op_name, pc))
            if has_stack_map:
                mapped += 1
            if (branch or handlers) and not has_stack_map:
                problems.append("%s: branches or handlers but no StackMap attribute" % method)
    for attr_name, _, _ in attributes(r):
        if attr_name == "StackMapTable":
            problems.append("%s: StackMapTable attribute present" % name)
    if report is not None:
        report.append("%s: major %d, %d methods with StackMap" % (name, major, mapped))
    return problems


def check_jar(path, report=None):
    problems = []
    classes = 0
    try:
        jar = zipfile.ZipFile(path)
    except (OSError, zipfile.BadZipFile) as e:
        return ["%s: cannot read: %s" % (path, e)], 0
    with jar:
        for entry in jar.namelist():
            if not entry.endswith(".class"):
                continue
            classes += 1
            name = entry[:-len(".class")].replace("/", ".")
            try:
                problems.extend(check_class(name, jar.read(entry), report))
            except Malformed as e:
                problems.append("%s: malformed class file: %s" % (name, e))
            except (zipfile.BadZipFile, OSError) as e:
                problems.append("%s: cannot read: %s" % (name, e))
    return problems, classes


def main(argv):
    args = argv[1:]
    report = [] if args[:1] == ["--report"] else None
    if report is not None:
        args = args[1:]
    if not args:
        print("usage: classcheck.py [--report] JAR...", file=sys.stderr)
        return 2
    failed = False
    for path in args:
        problems, classes = check_jar(path, report)
        for p in problems:
            print("classcheck: %s" % p, file=sys.stderr)
        if problems:
            failed = True
        elif classes == 0:
            print("classcheck: %s: no classes" % path, file=sys.stderr)
            failed = True
    for line in report or []:
        print(line)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
