#!/usr/bin/env python3
"""Install commands of ojmsctl, each case on a fresh device root made by
`cedevice init`, with JARs made by `zip` and signatures by `openssl`. A
failing case prints its name and what differed.

Usage: ojmsctl_test.py CEDEVICE OJMSCTL [SHARD COUNT]
(with SHARD and COUNT: only the cases whose index modulo COUNT is SHARD)
"""
import base64
import os
import re
import shutil
import subprocess
import sys
import tempfile

CEDEVICE, OJMSCTL = sys.argv[1], sys.argv[2]
SHARD, COUNT = (int(sys.argv[3]), int(sys.argv[4])) if len(sys.argv) == 5 else (0, 1)
failures = []
cases = []
SIGNER = "/C=XX/O=Vostel/OU=Test/CN=Vostel Test Signer"
MANIFEST = ("Manifest-Version: 1.0\nMIDlet-Name: Hello\nMIDlet-Version: 1.0\nMIDlet-Vendor: Test\n"
            "MIDlet-1: Hello, /hello.png, Hello\nMicroEdition-Profile: MIDP-2.0\n"
            "MicroEdition-Configuration: CLDC-1.1\n")


class Root:
    def __init__(self, work):
        self.work = work
        self.path = os.path.join(work, "root")
        subprocess.run([CEDEVICE, "init", self.path], check=True)

    def java(self, name=""):
        return os.path.join(self.path, "Storage", "Vostel", "java", name)

    def files(self, prefix):
        return sorted(n for n in os.listdir(self.java()) if n.startswith(prefix))

    def run(self, *args, tool=None):
        env = dict(os.environ, CE_ROOT=self.path)
        result = subprocess.run([tool or OJMSCTL] + list(args), env=env, capture_output=True, text=True)
        return result.stdout

    def file(self, name, data):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode())
        return path

    def jar(self, name, manifest=MANIFEST, padding=0):
        """A stored (uncompressed) archive, so that a byte of an entry can be changed in place."""
        folder = os.path.join(self.work, name + ".d")
        os.makedirs(os.path.join(folder, "META-INF"))
        entries = {"META-INF/MANIFEST.MF": manifest.encode(), "Hello.class": b"\xca\xfe\xba\xbe class bytes",
                   "hello.png": b"\x89PNG icon"}
        if padding:
            entries["pad.bin"] = bytes((i * 7 + 3) % 251 for i in range(padding))
        for entry, data in entries.items():
            with open(os.path.join(folder, entry), "wb") as f:
                f.write(data)
            os.utime(os.path.join(folder, entry), (315532800, 315532800))
        path = os.path.join(self.work, name)
        subprocess.run(["zip", "-q", "-X", "-0", "-D", path] + list(entries), cwd=folder, check=True)
        return path

    def jad(self, name, jar, extra="", size_delta=0, manifest=MANIFEST):
        lines = [l for l in manifest.splitlines() if not l.startswith("Manifest-Version")]
        text = "\n".join(lines) + "\nMIDlet-Jar-URL: hello.jar\nMIDlet-Jar-Size: %d\n" % (
            os.path.getsize(jar) + size_delta) + extra
        return self.file(name, text)

    def openssl(self, *args):
        subprocess.run(["openssl"] + list(args), cwd=self.work, check=True, capture_output=True)

    def signer(self, name, subject=SIGNER, serial=None, key=None):
        """A self-signed certificate (NAME.der) and its key (NAME.key)."""
        args = ["req", "-x509", "-nodes", "-days", "30", "-subj", subject, "-out", name + ".pem"]
        args += ["-key", key] if key else ["-newkey", "rsa:2048", "-keyout", name + ".key"]
        if serial:
            args += ["-set_serial", serial]
        self.openssl(*args)
        self.openssl("x509", "-in", name + ".pem", "-outform", "DER", "-out", name + ".der")
        return os.path.join(self.work, name + ".der")

    def signature_lines(self, certificate, key, jar):
        self.openssl("dgst", "-sha1", "-sign", key, "-out", "app.sig", jar)
        with open(certificate, "rb") as f:
            der = f.read()
        with open(os.path.join(self.work, "app.sig"), "rb") as f:
            sig = f.read()
        return ("MIDlet-Certificate-1-1: %s\nMIDlet-Jar-RSA-SHA1: %s\n" %
                (base64.b64encode(der).decode(), base64.b64encode(sig).decode()))

    def store(self, certificate):
        subprocess.run([CEDEVICE, "cert", self.path, "add", "my", certificate], check=True)


def case(name):
    def wrap(body):
        cases.append((name, body))
        return body
    return wrap


def run_case(name, body):
    work = tempfile.mkdtemp(prefix="ojmsctl.")
    try:
        body(Root(work))
    except AssertionError as error:
        failures.append(f"{name}: {error}")
    except subprocess.CalledProcessError as error:
        failures.append(f"{name}: {error}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def same(got, want):
    assert got == want, f"got {got!r}, want {want!r}"


def installed(root, jad, jar, *options):
    return root.run("install", jad, jar, *options)


@case("install hello")
def _(root):
    jar = root.jar("hello.jar")
    same(installed(root, root.jad("hello.jad", jar), jar),
         "JAD 900 Hello 1.0 Test\nJAR 900 id=0 domain=0\n")
    same(root.files("0."), ["0.jar", "0.jdx", "0.mss", "0.raw"])
    with open(jar, "rb") as f, open(root.java("0.jar"), "rb") as g:
        same(g.read(), f.read())
    same(root.run("midlets", "0"), "Hello|/hello.png|Hello\n")


@case("install from memory sources")
def _(root):
    jar = root.jar("hello.jar")
    same(installed(root, root.jad("hello.jad", jar), jar, "--memory"),
         "JAD 900 Hello 1.0 Test\nJAR 900 id=0 domain=0\n")


@case("progress of a 10,000-byte JAR")
def _(root):
    jar = root.jar("hello.jar", padding=9400)
    size = os.path.getsize(jar)
    assert 8192 <= size < 12288, size
    want = "JAD 900 Hello 1.0 Test\n" + "".join("cb 12 %d -1\n" % i for i in range(12)) + \
        "cb 12 12 0\nJAR 900 id=0 domain=0\n"
    same(installed(root, root.jad("hello.jad", jar), jar, "--progress"), want)


@case("a cancel at any progress call leaves nothing")
def _(root):
    jar = root.jar("hello.jar", padding=9400)
    jad = root.jad("hello.jad", jar)
    for step in range(12):
        same((step, installed(root, jad, jar, "--cancel-at", str(step))),
             (step, "JAD 900 Hello 1.0 Test\nJAR 902\n"))
        same((step, root.files("0")), (step, []))
        same((step, root.run("list")), (step, ""))


@case("MIDlet-Jar-Size off by one")
def _(root):
    jar = root.jar("hello.jar")
    for delta in (1, -1):
        same(installed(root, root.jad("hello.jad", jar, size_delta=delta), jar),
             "JAD 900 Hello 1.0 Test\nJAR 904\n")
        same(root.files("0"), [])


@case("permissions: unknown required, unknown optional, refused in Untrusted")
def _(root):
    jar = root.jar("hello.jar")
    cases = [("MIDlet-Permissions: com.example.Unknown\n", "JAR 910\n"),
             ("MIDlet-Permissions-Opt: com.example.Unknown\n", "JAR 900 id=0 domain=0\n"),
             ("MIDlet-Permissions: javax.microedition.io.Connector.file.read\n", "JAR 910\n"),
             ("MIDlet-Permissions: javax.microedition.io.Connector.http\n", "JAR 900 id=0 domain=0\n")]
    for extra, want in cases:
        root.run("delete", "0")
        same((extra, installed(root, root.jad("hello.jad", jar, extra=extra), jar)),
             (extra, "JAD 900 Hello 1.0 Test\n" + want))


@case("updates keep or replace record stores and settings")
def _(root):
    jar = root.jar("hello.jar")
    jad = root.jad("hello.jad", jar)
    installed(root, jad, jar)
    with open(root.java("0.mss"), "rb") as f:
        fresh = f.read()
    changed = fresh[:-1] + bytes([fresh[-1] ^ 1])
    for keep, want_store, want_mss in (("--keep-data", b"records", changed), (None, None, fresh)):
        root.file("root/Storage/Vostel/java/0.rs1", b"records")
        root.file("root/Storage/Vostel/java/0.mss", changed)
        same(installed(root, jad, jar, *([keep] if keep else [])), "JAD 900 Hello 1.0 Test\nJAR 900 id=0 domain=0\n")
        store = root.java("0.rs1")
        same((keep, open(store, "rb").read() if os.path.exists(store) else None), (keep, want_store))
        same((keep, open(root.java("0.mss"), "rb").read()), (keep, want_mss))
    same(root.run("list"), "0 Hello|1.0|Test domain=0 category=0 midlets=1\n")


@case("delete leaves no file of the suite")
def _(root):
    jar = root.jar("hello.jar")
    installed(root, root.jad("hello.jad", jar), jar)
    root.file("root/Storage/Vostel/java/0.rs2", b"records")
    same(root.run("delete", "0"), "")
    same(root.files("0"), [])
    same(root.run("list"), "")


@case("direct install keeps a MIDlet name with a blank")
def _(root):
    jar = root.jar("hello.jar")
    jad = root.file("d.jad", "MIDlet-Name: Direct\nMIDlet-Version: 2.0\nMIDlet-Vendor: V\n"
                    "MIDlet-1: My Game, /i.png, a.B\n")
    same(root.run("direct", jad, jar), "id 0\n")
    same(root.run("midlets", "0"), "My Game|/i.png|a.B\n")
    same(root.run("list"), "0 Direct|2.0|V domain=0 category=0 midlets=1\n")
    same(root.files("0."), ["0.jar", "0.jdx", "0.mss", "0.raw"])


@case("signatures")
def _(root):
    jar = root.jar("hello.jar")
    signer = root.signer("signer")
    key = os.path.join(root.work, "signer.key")
    signed = root.jad("signed.jad", jar, extra=root.signature_lines(signer, key, jar))
    same(installed(root, signed, jar), "JAD 900 Hello 1.0 Test\nJAR 909\n")  # not in a store yet
    same(root.files("0"), [])
    root.store(signer)
    same(installed(root, signed, jar), "JAD 900 Hello 1.0 Test\nJAR 900 id=0 domain=1\n")
    root.run("delete", "0")

    # One byte of a stored entry other than the manifest changed.
    with open(jar, "rb") as f:
        data = bytearray(f.read())
    at = data.index(b"class bytes")
    data[at] ^= 0x20
    tampered = root.file("tampered.jar", bytes(data))
    same(installed(root, signed, tampered), "JAD 900 Hello 1.0 Test\nJAR 909\n")

    # A certificate with the stored one's issuer and serial and its own key.
    serial = subprocess.run(["openssl", "x509", "-in", signer, "-inform", "DER", "-noout", "-serial"],
                            capture_output=True, text=True, check=True).stdout.strip().split("=")[1]
    root.openssl("genrsa", "-out", "forger.key", "2048")
    forger_key = os.path.join(root.work, "forger.key")
    forged = root.signer("forged", serial="0x" + serial, key=forger_key)
    jad = root.jad("forged.jad", jar, extra=root.signature_lines(forged, forger_key, jar))
    same(installed(root, jad, jar), "JAD 900 Hello 1.0 Test\nJAR 909\n")

    # A stored signer whose subject "_dn.idx" does not list.
    stranger = root.signer("stranger", subject="/C=XX/O=Vostel/CN=Someone Else")
    root.store(stranger)
    jad = root.jad("stranger.jad", jar,
                   extra=root.signature_lines(stranger, os.path.join(root.work, "stranger.key"), jar))
    same(installed(root, jad, jar), "JAD 900 Hello 1.0 Test\nJAR 909\n")

    # A certificate without a signature: unsigned, domain 0.
    with open(signer, "rb") as f:
        only = "MIDlet-Certificate-1-1: %s\n" % base64.b64encode(f.read()).decode()
    same(installed(root, root.jad("cert.jad", jar, extra=only), jar),
         "JAD 900 Hello 1.0 Test\nJAR 900 id=0 domain=0\n")
    same(root.files("0"), ["0.jar", "0.jdx", "0.mss", "0.raw"])


@case("signed install without the store entry")
def _(root):
    jar = root.jar("hello.jar")
    signer = root.signer("signer")
    jad = root.jad("signed.jad", jar, extra=root.signature_lines(signer, os.path.join(root.work, "signer.key"), jar))
    same(installed(root, jad, jar), "JAD 900 Hello 1.0 Test\nJAR 909\n")


@case("cedevice cert refuses what is not a certificate")
def _(root):
    junk = root.file("junk.der", b"0\x03\x02\x01\x05")
    cases = [(["add", "my", junk], 1), (["add", "my", os.path.join(root.work, "missing.der")], 1),
             (["add", "ca", junk], 2), (["list"], 2)]
    for args, status in cases:
        result = subprocess.run([CEDEVICE, "cert", root.path] + args, capture_output=True)
        same((args[-1], result.returncode), (args[-1], status))


@case("policy, exclusive rules and the card scan")
def _(root):
    lines = root.run("policy", "0").splitlines()
    same(len(lines), 18)
    same(lines[12], "12 javax.microedition.io.Connector.file.read group=5 default=520 modes=8")
    same(root.run("rule", "0", "0", "1", "1", "1"), "kind 2 forced 2\n")
    same(root.run("rule", "2", "0", "1", "1", "1"), "none\n")
    jar = root.jar("hello.jar")
    card = root.java("java")
    os.makedirs(card, exist_ok=True)
    for name, files in (("x", ("jad", "jar")), ("y", ("jad",)), ("z", ("jad", "jar", "jam"))):
        for kind in files:
            with open(jar, "rb") as f:
                data = f.read() if kind == "jar" else b"drm" if kind == "jam" else b""
            if kind == "jad":
                data = open(root.jad("j", jar), "rb").read().replace(b"MIDlet-Name: Hello", b"MIDlet-Name: " + name.encode())
            root.file(os.path.join(card, name + "." + kind), data)
    same(root.run("card-scan"), "256 x|1.0|Test\n257 z|1.0|Test\n")


for index, (name, body) in enumerate(cases):
    if index % COUNT == SHARD:
        run_case(name, body)
for failure in failures:
    print("FAILED", failure)
print(f"{len(failures)} failed")
sys.exit(1 if failures else 0)
