#!/usr/bin/env python3
"""Checks a program's output and the collector's report lines of its run.

Usage: gc_trace_check.py EXPECTED -- <command...>

The command runs a program with the collector's reports on (+ReportGC),
which the VM prints on standard error. Its standard output must equal the
file EXPECTED. On standard error, every report line must match one of
the three forms below and be followed at once by a heap line, and each
form must occur at least once. Prints the first differences or faults,
then "R reused, T tenured, F full, output equal" when all holds; exits 1
on a fault, 2 when the command fails.
"""
import re
import subprocess
import sys

SHOWN = 10
FORMS = (
    ("reused", re.compile(r"^\[young GC <[0-9]+K> [0-9]+K\+[0-9]+K -> [0-9]+K\(reused\)\]$")),
    ("tenured", re.compile(r"^\[young GC <[0-9]+K> [0-9]+K\+[0-9]+K -> [0-9]+K\(tenured\)\]$")),
    ("full", re.compile(r"^\[full  GC <")),
)
REPORT = re.compile(r"^\[(young|full ) GC ")
HEAP = re.compile(r"^Heap 0x[0-9a-f]+-0x[0-9a-f]+, 0x[0-9a-f]+, 0x[0-9a-f]+-0x[0-9a-f]+$")


def trace_faults(lines):
    """The counts of each form and the faults of the report lines."""
    counts = {name: 0 for name, _ in FORMS}
    faults = []
    for number, line in enumerate(lines):
        if not REPORT.match(line):
            continue
        form = next((name for name, pattern in FORMS if pattern.match(line)), None)
        if form is None:
            faults.append(f"line {number + 1}: report of no known form: {line}")
            continue
        counts[form] += 1
        following = lines[number + 1] if number + 1 < len(lines) else "<end of output>"
        if not HEAP.match(following):
            faults.append(f"line {number + 2}: no heap line after the report: {following}")
    for name, count in counts.items():
        if count == 0:
            faults.append(f"no {name} report")
    return counts, faults


def output_faults(expected, actual):
    faults = []
    for number in range(max(len(expected), len(actual))):
        e = expected[number] if number < len(expected) else "<missing>"
        a = actual[number] if number < len(actual) else "<missing>"
        if e != a:
            faults.append(f"output line {number + 1}: expected {e!r}, got {a!r}")
    return faults


def main(argv):
    if len(argv) < 4 or argv[2] != "--":
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        expected = f.read().splitlines()
    run = subprocess.run(argv[3:], capture_output=True, text=True, errors="replace", check=False)
    if run.returncode != 0:
        print(f"command exit status {run.returncode}\n{run.stderr[-2000:]}")
        return 2
    counts, faults = trace_faults(run.stderr.splitlines())
    faults = output_faults(expected, run.stdout.splitlines()) + faults
    for fault in faults[:SHOWN]:
        print(fault)
    if faults:
        print(f"{len(faults)} faults")
        return 1
    print(f"{counts['reused']} reused, {counts['tenured']} tenured, {counts['full']} full, output equal")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
