#!/usr/bin/env python3
"""Writes the archive of the link-error program.

  make_link_jar.py OLD.jar NEW.jar OUT.jar

OLD.jar holds LinkErrors and the classes as it was compiled against them,
NEW.jar the changed classes. OUT.jar takes OLD.jar's classes, each
replaced by its NEW.jar version, without link/Gone (a catch class missing
from the archive), and with a hand-made link/LdcClass whose get() is ldc
of a class entry, areturn (error 91 in class files of this version).
"""
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "classdump"))
from classgen import ACC_PUBLIC, ACC_STATIC, ClassFile, u1  # noqa: E402

FIXED_TIME = (1980, 1, 1, 0, 0, 0)
DROPPED = {"link/Gone.class"}


def ldc_class():
    cf = ClassFile("link/LdcClass")
    cf.constructor()
    entry = cf.class_ref("java/lang/Object")
    assert entry < 256
    cf.method("get", "()Ljava/lang/Object;", access=ACC_PUBLIC | ACC_STATIC,
              attributes=[cf.code(u1(0x12) + u1(entry) + u1(0xb0), max_stack=1, max_locals=0)])
    return cf.to_bytes()


def classes_of(path):
    with zipfile.ZipFile(path) as jar:
        return {name: jar.read(name) for name in jar.namelist() if name.endswith(".class")}


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make_link_jar.py OLD.jar NEW.jar OUT.jar")
    old, new, out = sys.argv[1:]
    classes = classes_of(old)
    classes.update(classes_of(new))
    for name in DROPPED:
        classes.pop(name)
    classes["link/LdcClass.class"] = ldc_class()
    with zipfile.ZipFile(out + ".tmp", "w", zipfile.ZIP_DEFLATED) as jar:
        for name in sorted(classes):
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            jar.writestr(info, classes[name])
    os.replace(out + ".tmp", out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
