#!/usr/bin/env python3
"""Writes the verifier's fixture corpus.

  make_verifier_corpus.py OUT_DIR

OUT_DIR/fixtures.jar holds one class per case, each with
`public static void main(String[])` (which returns) and its fault in the
static method t()V (or where the case says); OUT_DIR/expected.tsv has one
row per case: the class name, "ok" or the expected verification code, and
HotSpot's verdict ("reject" for a type-unsafe case, "accept" for code that
is wrong only in its map or only for this VM's limits); OUT_DIR/ill-typed.jar
holds the case WrongStackType alone, which the romizer must refuse, and
OUT_DIR/ok.jar the "ok" cases alone; OUT_DIR/seeds/<case> the fuzz seeds
(the class name, a NUL byte and the class file) of the cases whose class
file has at most SEED_LIMIT bytes. Two runs give the
same bytes: entries in case order with a fixed time.
"""
import os
import shutil
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "classdump"))
from classgen import ACC_ABSTRACT, ACC_NATIVE, ACC_PUBLIC, ACC_STATIC, ACC_SUPER, ClassFile, u1, u2, u4  # noqa: E402
from make_class_files import stack_map  # noqa: E402

FIXED_TIME = (1980, 1, 1, 0, 0, 0)
SEED_LIMIT = 4096
ILL_TYPED = "WrongStackType"
METHODREF = 10
FIELDREF = 9
IFACEREF = 11
TOP, INT = u1(0), u1(1)


def obj(cf, name):
    return u1(7) + u2(cf.class_ref(name))


def new_item(offset):
    return u1(8) + u2(offset)


def pad(bci):
    """Padding bytes after a switch opcode at bci."""
    return b"\x00" * ((4 - (bci + 1) % 4) % 4)


def klass(name, body, max_stack=2, max_locals=1, frames=None, handlers=(), descriptor="()V",
          access=ACC_PUBLIC | ACC_STATIC, extra=None):
    """A case class: main returns; t holds the code under test."""
    cf = ClassFile(name)
    cf.constructor()
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    code = body(cf) if callable(body) else body
    attrs = [stack_map(cf, frames(cf) if callable(frames) else frames)] if frames else []
    cf.method("t", descriptor, access=access,
              attributes=[cf.code(code, max_stack=max_stack, max_locals=max_locals, handlers=handlers,
                                  attributes=attrs)])
    if extra:
        extra(cf)
    return cf.to_bytes()


def cases():
    out = []

    def add(name, expected, verdict, data):
        out.append((name, expected, verdict, data))

    # Type-correct code.
    add("OkReturn", "ok", "accept", klass("OkReturn", b"\xb1"))
    add("OkBranch", "ok", "accept", klass("OkBranch", b"\x03\x99\x00\x04\x00\xb1", frames=[(5, [], [])]))
    add("OkTwoEntriesOneBci", "ok", "accept",
        klass("OkTwoEntriesOneBci", b"\x03\x99\x00\x04\x00\xb1", frames=[(5, [], []), (5, [], [])]))
    one_switch = b"\x03\xaa" + pad(1) + u4(19) + u4(0) + u4(0) + u4(19) + b"\xb1"
    add("OkTableswitch", "ok", "accept", klass("OkTableswitch", one_switch, frames=[(20, [], [])]))
    add("OkObjectArrayStore", "ok", "accept", klass(
        "OkObjectArrayStore",
        lambda cf: b"\x04\xbd" + u2(cf.class_ref("java/lang/String")) + b"\x03\x12" +
        u1(cf.string("x")) + b"\x53\xb1", max_stack=3))
    add("OkNewAndInit", "ok", "accept", klass(
        "OkNewAndInit",
        lambda cf: b"\xbb" + u2(cf.class_ref("java/lang/Object")) + b"\x59\xb7" +
        u2(cf.member_ref(METHODREF, "java/lang/Object", "<init>", "()V")) + b"\x57\xb1"))
    add("OkHandler", "ok", "accept", klass(
        "OkHandler", b"\x00\xb1\x57\xb1", handlers=[(0, 1, 2, 0)],
        frames=lambda cf: [(2, [], [obj(cf, "java/lang/Throwable")])]))
    # Code may end in goto or athrow as well as in a return or a switch.
    add("OkEndsInGoto", "ok", "accept", klass("OkEndsInGoto", b"\xa7\x00\x00", frames=[(0, [], [])]))
    add("OkEndsInAthrow", "ok", "accept", klass("OkEndsInAthrow", b"\x01\xbf"))
    # An object array store where neither side is an array class is left
    # to the run-time store check.
    add("OkUnrelatedArrayStore", "ok", "accept", klass(
        "OkUnrelatedArrayStore", lambda cf: b"\x04\xbd" + u2(cf.class_ref("java/lang/Integer")) + b"\x03\x12" +
        u1(cf.string("x")) + b"\x53\xb1", max_stack=3))
    # Native and abstract methods have no code to check.
    add("OkNativeAndAbstract", "ok", "accept", native_and_abstract())
    # An initializer may set its own class's fields before calling the
    # superclass's initializer; OkFieldHolder is also the superclass of
    # PutfieldInheritedBeforeInit.
    add("OkFieldHolder", "ok", "accept", putfield_before_init("OkFieldHolder", "java/lang/Object", "OkFieldHolder"))

    # Faults of the code.
    add("StackOverflow", "1", "reject", klass("StackOverflow", b"\x03\x03\x57\x57\xb1", max_stack=1))
    add("StackUnderflow", "2", "reject", klass("StackUnderflow", b"\x57\xb1"))
    add("WrongStackType", "4", "reject", klass("WrongStackType", b"\x0b\x74\x57\xb1"))
    add("LocalOutOfRange", "5", "reject", klass("LocalOutOfRange", b"\x1b\x57\xb1"))
    add("WrongLocalType", "6", "reject", klass("WrongLocalType", b"\x1a\x57\xb1"))
    add("TargetWithoutEntry", "8", "accept", klass("TargetWithoutEntry", b"\x03\x99\x00\x04\x00\xb1"))
    add("NoEntryAfterGoto", "10", "accept", klass("NoEntryAfterGoto", b"\xa7\x00\x04\x00\xb1",
                                                   frames=[(4, [], [])]))
    add("FrameMismatch", "10", "accept", klass("FrameMismatch", b"\x00\xb1", frames=[(1, [INT], [])]))
    add("NewOfArrayClass", "11", "reject",
        klass("NewOfArrayClass", lambda cf: b"\xbb" + u2(cf.class_ref("[I")) + b"\x57\xb1"))
    add("CatchNotThrowable", "12", "reject", catch_not_throwable())
    lookup = b"\x03\xab" + pad(1) + u4(27) + u4(2) + u4(5) + u4(27) + u4(4) + u4(27) + b"\xb1"
    add("LookupswitchKeys", "13", "reject", klass("LookupswitchKeys", lookup, frames=[(28, [], [])]))
    add("AastoreOfInt", "18", "reject", klass(
        "AastoreOfInt", lambda cf: b"\x04\xbd" + u2(cf.class_ref("java/lang/String")) + b"\x03\x03\x53\xb1",
        max_stack=3))
    add("InvokeOfField", "20", "reject", klass(
        "InvokeOfField", lambda cf: b"\xb8" + u2(cf.member_ref(FIELDREF, "InvokeOfField", "f", "I")) + b"\xb1",
        extra=lambda cf: cf.field("f", "I", access=ACC_STATIC)))
    add("TooFewArguments", "21", "reject", klass(
        "TooFewArguments", lambda cf: b"\xb8" + u2(cf.member_ref(METHODREF, "TooFewArguments", "u", "(I)V")) +
        b"\xb1", extra=lambda cf: cf.method("u", "(I)V", access=ACC_STATIC,
                                             attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])))
    add("InvokestaticOfInit", "23", "reject", klass(
        "InvokestaticOfInit", lambda cf: b"\xb8" + u2(cf.member_ref(METHODREF, "java/lang/Object", "<init>", "()V")) +
        b"\xb1"))
    add("InitOfInitialized", "25", "reject", klass(
        "InitOfInitialized", lambda cf: b"\x2a\xb7" + u2(cf.member_ref(METHODREF, "java/lang/Object", "<init>", "()V"))
        + b"\xb1", descriptor="(Ljava/lang/Object;)V"))
    add("BadNewarrayType", "26", "reject", klass("BadNewarrayType", b"\x04\xbc\x03\x57\xb1"))
    add("ArraylengthOfString", "27", "reject", klass(
        "ArraylengthOfString", lambda cf: b"\x12" + u1(cf.string("s")) + b"\xbe\x57\xb1"))
    add("MultiArrayTooDeep", "28", "reject", klass(
        "MultiArrayTooDeep", lambda cf: b"\x04\x04\xc5" + u2(cf.class_ref("[I")) + b"\x02\x57\xb1"))
    add("ReturnTypeWrong", "30", "reject", klass("ReturnTypeWrong", b"\x03\xac"))
    add("InitReturnsEarly", "32", "reject", init_returns_early())
    # A second call finds `this` initialized already.
    add("InitTwice", "25", "reject", init_twice())
    add("InitOfWrongClass", "38", "reject", init_of_wrong_class())
    add("EntryInsideInstruction", "33", "accept", klass("EntryInsideInstruction", b"\x10\x05\x57\xb1",
                                                        frames=[(1, [], [])]))
    add("EntryAfterLastInstruction", "33", "accept", klass("EntryAfterLastInstruction", b"\x00\xb1",
                                                           frames=[(2, [], [])]))
    add("EntryNamesNoNew", "33", "accept", klass("EntryNamesNoNew", b"\x00\x00\xb1",
                                                 frames=[(1, [], [new_item(0)])]))
    add("FallsOffTheEnd", "34", "reject", klass("FallsOffTheEnd", b"\x03\x04\x60\x57"))
    add("InterfaceZeroByte", "35", "reject", klass(
        "InterfaceZeroByte", lambda cf: b"\x01\xb9" + u2(cf.member_ref(IFACEREF, "java/lang/Runnable", "run", "()V"))
        + b"\x01\x01\xb1"))
    add("InterfaceCount", "36", "reject", klass(
        "InterfaceCount", lambda cf: b"\x01\xb9" + u2(cf.member_ref(IFACEREF, "java/lang/Runnable", "run", "()V"))
        + b"\x02\x00\xb1"))
    add("SpecialOfUnrelated", "37", "reject", klass(
        "SpecialOfUnrelated", lambda cf: b"\x01\xb7" + u2(cf.member_ref(METHODREF, "java/lang/String", "length", "()I"))
        + b"\x57\xb1"))
    add("GetstaticOfMethod", "39", "reject", klass(
        "GetstaticOfMethod", lambda cf: b"\xb2" + u2(cf.member_ref(METHODREF, "GetstaticOfMethod", "t", "()V"))
        + b"\x57\xb1"))
    add("FinalOverride", "40", "reject", final_override())
    add("PoolIndexPastPool", "43", "reject", klass("PoolIndexPastPool", b"\xb2\x03\xe7\x57\xb1"))
    add("HandlerInsideInstruction", "66", "reject", klass(
        "HandlerInsideInstruction", b"\x10\x05\x57\xb1", handlers=[(0, 2, 1, 0)]))
    add("PutfieldInheritedBeforeInit", "4", "reject",
        putfield_before_init("PutfieldInheritedBeforeInit", "OkFieldHolder", "OkFieldHolder"))
    # One object per `new` site at a time: a map that brings the site's
    # uninitialized object back to its `new` (code reached only from
    # itself) is refused, on the stack with 4; in a local the `new` turns
    # it into top, so reading it fails 6.
    add("NewAgainOnTheStack", "4", "accept", klass(
        "NewAgainOnTheStack", lambda cf: b"\xb1\xbb" + u2(cf.class_ref("java/lang/Object")) + b"\x57\xa7\xff\xfc",
        frames=[(1, [], [new_item(1)])]))
    add("NewAgainInALocal", "6", "accept", klass(
        "NewAgainInALocal", lambda cf: b"\xb1\xbb" + u2(cf.class_ref("java/lang/Object")) + b"\x57\x2a\x57\xa7\xff\xfa",
        frames=[(1, [new_item(1)], [])]))
    # The class file's max_stack bounds the operands: monitorenter's lock
    # record room is not theirs.
    add("OperandsInLockRoom", "1", "reject", klass(
        "OperandsInLockRoom", b"\x2a\xc2\x03\x03\x57\x57\x2a\xc3\xb1", max_stack=1,
        descriptor="(Ljava/lang/Object;)V"))
    # A new at bci 0x8000 cannot be typed.
    add("NewPast7FFF", "26", "accept", klass(
        "NewPast7FFF", lambda cf: b"\x00" * 0x8000 + b"\xbb" + u2(cf.class_ref("java/lang/Object")) + b"\x57\xb1",
        max_stack=1))
    # Refused by the load-time preparation whatever the verifier says.
    # HotSpot takes subroutines in class files of this version.
    add("Jsr", "104", "accept", klass("Jsr", b"\xa8\x00\x04\xb1\x4b\xa9\x00", max_stack=1))
    empty_switch = b"\x03\xaa" + pad(1) + u4(15) + u4(1) + u4(0) + b"\xb1"
    add("TableswitchHighBelowLow", "104", "reject", klass("TableswitchHighBelowLow", empty_switch,
                                                          frames=[(16, [], [])]))
    huge = b"\x03\xaa" + pad(1) + u4(15) + u4(0x80000000) + u4(0x7fffffff) + b"\xb1"
    add("HugeTableswitch", "104", "reject", klass("HugeTableswitch", huge))
    add("Ret", "104", "reject", klass("Ret", b"\xa9\x00\xb1"))
    add("JsrW", "104", "accept", klass("JsrW", b"\xc9\x00\x00\x00\x06\xb1\x4b\xa9\x00", max_stack=1))
    add("Opcode186", "104", "reject", klass("Opcode186", b"\xba\x00\x01\x00\x00\xb1"))
    add("VmOpcode", "104", "reject", klass("VmOpcode", b"\x03\xcb\x57\xb1"))
    add("CutOffOperand", "104", "reject", klass("CutOffOperand", b"\xb1\x10"))
    return out


def catch_not_throwable():
    cf = ClassFile("CatchNotThrowable")
    cf.constructor()
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    string = cf.class_ref("java/lang/String")
    attrs = [stack_map(cf, [(2, [], [obj(cf, "java/lang/String")])])]
    cf.method("t", "()V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\x00\xb1\x57\xb1", max_stack=1, max_locals=0, handlers=[(0, 1, 2, string)],
                                  attributes=attrs)])
    return cf.to_bytes()


def with_init(name, code):
    cf = ClassFile(name)
    init = cf.member_ref(METHODREF, "java/lang/Object", "<init>", "()V")
    cf.method("<init>", "()V", attributes=[cf.code(code(init), max_stack=1, max_locals=1)])
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    return cf.to_bytes()


def init_returns_early():
    return with_init("InitReturnsEarly", lambda init: b"\xb1")


def init_twice():
    return with_init("InitTwice", lambda init: b"\x2a\xb7" + u2(init) + b"\x2a\xb7" + u2(init) + b"\xb1")


def init_of_wrong_class():
    cf = ClassFile("InitOfWrongClass")
    init = cf.member_ref(METHODREF, "java/lang/String", "<init>", "()V")
    cf.method("<init>", "()V", attributes=[cf.code(b"\x2a\xb7" + u2(init) + b"\xb1", max_stack=1, max_locals=1)])
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    return cf.to_bytes()


def final_override():
    cf = ClassFile("FinalOverride")
    cf.constructor()
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    cf.method("notify", "()V", access=ACC_PUBLIC, attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    return cf.to_bytes()


def native_and_abstract():
    cf = ClassFile("OkNativeAndAbstract", access=ACC_PUBLIC | ACC_SUPER | ACC_ABSTRACT)
    cf.constructor()
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    cf.method("n", "(I)I", access=ACC_PUBLIC | ACC_NATIVE, attributes=[])
    cf.method("a", "()V", access=ACC_PUBLIC | ACC_ABSTRACT, attributes=[])
    return cf.to_bytes()


def putfield_before_init(name, super_name, holder):
    """<init> stores field f of holder into this, then calls the superclass's <init>."""
    cf = ClassFile(name, super_name=super_name)
    if holder == name:
        cf.field("f", "I", access=ACC_PUBLIC)
    field = cf.member_ref(FIELDREF, holder, "f", "I")
    init = cf.member_ref(METHODREF, super_name, "<init>", "()V")
    cf.method("<init>", "()V", attributes=[cf.code(b"\x2a\x03\xb5" + u2(field) + b"\x2a\xb7" + u2(init) + b"\xb1",
                                                    max_stack=2, max_locals=1)])
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_stack=0, max_locals=1)])
    return cf.to_bytes()


def write_jar(path, rows):
    with zipfile.ZipFile(path + ".tmp", "w", zipfile.ZIP_DEFLATED) as jar:
        for name, _, _, data in rows:
            info = zipfile.ZipInfo(name + ".class", FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            jar.writestr(info, data)
    os.replace(path + ".tmp", path)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_verifier_corpus.py OUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rows = cases()
    write_jar(os.path.join(out, "fixtures.jar"), rows)
    # One ill-typed class alone, for the romizer to refuse; the "ok" cases
    # alone, for a class path that verifies.
    write_jar(os.path.join(out, "ill-typed.jar"), [r for r in rows if r[0] == ILL_TYPED])
    write_jar(os.path.join(out, "ok.jar"), [r for r in rows if r[1] == "ok"])
    # Fuzz seeds: the class name, a NUL byte and the class file. The
    # fuzzer sizes its mutants by its largest seed, so the case with 32 KiB
    # of code (NewPast7FFF) would make every run several times slower.
    seeds = os.path.join(out, "seeds")
    shutil.rmtree(seeds, ignore_errors=True)
    os.makedirs(seeds)
    for name, _, _, data in rows:
        if len(data) > SEED_LIMIT:
            continue
        with open(os.path.join(seeds, name), "wb") as seed:
            seed.write(name.encode() + b"\0" + data)
    with open(os.path.join(out, "expected.tsv"), "w", newline="\n") as table:
        for name, expected, verdict, _ in rows:
            table.write("%s\t%s\t%s\n" % (name, expected, verdict))
    return 0


if __name__ == "__main__":
    sys.exit(main())
