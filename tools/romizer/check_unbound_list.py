#!/usr/bin/env python3
"""Fails when the VM program defines a function for a native of the unbound
list: a native whose function has landed must leave the list, so that the
class image binds it to its function.

The list has one native a line, class.method(descriptor); blank lines and
'#' lines are skipped. Each entry names two possible functions: the short
name Java_<class>_<method> and the long name of an overloaded native,
Java_<class>_<method>__<arguments>, both mangled as the Java Native
Interface mangles them. The symbols come from nm's output, read from a file
(--nm-output) or made by running nm on the program (--program).

Exit status: 0 when no listed native has a function, 1 when one has (each
named on stderr with its line), 2 for a list or an nm output that cannot be
read.
"""
import argparse
import re
import subprocess
import sys

ENTRY = re.compile(r"^([^\s.()]+(?:/[^\s.()]+)*)\.([^\s.()/]+)\(([^\s()]*)\)([^\s()]+)$")


def mangle(text):
    out = []
    units = text.encode("utf-16-le", "surrogatepass")
    for i in range(0, len(units), 2):
        u = units[i] | units[i + 1] << 8
        c = chr(u) if u < 0xD800 or u > 0xDFFF else ""
        if c and c.isascii() and c.isalnum():
            out.append(c)
        elif c == "/":
            out.append("_")
        elif c == "_":
            out.append("_1")
        elif c == ";":
            out.append("_2")
        elif c == "[":
            out.append("_3")
        else:
            out.append("_0%04x" % u)
    return "".join(out)


def function_names(cls, method, arguments):
    short = "Java_%s_%s" % (mangle(cls), mangle(method))
    return [short, short + "__" + mangle(arguments)]


def read_list(path):
    entries = []
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        for number, line in enumerate(f, 1):
            entry = line.strip()
            if not entry or entry.startswith("#"):
                continue
            m = ENTRY.match(entry)
            if not m:
                raise ValueError("%s:%d: not of the form class.method(descriptor): %s" % (path, number, entry))
            entries.append((number, entry, function_names(m.group(1), m.group(2), m.group(3))))
    return entries


def defined_symbols(nm_text):
    defined = set()
    for line in nm_text.splitlines():
        parts = line.split()
        # "address type name"; undefined symbols have no address.
        if len(parts) == 3 and parts[1] not in ("U", "w", "v"):
            defined.add(parts[2])
    return defined


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("list")
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--nm-output", help="a file holding nm's output for the program")
    source.add_argument("--program", help="the program to run nm on")
    parser.add_argument("--nm", default="nm", help="the nm of the program's toolchain")
    args = parser.parse_args()
    try:
        entries = read_list(args.list)
        if args.program:
            nm_text = subprocess.run([args.nm, args.program], check=True, capture_output=True, text=True).stdout
        else:
            with open(args.nm_output, encoding="utf-8", errors="replace") as f:
                nm_text = f.read()
    except (OSError, ValueError, subprocess.CalledProcessError) as e:
        print("check_unbound_list: %s" % e, file=sys.stderr)
        return 2
    defined = defined_symbols(nm_text)
    found = 0
    for number, entry, names in entries:
        for name in names:
            if name in defined:
                print("%s:%d: %s has a function in the VM program: %s" % (args.list, number, entry, name),
                      file=sys.stderr)
                found += 1
    if found:
        return 1
    print("%d listed natives, none with a function" % len(entries))
    return 0


if __name__ == "__main__":
    sys.exit(main())
