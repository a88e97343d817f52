#!/usr/bin/env python3
"""Command tests of ojfsctl, each case on a fresh device root made by
`cedevice init`. A failing case prints its name and what differed.

Usage: ojfsctl_test.py CEDEVICE OJFSCTL
"""
import os
import shutil
import subprocess
import sys
import tempfile

CEDEVICE, OJFSCTL = sys.argv[1], sys.argv[2]
failures = []


def run(root, *args, tool=None):
    env = dict(os.environ, CE_ROOT=root)
    command = [tool or OJFSCTL] + list(args)
    return subprocess.run(command, env=env, capture_output=True)


def case(name):
    def wrap(body):
        root = tempfile.mkdtemp(prefix="ojfsctl.")
        try:
            if subprocess.run([CEDEVICE, "init", root]).returncode != 0:
                failures.append(f"{name}: cedevice init failed")
                return body
            body(root)
        except AssertionError as error:
            failures.append(f"{name}: {error}")
        finally:
            shutil.rmtree(root, ignore_errors=True)
        return body
    return wrap


def expect(result, status, stdout):
    got = (result.returncode, result.stdout)
    want = (status, stdout)
    assert got == want, f"got {got!r}, want {want!r} (stderr {result.stderr!r})"


def read(path):
    with open(path, "rb") as f:
        return f.read()


@case("ls gfs: lists the five roots")
def _(root):
    expect(run(root, "ls", "gfs:"), 0,
           b"gfs://java/\ngfs://sdc_root/\ngfs://sdc_secure/\ngfs://sd-card/\ngfs://current/\n")


@case("put writes under the java root, ls and cat read it")
def _(root):
    expect(run(root, "put", "gfs://java/a.txt", "hi"), 0, b"")
    assert read(os.path.join(root, "Storage/Vostel/java/a.txt")) == b"hi"
    expect(run(root, "cat", "gfs://java/a.txt"), 0, b"hi")
    expect(run(root, "ls", "gfs://java"), 0, b"gfs://java/a.txt\n")
    expect(run(root, "stat", "gfs://java/a.txt"), 0, b"size 2 flags 0 0\n")


@case("the sd-card root follows its registry override")
def _(root):
    expect(run(root, "reg", root, "set", "HKCU\\Software\\Vostel", "Gfs_SdCard_PhysicalPath", "sz",
               "\\Storage Card\\V", tool=CEDEVICE), 0, b"")
    os.makedirs(os.path.join(root, "Storage Card/V"))
    expect(run(root, "put", "gfs://sd-card/x", "y"), 0, b"")
    assert read(os.path.join(root, "Storage Card/V/x")) == b"y"


@case("bad paths are error 1")
def _(root):
    for uri in ["gfs://nosuch/x", "gfs://java/../x", "gfs:/java/x", "gfs://java/./x", "gfs://javax/a",
                "nocolon"]:
        expect(run(root, "cat", uri), 1, b"error 1\n")
    expect(run(root, "cat", "zzz://a"), 1, b"error 3\n")


@case("the built-in suite index seed")
def _(root):
    result = run(root, "cat", "rom://midlet/_suites.idx")
    assert result.returncode == 0, result
    assert len(result.stdout) == 4096 and result.stdout.startswith(b"ZEVK_HDR"), result.stdout[:16]
    expect(run(root, "ls", "rom://midlet"), 0, b"rom://midlet/_suites.idx\nrom://midlet/permission/\n")
    expect(run(root, "ptr", "rom://midlet/_suites.idx"), 0, b"size 4096\n")


@case("a rename across schemes is error 1; mv replaces a gfs file")
def _(root):
    expect(run(root, "put", "gfs://java/a.txt", "new"), 0, b"")
    expect(run(root, "mv", "gfs://java/a.txt", "rom://a"), 1, b"error 1\n")
    expect(run(root, "put", "gfs://java/b.txt", "old"), 0, b"")
    expect(run(root, "mv", "gfs://java/a.txt", "gfs://java/b.txt"), 0, b"")
    expect(run(root, "cat", "gfs://java/b.txt"), 0, b"new")
    expect(run(root, "cat", "gfs://java/a.txt"), 1, b"error 255\n")


@case("ptr of a gfs URI is null and leaves a UTF-16 trace line")
def _(root):
    expect(run(root, "reg", root, "set", "HKCU\\Software\\Vostel", "TraceLog", "dword", "1", tool=CEDEVICE), 0, b"")
    expect(run(root, "ptr", "gfs://java/a.txt"), 0, b"null\n")
    data = read(os.path.join(root, "Program Files/Vostel/ojfsctl.trace.txt"))
    assert not data.startswith(b"\xff\xfe"), data[:4]
    text = data.decode("utf-16-le")
    assert text.endswith("not a vaild URI for ROM connector, uri=gfs://java/a.txt\n"), repr(text)
    assert text.startswith("ojfs2_rom("), repr(text)


@case("mkdir, a directory opened as a file, rm")
def _(root):
    expect(run(root, "mkdir", "gfs://java/d"), 0, b"")
    expect(run(root, "cat", "gfs://java/d"), 1, b"error 1\n")
    expect(run(root, "ls", "gfs://java/"), 0, b"gfs://java/d/\n")
    expect(run(root, "put", "gfs://java/d/f", "1"), 0, b"")
    expect(run(root, "rm", "gfs://java/d/f"), 0, b"")
    expect(run(root, "rm", "rom://midlet/_suites.idx"), 1, b"error 17\n")


for failure in failures:
    print("FAILED", failure)
print(f"{len(failures)} failed")
sys.exit(1 if failures else 0)
