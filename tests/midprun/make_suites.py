#!/usr/bin/env python3
"""Writes the MIDlet suites of the midprun checks, byte for byte the same
on every run (fixed entry times and order).

  make_suites.py CLASSES.jar OUTDIR

From the checked archive of the test MIDlets: hello.jar (manifest naming
tests.midlet.Hello in "MIDlet-1") with hello.jad; runner.jar/.jad;
props.jar (manifest "MIDlet-Name: FromManifest", "Manifest-Only") with
props.jad ("MIDlet-Name: FromJad", a 5000-byte "Long-Value", the keys
"\u30ad\u30fc" and "\u30ad"); bare.jar (no manifest); selector.jad (lists
"MIDlet-2"); empty.jar (no bytes).
"""
import os
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def manifest(pairs):
    return "".join("%s: %s\r\n" % kv for kv in [("Manifest-Version", "1.0")] + pairs).encode("utf-8")


def write_jar(path, classes, manifest_bytes):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as out:
        if manifest_bytes is not None:
            info = zipfile.ZipInfo("META-INF/MANIFEST.MF", FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(info, manifest_bytes)
        for name, data in classes:
            info = zipfile.ZipInfo(name, FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(info, data)


def write_jad(path, pairs):
    with open(path, "wb") as f:
        f.write("".join("%s: %s\n" % kv for kv in pairs).encode("utf-8"))


def suite_pairs(name, main, jar, size):
    return [("MIDlet-Name", name), ("MIDlet-Vendor", "Vostel Tests"), ("MIDlet-Version", "1.0"),
            ("MIDlet-1", "%s, , %s" % (name, main)), ("MIDlet-Jar-URL", jar), ("MIDlet-Jar-Size", str(size)),
            ("MicroEdition-Profile", "MIDP-2.0"), ("MicroEdition-Configuration", "CLDC-1.1")]


def main():
    classes_jar, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with zipfile.ZipFile(classes_jar) as z:
        classes = sorted((n, z.read(n)) for n in z.namelist() if n.endswith(".class"))

    def suite(name, main_class):
        jar = os.path.join(out, name + ".jar")
        write_jar(jar, classes, manifest(suite_pairs(name, main_class, name + ".jar", 0)[:4]))
        write_jad(os.path.join(out, name + ".jad"), suite_pairs(name, main_class, name + ".jar", os.path.getsize(jar)))

    suite("hello", "tests.midlet.Hello")
    suite("runner", "tests.midlet.Runner")
    long_value = "".join(chr(ord("a") + i % 26) for i in range(5000))
    jar = os.path.join(out, "props.jar")
    write_jar(jar, classes, manifest([("MIDlet-Name", "FromManifest"), ("MIDlet-Vendor", "Vostel Tests"),
                                      ("MIDlet-Version", "1.0"), ("MIDlet-1", "props, , tests.midlet.Props"),
                                      ("Manifest-Only", "only in the manifest")]))
    jad = suite_pairs("FromJad", "tests.midlet.Props", "props.jar", os.path.getsize(jar))
    write_jad(os.path.join(out, "props.jad"),
              jad + [("Long-Value", long_value), ("\u30ad", "\u5024"), ("\u30ad\u30fc", "\u30ad\u30fc\u5024")])
    write_jar(os.path.join(out, "bare.jar"), classes, None)
    write_jad(os.path.join(out, "selector.jad"),
              suite_pairs("hello", "tests.midlet.Hello", "hello.jar", os.path.getsize(os.path.join(out, "hello.jar")))
              + [("MIDlet-2", "second, , tests.midlet.Hello")])
    open(os.path.join(out, "empty.jar"), "wb").close()


if __name__ == "__main__":
    main()
