#!/usr/bin/env python3
"""The public API of the system library, as javap shows it.

Usage: cldc_api.py --javap <javap> --jar <system.jar> --golden <cldc11.txt> [--rebaseline]

Dumps every public class of the java.* and javax.* packages of the archive
with its public and protected members, their descriptors and constant
values, and compares the dump with the golden file (printing the first
differences), or rewrites the golden file with --rebaseline. Then checks
each java.* member against HotSpot's class of that name: the member must
exist there, declared or inherited (constructors declared), with the same
descriptor, static-ness and constant value and no narrower access.
Exits 1 on any difference.
"""
import argparse
import difflib
import os
import re
import subprocess
import sys
import tempfile
import zipfile


def javap(tool, targets, strict=True):
    """javap's text of the targets; unless strict, of those it finds."""
    out = subprocess.run([tool, "-protected", "-s", "-constants"] + targets, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, text=True)
    if out.returncode != 0 and strict:
        raise RuntimeError("javap failed: " + out.stderr.strip())
    return out.stdout


def parse(text):
    """Classes of javap's text: {name: (header, [(declaration, descriptor)])}."""
    classes = {}
    current = None
    pending = None
    for line in text.splitlines():
        if line.startswith("Compiled from") or not line.strip():
            continue
        if not line.startswith(" ") and line.endswith("{"):
            header = line[:-1].strip()
            name = re.search(r"(?:class|interface) ([\w.$]+)", header).group(1)
            current = classes.setdefault(name, (header, []))
            continue
        if line == "}":
            current = None
            continue
        stripped = line.strip()
        if stripped.startswith("descriptor:"):
            if pending is not None:
                current[1].append((pending, stripped.split(":", 1)[1].strip()))
                pending = None
            continue
        if current is not None and stripped.endswith(";"):
            pending = stripped[:-1]
    return classes


def member_key(owner, declaration, descriptor):
    """(name, descriptor, static, access, value) of a member's javap lines."""
    value = None
    if " = " in declaration:
        declaration, value = declaration.split(" = ", 1)
    head = declaration.split("(", 1)[0].replace(", ", ",")
    head = re.sub(r"<[^<>]*>", "", re.sub(r"<[^<>]*>", "", head))
    words = head.split()
    name = words[-1]
    if name == owner:
        name = "<init>"
    access = "public" if "public" in words else "protected" if "protected" in words else "package"
    return name, descriptor, "static" in words, access, value


def supertypes(header):
    names = []
    for part in re.findall(r"(?:extends|implements) ([\w.$<>, ?]+?)(?= implements| extends|$)", header):
        part = re.sub(r"<[^<>]*>", "", re.sub(r"<[^<>]*>", "", part))
        names += [n.strip() for n in part.split(",") if n.strip()]
    return names


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--javap", required=True)
    parser.add_argument("--jar", required=True)
    parser.add_argument("--golden", required=True)
    parser.add_argument("--rebaseline", action="store_true")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as work:
        with zipfile.ZipFile(args.jar) as jar:
            files = sorted(n for n in jar.namelist() if n.endswith(".class") and n.startswith(("java/", "javax/")))
            jar.extractall(work, files)
        ours = parse(javap(args.javap, [os.path.join(work, f) for f in files]))

    lines = []
    public = sorted(n for n, (h, _) in ours.items() if h.startswith("public"))
    for name in public:
        header, members = ours[name]
        lines.append(re.sub(r"\s+", " ", header))
        for declaration, descriptor in members:
            lines.append("  %s; %s" % (declaration, descriptor))
    dump = "\n".join(lines) + "\n"

    status = 0
    if args.rebaseline:
        with open(args.golden, "w") as f:
            f.write(dump)
    else:
        with open(args.golden) as f:
            golden = f.read()
        if golden != dump:
            status = 1
            shown = 0
            for d in difflib.unified_diff(golden.splitlines(), dump.splitlines(), "golden", "dump", lineterm="", n=0):
                print(d)
                shown += 1
                if shown >= 30:
                    break

    # HotSpot's classes of these names and all their supertypes, a javap
    # run for each level of the hierarchy.
    hotspot_classes = {}
    wanted = [n for n in public if n.startswith("java.")]
    while wanted:
        hotspot_classes.update(parse(javap(args.javap, wanted, strict=False)))
        for name in wanted:
            hotspot_classes.setdefault(name, None)
        wanted = sorted({sup for cls in hotspot_classes.values() if cls is not None
                         for sup in supertypes(cls[0]) + ["java.lang.Object"]} - set(hotspot_classes))

    def hotspot(name):
        return hotspot_classes.get(name)

    def found(name, key, inherited):
        """HotSpot's member of key in class name, or with inherited in its supertypes too."""
        cls = hotspot(name)
        if cls is None:
            return None
        header, members = cls
        for declaration, descriptor in members:
            k = member_key(name, declaration, descriptor)
            if k[0] == key[0] and k[1] == key[1]:
                return k
        if not inherited:
            return None
        for sup in supertypes(header) + ["java.lang.Object"]:
            if sup != name:
                k = found(sup, key, True)
                if k is not None:
                    return k
        return None

    rank = {"public": 2, "protected": 1, "package": 0}
    bad = 0
    for name in public:
        if not name.startswith("java."):
            continue
        if hotspot(name) is None:
            print("%s: no such class in HotSpot" % name)
            bad += 1
            continue
        for declaration, descriptor in ours[name][1]:
            key = member_key(name, declaration, descriptor)
            theirs = found(name, key, key[0] != "<init>")
            problem = None
            if theirs is None:
                problem = "not in HotSpot"
            elif theirs[2] != key[2]:
                problem = "static-ness differs"
            elif rank[theirs[3]] < rank[key[3]]:
                problem = "HotSpot's access is narrower"
            elif theirs[4] != key[4]:
                problem = "value %s, HotSpot's %s" % (key[4], theirs[4])
            if problem:
                bad += 1
                if bad <= 30:
                    print("%s.%s %s: %s" % (name, key[0], key[1], problem))
    if bad:
        status = 1
    print("%d classes, %d members; %d differ from HotSpot" % (len(public), len(lines) - len(public), bad))
    return status


if __name__ == "__main__":
    sys.exit(main())
