#!/usr/bin/env python3
"""smsc over loopback: a centre on an ephemeral port, fake devices speaking the
wire format (built here independently of the C++ codec), and the smsc client
commands. Each check names itself when it fails. Waits are socket reads or
looks at the centre's log, bounded generously for a loaded machine, never
sleeps; nothing depends on how long a silence lasts."""
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

SMSC = sys.argv[1]
MAGIC = 0x534D5356
REGISTER, WITHDRAW, SUBMIT, ACCEPTED, REFUSED, DELIVER, DELIVER_ACK = 1, 2, 3, 4, 5, 6, 7
LIMIT = 60.0  # seconds: the bound of every wait
failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(name)
        print("FAIL %s %s" % (name, detail))


def record(kind, rid=0, sport=0, dport=0, count=0, snum="", dnum="", payload=b""):
    head = struct.pack("<10I", MAGIC, 1, kind, rid, sport, dport, count, len(snum), len(dnum), len(payload))
    return head + snum.encode("utf-16-le") + dnum.encode("utf-16-le") + payload


def parse(data):
    f = struct.unpack("<10I", data[:40])
    p = 40
    snum = data[p:p + 2 * f[7]].decode("utf-16-le")
    p += 2 * f[7]
    p += 2 * f[8]
    return {"kind": f[2], "id": f[3], "sport": f[4], "dport": f[5], "snum": snum, "payload": data[p:p + f[9]]}


class Device:
    def __init__(self, centre, number, port):
        self.centre, self.number, self.port = centre, number, port
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.acked = set()

    def register(self):
        self.sock.sendto(record(REGISTER, sport=self.port, snum=self.number), self.centre)

    def next(self, timeout=LIMIT):
        """The next datagram from the centre, passing over resends of a
        delivery already acknowledged (the ack crossed the resend); None
        when nothing comes within `timeout` (0: nothing waiting)."""
        self.sock.settimeout(timeout)
        while True:
            try:
                data, addr = self.sock.recvfrom(70000)
            except (socket.timeout, BlockingIOError):
                return None
            if addr != self.centre:
                return None
            m = parse(data)
            if not (m["kind"] == DELIVER and m["id"] in self.acked):
                return m

    def ack(self, rid):
        self.acked.add(rid)
        self.sock.sendto(record(DELIVER_ACK, rid=rid), self.centre)


def run(*args):
    return subprocess.run([SMSC] + list(args), capture_output=True, text=True, timeout=LIMIT)


def logged(path, text):
    """Waits until the centre's log holds `text`."""
    end = time.monotonic() + LIMIT
    while time.monotonic() < end:
        with open(path) as f:
            if text in f.read():
                return True
        time.sleep(0.05)
    return False


with tempfile.TemporaryDirectory() as tmp:
    log = os.path.join(tmp, "smsc.log")
    server = subprocess.Popen([SMSC, "serve", "--listen", "127.0.0.1:0", "--log", log],
                              stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    check("listening line", line.startswith("smsc listening on 127.0.0.1:"), line)
    port = int(line.strip().rsplit(":", 1)[1])
    centre = ("127.0.0.1", port)
    addr = "127.0.0.1:%d" % port

    # "hi" from B's port 4000 reaches A's port 5000 with the sender's number and port.
    a = Device(centre, "+15550001", 5000)
    a.register()
    r = run("send", "--smsc", addr, "--from", "+15550002:4000", "--to", "+15550001:5000", "--text", "hi")
    check("send accepted", r.returncode == 0, r.stderr)
    m = a.next()
    check("hi delivered", m is not None and m["kind"] == DELIVER and m["snum"] == "+15550002"
          and m["sport"] == 4000 and m["dport"] == 5000 and m["payload"] == b"hi", m)
    if m:
        a.ack(m["id"])

    # 200 submissions from one sender arrive once each, in order (the device
    # drops a resent delivery by its id); a resent submission (same id) is
    # answered again but stored once.
    got, seen = [], set()

    def receive_all():
        while len(got) < 200:
            m = a.next()
            if m is None:
                return
            a.ack(m["id"])
            if m["id"] not in seen:
                seen.add(m["id"])
                got.append(struct.unpack("<I", m["payload"])[0])

    reader = threading.Thread(target=receive_all)
    reader.start()
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind(("127.0.0.1", 0))
    sender.settimeout(LIMIT)
    answers_ok = True
    for i in range(200):
        sub = record(SUBMIT, rid=1000 + i, sport=4001, dport=5000, snum="+15550002", dnum="+15550001",
                     payload=struct.pack("<I", i))
        for _ in range(2 if i == 7 else 1):
            sender.sendto(sub, centre)
            ans = parse(sender.recvfrom(100)[0])
            answers_ok &= ans["kind"] == ACCEPTED and ans["id"] == 1000 + i
    check("200 submissions accepted", answers_ok)
    reader.join()
    check("200 delivered once, in order", got == list(range(200)), got[:10])

    # Hex payload; a pair not registered stores the datagram until it registers.
    r = run("send", "--smsc", addr, "--from", "15550009", "--to", "+15550003:6000", "--hex", "00ff10")
    check("stored send accepted", r.returncode == 0, r.stderr)
    c = Device(centre, "+15550003", 6000)
    c.register()
    m = c.next()
    check("stored then forwarded", m is not None and m["payload"] == b"\x00\xff\x10" and m["sport"] == 0
          and m["snum"] == "15550009", m)

    # Unacknowledged: sent, then 3 resends of the same id, then kept for the
    # pair's next registration.
    # The centre gives up after sending the last copy.
    check("given up", logged(log, "unanswered +15550003:6000, stored"))
    copies = [m["id"]] if m else []
    while True:
        m2 = c.next(timeout=0)
        if m2 is None:
            break
        copies.append(m2["id"])
    check("sent and resent 3 times", len(copies) == 4 and len(set(copies)) == 1, copies)
    c2 = Device(centre, "+15550003", 6000)
    c2.register()
    m = c2.next()
    check("kept after unanswered retries", m is not None and m["payload"] == b"\x00\xff\x10", m)
    if m:
        c2.ack(m["id"])

    # reject-next 1 refuses one submission only. (A's registration is
    # refreshed: it would lapse 90 s after the first on a slow machine.)
    a.register()
    r = run("reject-next", "--smsc", addr, "1")
    check("reject-next accepted", r.returncode == 0, r.stderr)
    r = run("send", "--smsc", addr, "--from", "+15550002", "--to", "+15550001:5000", "--text", "x")
    check("next send refused", r.returncode == 1 and "refused" in r.stderr, r.stderr)
    r = run("send", "--smsc", addr, "--from", "+15550002", "--to", "+15550001:5000", "--text", "y")
    check("then accepted again", r.returncode == 0, r.stderr)
    m = a.next()
    check("only the accepted one delivered", m is not None and m["payload"] == b"y", m)
    if m:
        a.ack(m["id"])

    # Malformed datagrams are dropped and logged; traffic goes on.
    junk = [b"", b"x", record(SUBMIT)[:39], record(99), record(SUBMIT, dport=5000, snum="+1", dnum="+2") + b"!",
            record(SUBMIT, dport=5000, snum="+1a", dnum="+2")]
    for j in junk:
        sender.sendto(j, centre)
    r = run("send", "--smsc", addr, "--from", "+15550002", "--to", "+15550001:5000", "--text", "after junk")
    check("send after junk", r.returncode == 0, r.stderr)
    m = a.next()
    check("delivered after junk", m is not None and m["payload"] == b"after junk", m)

    # Bad usage.
    for name, args in [("no port in --to", ["--to", "+1555"]), ("letters", ["--to", "+15a:1"]),
                       ("port 0", ["--to", "+1:0"]), ("odd hex", ["--to", "+1:1", "--hex", "abc"])]:
        extra = [] if "--hex" in args else ["--text", "t"]
        r = run("send", "--smsc", addr, "--from", "+1", *args, *extra)
        check("usage: " + name, r.returncode == 2, r.stderr)

    r = run("stop", "--smsc", addr)
    check("stop accepted", r.returncode == 0, r.stderr)
    check("server ended", server.wait(timeout=10) == 0)
    r = run("send", "--smsc", addr, "--from", "+1", "--to", "+2:1", "--text", "t")
    check("centre stopped: send fails", r.returncode == 1 and "no answer" in r.stderr, r.stderr)

    text = open(log).read()
    check("junk logged", text.count("dropped datagram from") == len(junk), text)
    check("register logged", "registered +15550001:5000 at 127.0.0.1:" in text, text)

if failures:
    print("%d failed: %s" % (len(failures), ", ".join(failures)))
    sys.exit(1)
print("all smsc checks passed")
