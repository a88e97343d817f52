"""Archives that are the same bytes on every machine and at every time.

The test corpora made by zip, jar and Python's zipfile seed the fuzzers, so
they must not depend on when, by whom or on which file system they were made:
every entry carries one fixed time (2010-01-01 00:00:00, read in UTC), zip
writes no uid/gid extra fields, and entries go in sorted path order instead of
the order a directory happens to list them in.
"""
import os
import subprocess
import zipfile

FIXED_TIME = 1262304000  # 2010-01-01 00:00:00 UTC
FIXED_DATE = (2010, 1, 1, 0, 0, 0)
_ENV = dict(os.environ, TZ="UTC")


def tree_paths(src):
    """Every directory (with a trailing '/') and file under src, relative and
    sorted, each directory before what it holds; all get the fixed time."""
    paths = []
    for top, dirs, files in os.walk(src):
        dirs.sort()
        rel = os.path.relpath(top, src)
        if rel != ".":
            paths.append(rel + "/")
        paths.extend(os.path.normpath(os.path.join(rel, name)) for name in sorted(files))
    for path in paths:
        os.utime(os.path.join(src, path), (FIXED_TIME, FIXED_TIME))
    return paths


def zip_tree(src, archive, level, paths=None):
    """`zip -LEVEL archive` over the tree (or the given paths) under src."""
    if paths is None:
        paths = tree_paths(src)
    else:
        tree_paths(src)
    subprocess.run(["zip", "-q", "-X", f"-{level}", archive] + paths, cwd=src, check=True, env=_ENV)


def jar_tree(src, archive):
    """The JDK's `jar cf archive` over the files under src."""
    args = ["jar", "--create", "--file", archive, "--date=2010-01-01T00:00:02Z"]
    for path in tree_paths(src):
        if not path.endswith("/"):
            args += ["-C", src, path]
    subprocess.run(args, check=True, env=_ENV)


def writestr(z, name, data):
    """z.writestr(name, data) with the fixed time instead of the clock's."""
    info = zipfile.ZipInfo(name, FIXED_DATE)
    info.compress_type = z.compression
    info.external_attr = 0o600 << 16
    z.writestr(info, data)
