#!/usr/bin/env python3
"""Checks the machine code of the software floating point and its stubs.

  objcode_check.py --objdump PATH --arch x86_64|arm [--expect HEADER]... OBJECT...

Disassembles the objects (objdump -dr) and checks:
  - the objects that define vsRuntime_dadd (the double routines) and
    vsRuntime_fadd (the float routines) use no floating point: on x86_64 no
    x87, MMX, SSE or AVX instruction; on arm no call of a soft-float helper
    (__aeabi_d*, __aeabi_f* or libgcc's __adddf3-style names), and
    vsRuntime_dmul and vsRuntime_fmul multiply with umull;
  - every vsRuntime_<name>Entry is a single branch to vsRuntime_<name>;
  - on arm, every vsMath_<name> is a single branch to libm's <name>.
Each --expect header lists functions (vsRuntime_*Entry, and on arm
vsMath_*) that must be among the objects' definitions.
Each finding is one line on standard error; exit 1 when there are any.
"""
import argparse
import re
import subprocess
import sys

FUNCTION = re.compile(r"^[0-9a-f]+ <([^>]+)>:$")
INSTRUCTION = re.compile(r"^\s*[0-9a-f]+:\s+(\S+)\s*(.*)$")
RELOCATION = re.compile(r"^\s*[0-9a-f]+: R_\S+\s+([^\s+-]+)")

X86_FP_OPERAND = re.compile(r"%(xmm|ymm|zmm|mm\d|st\b|st\()")
X86_FP_MNEMONICS = {"ldmxcsr", "stmxcsr", "fxsave", "fxrstor", "emms", "femms"}
ARM_SOFT_FLOAT = re.compile(
    r"^__aeabi_[df]|^__(add|sub|mul|div|neg|cmp|eq|ne|lt|le|gt|ge|unord|extend|trunc|float|fix)"
    r"\w*[sd]f\d?$|^__fix\w+$")
ARM_BRANCH = {"b", "b.w"}
X86_BRANCH = {"jmp"}
# A function that marks an object as holding software floating point, and the
# multiplication that object must define.
ROUTINE_MARKERS = {"vsRuntime_dadd": "vsRuntime_dmul", "vsRuntime_fadd": "vsRuntime_fmul"}


class Instruction:
    def __init__(self, mnemonic, operands):
        self.mnemonic = mnemonic
        self.operands = operands
        self.targets = []  # symbols named by the instruction's relocations


def disassemble(objdump, path):
    """Maps each function of the object to its instructions."""
    out = subprocess.run([objdump, "-dr", "--no-show-raw-insn", path],
                         check=True, capture_output=True, text=True).stdout
    functions = {}
    current = None
    for line in out.splitlines():
        m = FUNCTION.match(line)
        if m:
            current = functions.setdefault(m.group(1), [])
            continue
        if current is None:
            continue
        r = RELOCATION.match(line)
        if r and current:
            current[-1].targets.append(r.group(1))
            continue
        i = INSTRUCTION.match(line)
        if i and not i.group(1).startswith("R_"):
            current.append(Instruction(i.group(1), i.group(2)))
    return functions


def is_x86_floating_point(ins):
    return (ins.mnemonic.startswith("f") or ins.mnemonic in X86_FP_MNEMONICS
            or X86_FP_OPERAND.search(ins.operands) is not None)


def check_routines(arch, path, functions, findings):
    markers = [m for m in ROUTINE_MARKERS if m in functions]
    if not markers:
        return
    for name, body in functions.items():
        for ins in body:
            if arch == "x86_64" and is_x86_floating_point(ins):
                findings.append("%s: %s uses floating point: %s %s"
                                % (path, name, ins.mnemonic, ins.operands))
            if arch == "arm":
                for target in ins.targets:
                    if ARM_SOFT_FLOAT.search(target):
                        findings.append("%s: %s calls soft-float helper %s" % (path, name, target))
    for marker in markers:
        multiply = ROUTINE_MARKERS[marker]
        if multiply not in functions:
            findings.append("%s: defines %s but not %s" % (path, marker, multiply))
        elif arch == "arm" and not any(ins.mnemonic.startswith("umull")
                                       for ins in functions[multiply]):
            findings.append("%s: %s does not use umull" % (path, multiply))


def check_single_branch(arch, name, body, target, findings):
    branches = X86_BRANCH if arch == "x86_64" else ARM_BRANCH
    if len(body) != 1 or body[0].mnemonic not in branches or body[0].targets != [target]:
        shown = "; ".join("%s %s" % (i.mnemonic, i.operands.strip()) for i in body)
        findings.append("%s is not a single branch to %s: %s" % (name, target, shown))


def expected_names(header, arch):
    with open(header) as fh:
        text = fh.read()
    names = set(re.findall(r"\b(vsRuntime_\w+Entry)\s*\(", text))
    if arch == "arm":
        names |= set(re.findall(r"\b(vsMath_\w+)\s*\(", text))
    return names


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--arch", required=True, choices=["x86_64", "arm"])
    ap.add_argument("--expect", action="append", default=[])
    ap.add_argument("objects", nargs="+")
    args = ap.parse_args()

    findings = []
    defined = set()
    for path in args.objects:
        try:
            functions = disassemble(args.objdump, path)
        except (OSError, subprocess.CalledProcessError) as e:
            findings.append("%s: cannot disassemble: %s" % (path, e))
            continue
        defined |= set(functions)
        check_routines(args.arch, path, functions, findings)
        for name, body in functions.items():
            stub = re.fullmatch(r"(vsRuntime_\w+)Entry", name)
            if stub:
                check_single_branch(args.arch, name, body, stub.group(1), findings)
            math = re.fullmatch(r"vsMath_(\w+)", name)
            if math and args.arch == "arm":
                check_single_branch(args.arch, name, body, math.group(1), findings)
    for header in args.expect:
        for name in sorted(expected_names(header, args.arch) - defined):
            findings.append("%s: declared in %s but not defined" % (name, header))

    for finding in findings:
        print("objcode_check: " + finding, file=sys.stderr)
    print("objcode_check: %d objects, %d findings" % (len(args.objects), len(findings)))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
