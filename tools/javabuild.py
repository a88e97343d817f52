#!/usr/bin/env python3
"""Builds one checked Java archive from a source tree.

  javabuild.py --src DIR --out JAR [--boot JAR[:JAR...]] [--work DIR]
               [--no-inline-jsr] [--no-preverify]

Steps: ecj (-source 1.3 -target 1.3 -inlineJSR) against the boot class path
(an empty directory without --boot), an archive of the classes, ProGuard's
-microedition preverification against the boot archives, and classcheck.py.
--no-inline-jsr and --no-preverify stop short of a checked archive; the tests
of the checker use them to make the archives it must refuse.
"""
import argparse
import os
import shutil
import subprocess
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def run(cmd):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stdout)
        sys.stderr.write("javabuild: failed (%d): %s\n" % (result.returncode, " ".join(cmd)))
        sys.exit(1)
    return result.stdout


def write_jar(classes_dir, jar_path):
    entries = []
    for root, _, files in os.walk(classes_dir):
        for f in files:
            full = os.path.join(root, f)
            entries.append((os.path.relpath(full, classes_dir).replace(os.sep, "/"), full))
    entries.sort()
    with zipfile.ZipFile(jar_path, "w", zipfile.ZIP_DEFLATED) as jar:
        for name, full in entries:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(full, "rb") as fh:
                jar.writestr(info, fh.read())


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--src", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--boot")
    ap.add_argument("--work")
    ap.add_argument("--no-inline-jsr", action="store_true")
    ap.add_argument("--no-preverify", action="store_true")
    args = ap.parse_args()

    work = args.work or (args.out + ".work")
    shutil.rmtree(work, ignore_errors=True)
    classes = os.path.join(work, "classes")
    empty_boot = os.path.join(work, "empty-boot")
    os.makedirs(classes)
    os.makedirs(empty_boot)

    sources = []
    for root, _, files in os.walk(args.src):
        sources += [os.path.join(root, f) for f in files if f.endswith(".java")]
    if not sources:
        sys.exit("javabuild: no Java sources under %s" % args.src)
    sources.sort()

    ecj = ["ecj", "-source", "1.3", "-target", "1.3", "-encoding", "UTF-8", "-nowarn",
           "-bootclasspath", args.boot or empty_boot, "-d", classes]
    if not args.no_inline_jsr:
        ecj.append("-inlineJSR")
    run(ecj + sources)

    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    raw = os.path.join(work, "raw.jar")
    write_jar(classes, raw)
    if args.no_preverify or args.no_inline_jsr:
        shutil.copyfile(raw, args.out)
        return 0

    verified = os.path.join(work, "preverified.jar")
    proguard = ["proguard", "-injars", raw, "-outjars", verified,
                "-microedition", "-dontshrink", "-dontoptimize", "-dontobfuscate",
                "-target", "1.3", "-dontnote"]
    if args.boot:
        proguard += ["-libraryjars", args.boot]
    run(proguard)
    run([sys.executable, os.path.join(HERE, "classcheck.py"), verified])
    shutil.copyfile(verified, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
