#!/usr/bin/env python3
"""Writes the hand-made class of the test programs that javac cannot make.

  make_monitor_loop.py OUT.jar

tests/MonitorLoop: main enters one object's monitor 10,000 times in a loop
and never exits it (legal bytecode; each enter takes one more lock record
of the frame). It prints the number of enters, or "OutOfMemoryError" and
the count reached when the records no longer fit in the thread's stack.
"""
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "classdump"))
from classgen import ACC_PUBLIC, ACC_STATIC, ClassFile, u1, u2  # noqa: E402

FIXED_TIME = (1980, 1, 1, 0, 0, 0)
ENTERS = 10000
ITEM_INTEGER = 1
ITEM_OBJECT = 7


def monitor_loop():
    cf = ClassFile("tests/MonitorLoop")
    cf.constructor()
    obj = cf.class_ref("java/lang/Object")
    init = cf.member_ref(10, "java/lang/Object", "<init>", "()V")
    print_int = cf.member_ref(10, "tests/Out", "printInt", "(I)V")
    print_string = cf.member_ref(10, "tests/Out", "printString", "(Ljava/lang/String;)V")
    new_line = cf.member_ref(10, "tests/Out", "newLine", "()V")
    oom = cf.class_ref("java/lang/OutOfMemoryError")
    oom_text = cf.string("OutOfMemoryError ")
    args = cf.class_ref("[Ljava/lang/String;")

    code = b"".join([
        u1(0xbb) + u2(obj),            # 0: new Object
        u1(0x59),                      # 3: dup
        u1(0xb7) + u2(init),           # 4: invokespecial <init>
        u1(0x4c),                      # 7: astore_1
        u1(0x03), u1(0x3d),            # 8: iconst_0; istore_2
        u1(0x1c),                      # 10: loop: iload_2
        u1(0x11) + u2(ENTERS),         # 11: sipush
        u1(0xa2) + u2(25 - 14),        # 14: if_icmpge done
        u1(0x2b), u1(0xc2),            # 17: aload_1; monitorenter
        u1(0x84) + u1(2) + u1(1),      # 19: iinc 2 1
        u1(0xa7) + u2(10 - 22),        # 22: goto loop
        u1(0x1c),                      # 25: done: iload_2
        u1(0xb8) + u2(print_int),      # 26
        u1(0xb8) + u2(new_line),       # 29
        u1(0xb1),                      # 32: return
        u1(0x57),                      # 33: handler: pop
        u1(0x12) + u1(oom_text),       # 34: ldc
        u1(0xb8) + u2(print_string),   # 36
        u1(0x1c),                      # 39: iload_2
        u1(0xb8) + u2(print_int),      # 40
        u1(0xb8) + u2(new_line),       # 43
        u1(0xb1),                      # 46: return
    ])
    assert len(code) == 47
    local_items = [u1(ITEM_OBJECT) + u2(args), u1(ITEM_OBJECT) + u2(obj), u1(ITEM_INTEGER)]
    frames = [(10, local_items, []), (25, local_items, []), (33, local_items, [u1(ITEM_OBJECT) + u2(oom)])]
    body = u2(len(frames))
    for offset, items, stack in frames:
        body += u2(offset) + u2(len(items)) + b"".join(items) + u2(len(stack)) + b"".join(stack)
    assert oom_text < 256
    cf.method("main", "([Ljava/lang/String;)V", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(code, max_stack=2, max_locals=3, handlers=[(10, 25, 33, oom)],
                                  attributes=[cf.attribute("StackMap", body)])])
    return cf.to_bytes()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_monitor_loop.py OUT.jar")
    out = sys.argv[1]
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with zipfile.ZipFile(out + ".tmp", "w", zipfile.ZIP_DEFLATED) as jar:
        info = zipfile.ZipInfo("tests/MonitorLoop.class", FIXED_TIME)
        info.compress_type = zipfile.ZIP_DEFLATED
        jar.writestr(info, monitor_loop())
    os.replace(out + ".tmp", out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
