#!/usr/bin/env python3
"""Fails when VM code includes a header of a layer above its own.

  layer_check.py [--root DIR] [--allow FILE]

The layers, lowest first (a file may include its own layer and those
below it):

  ce/substrate, vm/core/model, vm/core/memory, vm/core/loader,
  vm/core/threads, vm/core/interp, vm/core/image, vm/core/natives,
  vm/core/startup, vm/services

Every layer may include the raise-and-report headers (RAISE_AND_REPORT
below). Sources and headers of the layers are read under DIR (the current
directory by default); their tests/, fuzz/ and bench/ folders are not
checked. Each finding names the including file, its line and the header.
The allow file holds the upward includes still to be removed, one per line:
  <including file> <included header> <reason...>
An allow line that matches nothing is itself a finding, so the file only
shrinks.
"""
import argparse
import os
import re
import sys

LAYERS = [
    "ce/substrate",
    "vm/core/model",
    "vm/core/memory",
    "vm/core/loader",
    "vm/core/threads",
    "vm/core/interp",
    "vm/core/image",
    "vm/core/natives",
    "vm/core/startup",
    "vm/services",
]

RAISE_AND_REPORT = {
    "vm/core/interp/exceptions.h",
    "vm/core/interp/vm_errors.h",
    "vm/core/startup/vm_control.h",
    "vm/core/startup/output_stream.h",
    "vm/core/startup/printf.h",
    "vm/core/startup/vm_flags.h",
    "vm/services/memory/trace_log.h",
}

SKIPPED_FOLDERS = {"tests", "fuzz", "bench"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    for i, prefix in enumerate(LAYERS):
        if path == prefix or path.startswith(prefix + "/"):
            return i
    return None


def sources(root):
    for prefix in LAYERS:
        top = os.path.join(root, prefix)
        for folder, dirs, files in os.walk(top):
            dirs[:] = sorted(d for d in dirs if d not in SKIPPED_FOLDERS)
            for name in sorted(files):
                if name.endswith((".cpp", ".h", ".S")):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=".")
    ap.add_argument("--allow")
    args = ap.parse_args()

    allowed = {}
    if args.allow:
        with open(args.allow) as fh:
            for number, line in enumerate(fh, 1):
                words = line.split()
                if line.startswith("#") or not words:
                    continue
                if len(words) < 3:
                    print(f"{args.allow}:{number}: expected <file> <header> <reason>", file=sys.stderr)
                    return 2
                allowed[(words[0], words[1])] = False

    files = 0
    findings = 0
    for path in sources(args.root):
        files += 1
        own = layer_of(path)
        with open(os.path.join(args.root, path), encoding="utf-8", errors="replace") as fh:
            for number, line in enumerate(fh, 1):
                m = INCLUDE.match(line)
                if m is None:
                    continue
                header = m.group(1)
                target = layer_of(header)
                if target is None or target <= own or header in RAISE_AND_REPORT:
                    continue
                if (path, header) in allowed:
                    allowed[(path, header)] = True
                    continue
                print(f"{path}:{number}: {LAYERS[own]} includes {header} of the higher layer "
                      f"{LAYERS[target]}", file=sys.stderr)
                findings += 1
    for (path, header), used in sorted(allowed.items()):
        if not used:
            print(f"{args.allow}: {path} {header}: no such upward include; remove the line",
                  file=sys.stderr)
            findings += 1
    print(f"{files} files, {findings} findings")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
