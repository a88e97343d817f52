#!/usr/bin/env python3
"""One compatibility-test run of midprun against the loopback test server.

  tck_run.py SERVER MIDPRUN SCENARIO HOST-FROM JAR CLASS

Starts SERVER (tck_server.py) with SCENARIO serving JAR with CLASS in its
"MIDlet-1", writes into a temporary directory a stub JAR (a manifest only,
so the class can come from nothing but the downloaded JAR) and tck.jad
naming the test agent's class, then runs

  MIDPRUN --tck --jad tck.jad --jar stub.jar [-- -tck_host URL]

HOST-FROM "jad" puts the server's URL into the JAD's
"microVostel-TckServer", "arg" hands it as the VM parameter instead.
midprun's standard output and error pass through; the server's lines
follow on standard output, each as "server: LINE". The exit status is
midprun's.
"""
import os
import subprocess
import sys
import tempfile
import zipfile

AGENT_CLASS = "jp.co.orvex.midp.tck.TCK"


def write_stub(path):
    manifest = ("Manifest-Version: 1.0\r\nMIDlet-Name: TckStub\r\nMIDlet-Vendor: Vostel Tests\r\n"
                "MIDlet-Version: 1.0\r\nMIDlet-1: TckStub, , %s\r\n\r\n" % AGENT_CLASS)
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("META-INF/MANIFEST.MF", (1980, 1, 1, 0, 0, 0)), manifest)


def write_jad(path, url):
    pairs = [("MIDlet-Name", "TckStub"), ("MIDlet-Vendor", "Vostel Tests"), ("MIDlet-Version", "1.0"),
             ("MIDlet-1", "TckStub, , " + AGENT_CLASS), ("MIDlet-Jar-URL", "stub.jar"),
             ("MIDlet-Jar-Size", str(os.path.getsize(os.path.join(os.path.dirname(path), "stub.jar"))))]
    if url is not None:
        pairs.append(("microVostel-TckServer", url))
    with open(path, "w", newline="") as f:
        f.write("".join("%s: %s\r\n" % p for p in pairs))


def main():
    server, midprun, scenario, host_from, jar, main_class = sys.argv[1:7]
    serving = subprocess.Popen([sys.executable, server, scenario, jar, main_class], stdout=subprocess.PIPE,
                               text=True)
    first = serving.stdout.readline().split()
    if len(first) != 2 or first[0] != "port":
        print("server did not start: %r" % first)
        serving.kill()
        serving.wait()
        return 1
    url = "http://127.0.0.1:%s/" % first[1]
    with tempfile.TemporaryDirectory() as work:
        write_stub(os.path.join(work, "stub.jar"))
        jad = os.path.join(work, "tck.jad")
        write_jad(jad, url if host_from == "jad" else None)
        command = midprun.split(",") + ["--tck", "--jad", jad, "--jar", os.path.join(work, "stub.jar")]
        if host_from == "arg":
            command += ["--", "-tck_host", url]
        sys.stdout.flush()
        status = subprocess.call(command)
    # The server stops by itself after its last answer (or its own limits).
    lines = serving.stdout.read().splitlines()
    serving.wait()
    for line in lines:
        print("server: " + line)
    return status


if __name__ == "__main__":
    sys.exit(main())
