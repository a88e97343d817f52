#!/usr/bin/env python3
"""Writes the hand-made classes of the test programs, which javac cannot make.

  make_hand_classes.py OUT.jar

tests/EmptySwitch: a lookupswitch of no pairs (every key takes the
default) with the opcode at each of the four positions modulo 4; main
prints each method's result for five keys.

tests/EqualsCall: Object.equals called through an interface-method
reference (iface/EqualsCall.same, with iface/Named, of the classdump
files); main prints same(e, e) and same(e, new Object()).

tests/MonitorLoop: enterAll(o) enters o's monitor 10,000 times in a loop
(legal bytecode; each enter takes one more lock record of the frame),
counting in the static field entered. When the records no longer fit in
the thread's stack, OutOfMemoryError ends the loop; its handler sets the
static field outOfMemory, which needs no call. Either way the method then
exits every monitor it entered and returns. main prints both fields.
"""
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "classdump"))
from classgen import ACC_PUBLIC, ACC_STATIC, ClassFile, u1, u2, u4  # noqa: E402
from make_class_files import iface_classes, stack_map  # noqa: E402

FIXED_TIME = (1980, 1, 1, 0, 0, 0)
ENTERS = 10000
ITEM_INTEGER = 1
ITEM_OBJECT = 7


def empty_switch():
    cf = ClassFile("tests/EmptySwitch")
    cf.constructor()
    print_int = cf.member_ref(10, "tests/Out", "printInt", "(I)V")
    print_char = cf.member_ref(10, "tests/Out", "printChar", "(C)V")
    new_line = cf.member_ref(10, "tests/Out", "newLine", "()V")
    keys = [cf.integer(k) for k in (-0x80000000, -1, 0, 1, 0x7fffffff)]
    main = b""
    for position in range(4):
        # position nops, iload_0, then the opcode at position + 1.
        at = position + 1
        padding = (4 - (at + 1) % 4) % 4
        target = at + 1 + padding + 8
        code = b"\x00" * position + u1(0x1a) + u1(0xab) + b"\x00" * padding
        code += u4(target - at) + u4(0)
        code += u1(0x10) + u1(10 + position) + u1(0xac)   # bipush; ireturn
        name = "pick%d" % position
        cf.method(name, "(I)I", access=ACC_STATIC,
                  attributes=[cf.code(code, max_stack=1, max_locals=1,
                                      attributes=[stack_map(cf, [(target, [u1(ITEM_INTEGER)], [])])])])
        pick = cf.member_ref(10, "tests/EmptySwitch", name, "(I)I")
        for key in keys:
            main += u1(0x13) + u2(key) + u1(0xb8) + u2(pick) + u1(0xb8) + u2(print_int)  # ldc_w
            main += u1(0x10) + u1(ord(" ")) + u1(0xb8) + u2(print_char)
        main += u1(0xb8) + u2(new_line)
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(main + u1(0xb1), max_stack=1, max_locals=1)])
    return cf.to_bytes()


def monitor_loop():
    cf = ClassFile("tests/MonitorLoop")
    cf.constructor()
    cf.field("entered", "I", access=ACC_STATIC)
    cf.field("outOfMemory", "I", access=ACC_STATIC)
    obj = cf.class_ref("java/lang/Object")
    init = cf.member_ref(10, "java/lang/Object", "<init>", "()V")
    entered = cf.member_ref(9, "tests/MonitorLoop", "entered", "I")
    out_of_memory = cf.member_ref(9, "tests/MonitorLoop", "outOfMemory", "I")
    enter_all = cf.member_ref(10, "tests/MonitorLoop", "enterAll", "(Ljava/lang/Object;)V")
    print_int = cf.member_ref(10, "tests/Out", "printInt", "(I)V")
    print_string = cf.member_ref(10, "tests/Out", "printString", "(Ljava/lang/String;)V")
    new_line = cf.member_ref(10, "tests/Out", "newLine", "()V")
    oom = cf.class_ref("java/lang/OutOfMemoryError")
    entered_text = cf.string("entered ")
    oom_text = cf.string("outOfMemory ")
    assert entered_text < 256 and oom_text < 256

    # enterAll(Object o): local 0 o, local 1 the count.
    code = b"".join([
        u1(0x03), u1(0x3c),                    # 0: iconst_0; istore_1
        u1(0x1b),                              # 2: loop: iload_1
        u1(0x11) + u2(ENTERS),                 # 3: sipush
        u1(0xa2) + u2(21 - 6),                 # 6: if_icmpge exit
        u1(0x2a), u1(0xc2),                    # 9: aload_0; monitorenter
        u1(0x84) + u1(1) + u1(1),              # 11: iinc 1 1
        u1(0x1b), u1(0xb3) + u2(entered),      # 14: iload_1; putstatic entered
        u1(0xa7) + u2(2 - 18),                 # 18: goto loop
        u1(0x1b), u1(0x9e) + u2(33 - 22),      # 21: exit: iload_1; ifle done
        u1(0x2a), u1(0xc3),                    # 25: aload_0; monitorexit
        u1(0x84) + u1(1) + u1(0xff),           # 27: iinc 1 -1
        u1(0xa7) + u2(21 - 30),                # 30: goto exit
        u1(0xb1),                              # 33: done: return
        u1(0x57),                              # 34: handler: pop
        u1(0x04), u1(0xb3) + u2(out_of_memory),  # 35: iconst_1; putstatic outOfMemory
        u1(0xa7) + u2(21 - 39),                # 39: goto exit
    ])
    assert len(code) == 42
    items = [u1(ITEM_OBJECT) + u2(obj), u1(ITEM_INTEGER)]
    frames = [(2, items, []), (21, items, []), (33, items, []), (34, items, [u1(ITEM_OBJECT) + u2(oom)])]
    cf.method("enterAll", "(Ljava/lang/Object;)V", access=ACC_STATIC,
              attributes=[cf.code(code, max_stack=2, max_locals=2, handlers=[(2, 21, 34, oom)],
                                  attributes=[stack_map(cf, frames)])])

    code = b"".join([
        u1(0xbb) + u2(obj), u1(0x59), u1(0xb7) + u2(init),   # new Object
        u1(0xb8) + u2(enter_all),
        u1(0x12) + u1(entered_text), u1(0xb8) + u2(print_string),
        u1(0xb2) + u2(entered), u1(0xb8) + u2(print_int), u1(0xb8) + u2(new_line),
        u1(0x12) + u1(oom_text), u1(0xb8) + u2(print_string),
        u1(0xb2) + u2(out_of_memory), u1(0xb8) + u2(print_int), u1(0xb8) + u2(new_line),
        u1(0xb1),
    ])
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(code, max_stack=2, max_locals=1)])
    return cf.to_bytes()


def equals_call():
    cf = ClassFile("tests/EqualsCall")
    cf.constructor()
    call = cf.class_ref("iface/EqualsCall")
    obj = cf.class_ref("java/lang/Object")
    call_init = cf.member_ref(10, "iface/EqualsCall", "<init>", "()V")
    obj_init = cf.member_ref(10, "java/lang/Object", "<init>", "()V")
    same = cf.member_ref(10, "iface/EqualsCall", "same", "(Liface/Named;Ljava/lang/Object;)Z")
    print_int = cf.member_ref(10, "tests/Out", "printInt", "(I)V")
    new_line = cf.member_ref(10, "tests/Out", "newLine", "()V")
    code = b"".join([
        u1(0xbb) + u2(call), u1(0x59), u1(0xb7) + u2(call_init), u1(0x4c),   # e = new EqualsCall
        u1(0x2b), u1(0x2b), u1(0xb8) + u2(same), u1(0xb8) + u2(print_int),
        u1(0x2b), u1(0xbb) + u2(obj), u1(0x59), u1(0xb7) + u2(obj_init),
        u1(0xb8) + u2(same), u1(0xb8) + u2(print_int),
        u1(0xb8) + u2(new_line), u1(0xb1),
    ])
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(code, max_stack=4, max_locals=2)])
    return cf.to_bytes()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_hand_classes.py OUT.jar")
    out = sys.argv[1]
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with zipfile.ZipFile(out + ".tmp", "w", zipfile.ZIP_DEFLATED) as jar:
        classes = [("tests/EmptySwitch", empty_switch()), ("tests/MonitorLoop", monitor_loop()),
                   ("tests/EqualsCall", equals_call())] + iface_classes()
        for name, data in classes:
            info = zipfile.ZipInfo(name + ".class", FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            jar.writestr(info, data)
    os.replace(out + ".tmp", out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
