#!/usr/bin/env python3
"""Fails when a listed file is not formatted as .clang-format says.

  format_check.py --list FILE [--root DIR] [--clang-format PROGRAM]

The list names one file a line (relative to DIR, the current directory by
default; lines starting with "#" are comments). Each file that clang-format
would change is named with its first differing line.
"""
import argparse
import os
import subprocess
import sys


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--list", required=True)
    ap.add_argument("--root", default=".")
    ap.add_argument("--clang-format", default="clang-format")
    args = ap.parse_args()

    with open(args.list) as fh:
        files = [line.strip() for line in fh if line.strip() and not line.startswith("#")]
    findings = 0
    for name in files:
        path = os.path.join(args.root, name)
        try:
            with open(path, encoding="utf-8") as fh:
                text = fh.read()
        except OSError as e:
            print(f"{name}: cannot read: {e.strerror}", file=sys.stderr)
            findings += 1
            continue
        done = subprocess.run([args.clang_format, "--style=file", f"--assume-filename={path}"], input=text,
                              capture_output=True, text=True, cwd=args.root)
        if done.returncode != 0:
            print(f"{name}: clang-format failed: {done.stderr.strip()}", file=sys.stderr)
            findings += 1
            continue
        if done.stdout != text:
            have, want = text.split("\n"), done.stdout.split("\n")
            line = next((i for i, (a, b) in enumerate(zip(have, want)) if a != b), min(len(have), len(want)))
            print(f"{name}:{line + 1}: not formatted (clang-format would write: "
                  f"{want[line] if line < len(want) else '(end)'!r})", file=sys.stderr)
            findings += 1
    print(f"{len(files)} files, {findings} not formatted")
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
