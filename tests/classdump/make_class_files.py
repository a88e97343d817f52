#!/usr/bin/env python3
"""Writes the hand-made class files of the loader tests.

  make_class_files.py OUT_DIR [FIXTURES.jar]

OUT_DIR/errors.jar   one class per format error of the class-file parser
                     (err/E<code>, and err/F... for the faults the loader
                     mends), and a few classes javac cannot make (hand/...)
OUT_DIR/deep.jar     an interface chain 5000 deep (deep/I0 .. deep/I4999)
                     and deep/Deep implementing the last one
OUT_DIR/final-store.jar  hand/FinalStore, which stores into the final static
                     link/Holder.LIMIT of the fixtures (the romizer refuses it)
OUT_DIR/seeds/       fuzz seeds: "class name\\0class file" for every class
                     of errors.jar and of FIXTURES.jar when given
The output depends on nothing but this script, so every tree reads the same
files.
"""
import os
import shutil
import sys
import zipfile

from classgen import (ACC_ABSTRACT, ACC_INTERFACE, ACC_NATIVE, ACC_PRIVATE, ACC_PUBLIC, ACC_STATIC,
                      ClassFile, u1, u2, u4)

FIXED_TIME = (1980, 1, 1, 0, 0, 0)
DEEP = 5000
INTERFACE = ACC_PUBLIC | ACC_INTERFACE | ACC_ABSTRACT


def stack_map(cf, frames):
    """A StackMap attribute; frames are (offset, locals, stack) of raw item bytes."""
    body = u2(len(frames))
    for offset, local_items, stack_items in frames:
        body += u2(offset) + u2(len(local_items)) + b"".join(local_items)
        body += u2(len(stack_items)) + b"".join(stack_items)
    return cf.attribute("StackMap", body)


def static_method(cf, name, code, max_locals=0, max_stack=1, attributes=(), descriptor="()V"):
    cf.method(name, descriptor, access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(code, max_stack=max_stack, max_locals=max_locals, attributes=attributes)])


def error_classes():
    """(class name, class file bytes) of every error case."""
    out = []

    def add(cf, name=None):
        out.append((name or cf_name(cf), cf if isinstance(cf, bytes) else cf.to_bytes()))

    def cf_name(cf):
        return cf.name

    def make(name, **kw):
        cf = ClassFile(name, **kw)
        cf.name = name
        return cf

    cf = make("err/E44")
    add(cf.to_bytes()[:10], "err/E44")
    cf = make("err/E45")
    cf.raw(u1(1) + u2(1) + b"\xc0")
    add(cf)
    cf = make("err/E46")
    cf.raw(u1(52) + u2(0))
    add(cf)
    cf = make("err/E47")
    cf.long(1)
    cf.count_override = len(cf.entries)
    add(cf)
    cf = make("err/E48")
    cf.raw(u1(2) + u2(0))
    add(cf)
    cf = make("err/E49")
    cf.member_ref(9, "err/E49", "f", "()V")
    add(cf)
    cf = make("err/E50")
    cf.method("bad-name", "()V")
    add(cf)
    cf = make("err/E51")
    cf.method("m", "I")
    add(cf)
    cf = make("err/E51Init")
    cf.method("<init>", "()I")
    add(cf)
    cf = make("err/E52")
    cf.field("9x", "I")
    add(cf)
    cf = make("err/E54")
    cf.name_and_type("n", "X")
    add(cf)
    cf = make("err/E55")
    cf.class_ref("a;b")
    add(cf)
    cf = make("err/E56")
    cf.major = 49
    add(cf)
    cf = make("err/E57")
    cf.implements("[Ljava/lang/Object;")
    add(cf)
    cf = make("err/E58")
    cf.field("c", "I", access=ACC_STATIC, attributes=[cf.attribute("ConstantValue", u4(1))])
    add(cf)
    cf = make("err/E59")
    cf.attributes.append(cf.attribute("Synthetic", b"\x00"))
    add(cf)
    cf = make("err/E60")
    cf.field("x", "I")
    cf.field("x", "I")
    add(cf)
    cf = make("err/E61", access=INTERFACE)
    cf.field("x", "I", access=ACC_PUBLIC)
    add(cf)
    cf = make("err/E62")
    cf.field("x", "(I)V")
    add(cf)
    cf = make("err/E63")
    static_method(cf, "m", b"\x00\xb1", max_locals=1,
                  attributes=[stack_map(cf, [(1, [u1(1), u1(1)], [])])])
    add(cf)
    cf = make("err/E64")
    static_method(cf, "m", b"\x00\xb1", max_locals=1, attributes=[stack_map(cf, [(1, [u1(9)], [])])])
    add(cf)
    cf = make("err/E65")
    cf.raw(u1(8) + u2(0))
    add(cf)
    cf = make("err/E66")
    cf.method("m", "()V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(b"\x00\xb1", max_locals=0, handlers=[(1, 1, 1, 0)])])
    add(cf)
    cf = make("err/E67")
    cf.method("m", "()V", access=ACC_PUBLIC | ACC_PRIVATE)
    add(cf)
    cf = make("err/E68")
    cf.method("m", "()V", access=ACC_PUBLIC | ACC_ABSTRACT)
    add(cf)
    cf = make("err/E69")
    body = u2(1) + u2(0) + u4(65536)
    cf.method("m", "()V", access=ACC_STATIC, attributes=[cf.attribute("Code", body)])
    add(cf)
    cf = make("err/E70")
    twice = [stack_map(cf, []), stack_map(cf, [])]
    static_method(cf, "m", b"\xb1", attributes=twice)
    add(cf)
    cf = make("err/E71")
    longer = u2(cf.utf8("StackMap")) + u4(3) + u2(0) + b"\x00"
    static_method(cf, "m", b"\xb1", attributes=[longer])
    add(cf)
    cf = make("err/E72")
    exceptions = cf.attribute("Exceptions", u2(0))
    cf.method("m", "()V", access=ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_locals=0), exceptions, exceptions])
    add(cf)
    cf = make("err/E73")
    code = cf.code(b"\xb1", max_locals=0)
    stretched = code[:2] + u4(len(code) - 6 + 2) + code[6:] + b"\x00\x00"
    cf.method("m", "()V", access=ACC_STATIC, attributes=[stretched])
    add(cf)
    cf = make("err/E74")
    cf.method("m", "()V", access=ACC_PUBLIC, attributes=[])
    add(cf)
    cf = make("err/E75")
    static_method(cf, "m", b"\xb1", max_locals=256, descriptor="(" + "J" * 128 + ")V")
    add(cf)
    cf = make("err/E76")
    static_method(cf, "m", b"\xb1", max_locals=0, descriptor="(I)V")
    add(cf)
    cf = make("err/E77")
    text = cf.utf8("err/E77")
    cf.attributes.append(cf.attribute("InnerClasses", u2(1) + u2(text) + u2(0) + u2(0) + u2(ACC_PUBLIC)))
    add(cf)
    iface = make("err/Iface", access=INTERFACE)
    add(iface)
    cf = make("err/E80")
    cf.implements("err/Iface")
    cf.implements("err/Iface")
    add(cf)
    add(make("err/E81", super_name="err/Cycle"))
    add(make("err/Cycle", super_name="err/E81"))
    cf = make("err/E82")
    cf.magic = 0xCAFEBABF
    add(cf)
    add(make("err/E83", access=ACC_PUBLIC | ACC_INTERFACE))
    cf = make("err/E84")
    cf.this_index = 0
    add(cf)
    cf = make("err/E85")
    cf.super_index = 0
    add(cf)
    add(make("err/E86", super_name="err/Iface", access=INTERFACE))
    add(make("err/E87", super_name="java/lang/String"))
    add(make("err/E88", super_name="err/Iface"))
    cf = make("err/E89")
    cf.trailing = b"\x00"
    add(cf)
    cf = make("err/E91")
    cf.method("m", "()V", access=ACC_STATIC,
              attributes=[cf.code(b"\xb1", max_locals=0), cf.attribute("Exceptions", u2(1) + u2(cf.utf8("x")))])
    add(cf)
    add(make("hid/Hidden", access=0))
    add(make("err/E94", super_name="hid/Hidden"))
    cf = make("err/E0")
    cf.implements("java/lang/Object")
    add(cf)

    # Faults the loader mends, and the limits of the code length.
    cf = make("err/FBreakpoint")
    static_method(cf, "m", b"\xca\xb1")
    add(cf)
    cf = make("err/FJsr")
    static_method(cf, "m", b"\xa8\x00\x03\xb1\xb1")
    add(cf)
    cf = make("err/FEmptyCode")
    static_method(cf, "m", b"")
    add(cf)
    cf = make("err/FWide")
    static_method(cf, "m", b"\xc4\x00\xb1")
    add(cf)
    cf = make("err/FNegativeTable")
    static_method(cf, "m", b"\x03\xaa\x00\x00" + u4(3) + u4(5) + u4(4) + b"\xb1")
    add(cf)
    cf = make("err/FTablePastEnd")
    static_method(cf, "m", b"\x03\xaa\x00\x00" + u4(3) + u4(0) + u4(9) + b"\xb1")
    add(cf)
    cf = make("err/FNewSite32768")
    code = b"\x00" * 32800 + b"\xb1"
    static_method(cf, "m", code, attributes=[stack_map(cf, [(1, [], [u1(8) + u2(32768)])])])
    add(cf)
    cf = make("err/FNewSite32767")
    static_method(cf, "m", code, attributes=[stack_map(cf, [(1, [], [u1(8) + u2(32767)])])])
    add(cf)
    cf = make("err/FCode65535")
    static_method(cf, "m", b"\x00" * 65534 + b"\xb1")
    add(cf)

    # Classes javac cannot make.
    iface = make("hand/Iface", access=INTERFACE)
    for name in ("m", "s", "hidden", "missing"):
        iface.method(name, "()V", access=ACC_PUBLIC | ACC_ABSTRACT, attributes=[])
    add(iface)
    impl = make("hand/Impl")
    impl.implements("hand/Iface")
    impl.constructor()
    impl.method("m", "()V")
    impl.method("s", "()V", access=ACC_PUBLIC | ACC_STATIC)
    impl.method("hidden", "()V", access=0)
    add(impl)
    add(make("hand/NoSuper", super_name="hand/Missing"))
    add(make("hand/Other"), "hand/Wanted")
    native = make("hand/Natives")
    native.method("call", "(IJ)D", access=ACC_PUBLIC | ACC_STATIC | ACC_NATIVE, attributes=[])
    add(native)
    return out


def deep_classes():
    out = []
    for k in range(DEEP):
        cf = ClassFile("deep/I%d" % k, access=INTERFACE)
        if k > 0:
            cf.implements("deep/I%d" % (k - 1))
        out.append(("deep/I%d" % k, cf.to_bytes()))
    cf = ClassFile("deep/Deep")
    cf.implements("deep/I%d" % (DEEP - 1))
    out.append(("deep/Deep", cf.to_bytes()))
    return out


def final_store_classes():
    cf = ClassFile("hand/FinalStore")
    cf.constructor()
    limit = cf.member_ref(9, "link/Holder", "LIMIT", "I")
    # iconst_1, putstatic link/Holder.LIMIT, return
    static_method(cf, "store", b"\x04\xb3" + u2(limit) + b"\xb1")
    return [("hand/FinalStore", cf.to_bytes())]


def iface_classes():
    """iface/Named, an interface, and iface/EqualsCall, which implements it
    and calls Object.equals through an interface-method reference to it:
    same(Named, Object) is aload_0, aload_1, invokeinterface #Named.equals
    2 0, ireturn. javac would name Object in that call. Named declares no
    method, so its block in EqualsCall's interface table is empty."""
    named = ClassFile("iface/Named", access=INTERFACE)
    cf = ClassFile("iface/EqualsCall")
    cf.implements("iface/Named")
    cf.constructor()
    equals = cf.member_ref(11, "iface/Named", "equals", "(Ljava/lang/Object;)Z")
    code = u1(0x2a) + u1(0x2b) + u1(0xb9) + u2(equals) + u1(2) + u1(0) + u1(0xac)
    static_method(cf, "same", code, max_locals=2, max_stack=2,
                  descriptor="(Liface/Named;Ljava/lang/Object;)Z")
    return [("iface/Named", named.to_bytes()), ("iface/EqualsCall", cf.to_bytes())]


def write_jar(path, classes):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as jar:
        for name, data in classes:
            info = zipfile.ZipInfo(name + ".class", FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            jar.writestr(info, data)


def write_seeds(directory, classes):
    for name, data in classes:
        with open(os.path.join(directory, name.replace("/", "_") + ".seed"), "wb") as f:
            f.write(name.encode() + b"\0" + data)


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    seeds = os.path.join(out, "seeds")
    os.makedirs(seeds)
    errors = error_classes()
    write_jar(os.path.join(out, "errors.jar"), errors)
    write_jar(os.path.join(out, "deep.jar"), deep_classes())
    write_jar(os.path.join(out, "final-store.jar"), final_store_classes())
    write_jar(os.path.join(out, "iface.jar"), iface_classes())
    # The largest error classes add nothing to a seed corpus but size.
    write_seeds(seeds, [(n, d) for n, d in errors if len(d) < 4096])
    if len(sys.argv) > 2:
        with zipfile.ZipFile(sys.argv[2]) as jar:
            fixtures = [(e[:-len(".class")], jar.read(e)) for e in jar.namelist() if e.endswith(".class")]
        write_seeds(seeds, fixtures)
    return 0


if __name__ == "__main__":
    sys.exit(main())
