#!/usr/bin/env python3
"""Times the interpreter's benchmark program tests.Bench.

  bench.py --jar J [--rounds N] [--runs K] [--java JAVA --classpath CP] -- VM...

Runs `VM... J tests.Bench N` K times (the launcher vmrun-itest, under the
tree's emulator where there is one), and as often with 0 rounds, and prints
the best wall time of the N rounds without the start-up (the difference of
the two bests). With --java it does the same with `JAVA -Xint -cp CP` on the
same class files (CP: the output class's twin first) and prints HotSpot's
interpreter time and the VM's time as a multiple of it. Both must print the
same checksum. Not a test: it prints times, it checks nothing else.
"""
import argparse
import subprocess
import sys
import time


def best(cmd, runs):
    times = []
    output = None
    for _ in range(runs):
        start = time.perf_counter()
        result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        times.append(time.perf_counter() - start)
        if result.returncode != 0:
            sys.exit("bench: %s: exit status %d" % (" ".join(cmd), result.returncode))
        output = result.stdout
    return min(times), output


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--jar", required=True)
    ap.add_argument("--rounds", type=int, default=100)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--java")
    ap.add_argument("--classpath")
    ap.add_argument("vm", nargs="+")
    args = ap.parse_args()

    def net(cmd):
        full, out = best(cmd + [str(args.rounds)], args.runs)
        start, _ = best(cmd + ["0"], args.runs)
        return full - start, out

    vm_time, vm_out = net(args.vm + [args.jar, "tests.Bench"])
    print("itest_bench: tests.Bench, %d rounds on the VM: %.3f s (%s)" % (args.rounds, vm_time, vm_out.strip()))
    if args.java:
        java_time, java_out = net([args.java, "-Xint", "-cp", args.classpath, "tests.Bench"])
        print("itest_bench: on HotSpot -Xint: %.3f s; VM / HotSpot -Xint = %.2f" % (java_time, vm_time / java_time))
        if java_out != vm_out:
            sys.exit("bench: the VM printed %r, HotSpot %r" % (vm_out, java_out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
