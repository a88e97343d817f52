#!/usr/bin/env python3
"""Sentrel through SentrelLib (sentrelcli) on device roots served by the
device server, with a loopback SMS centre on an ephemeral port. Each check
names itself when it fails. Waits are bounded polls of a condition."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

BIN = sys.argv[1]
PEER = sys.argv[2]  # wap_test_peer
failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(name)
        print("FAIL %s %s" % (name, detail))


def cli(root, *args, stdin=None):
    env = dict(os.environ, CE_ROOT=root)
    env.pop("CE_MODULE", None)
    p = subprocess.run([os.path.join(BIN, "sentrelcli")] + list(args), env=env, capture_output=True, text=True,
                       timeout=60, input=stdin)
    return p.stdout


def answer(root, *args):
    out = cli(root, *args)
    m = re.match(r"answer (-?\d+)", out)
    return int(m.group(1)) if m else out


def cedevice(*args):
    return subprocess.run([os.path.join(BIN, "cedevice")] + list(args), capture_output=True, text=True, timeout=60)


def until(condition, limit=10.0):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return False


def log_text(root):
    try:
        with open(os.path.join(root, "Temp", "sentrel.txt"), "rb") as f:
            return f.read().decode("utf-16-le", "replace")
    except OSError:
        return ""


def wait_window(root, cls, title):
    return cedevice("wait", root, "--class", cls, "--title", title).returncode == 0


def message_files(root):
    return sorted(n for n in os.listdir(os.path.join(root, "Temp")) if re.fullmatch(r"\d{5}", n))


def main():
    work = tempfile.mkdtemp(prefix="sentrel_dev")
    centre = subprocess.Popen([os.path.join(BIN, "smsc"), "serve", "--listen", "127.0.0.1:0"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    roots = []
    try:
        address = centre.stdout.readline().split()[-1]
        a, b, c, d = (os.path.join(work, n) for n in "abcd")
        for root, phone in ((a, "+15550001"), (b, "+15550002"), (c, "+15550003"), (d, "+15550004")):
            marker = "\\Windows\\marker.exe=" + os.path.join(BIN, "cemarker")
            check("init " + root,
                  cedevice("init", root, "--phone", phone, "--smsc", address, "--link", marker).returncode == 0)
            roots.append(root)
        check("Sentrel link", os.path.islink(os.path.join(a, "Windows", "Sentrel.exe")))

        # Without the daemon program every export answers -1 and leaves no file.
        os.unlink(os.path.join(c, "Windows", "Sentrel.exe"))
        for args in (["freeport"], ["open", "5000"], ["close", "5000"], ["check", "5000"], ["recv", "5000"],
                     ["send", "5000", "+15550001", "5000", "x"], ["sendfinished", "5000"],
                     ["pushreg", "6000", "m", "c"], ["pushunreg", "6000"], ["pushlist"], ["pushargs", "6000"],
                     ["alarm", "0", "m"], ["launch", "1", "m"]):
            got = answer(c, *args)
            check("no daemon: " + args[0], got == -1, repr(got))
        check("no daemon: no files", message_files(c) == [], message_files(c))

        table = [
            ("open 0", ["open", "0"], -3),
            ("open 5000", ["open", "5000"], 1),
            ("open 5000 again", ["open", "5000"], -15),
            ("close 5001", ["close", "5001"], -5),
            ("check 5000", ["check", "5000"], -12),
            ("recv 5000", ["recv", "5000"], -12),
            ("free port", ["freeport"], 65534),
            ("push-register a held port", ["pushreg", "5000", "m", "c"], -15),
            ("send on a closed port", ["send", "5002", "+15550002", "5000", "x"], -5),
            ("unregister unknown", ["pushunreg", "7000"], -5),
            ("push-args unknown", ["pushargs", "7000"], -16),
        ]
        for name, args, expected in table:
            got = answer(a, *args)
            check(name, got == expected, repr(got))
        check("no request files left", message_files(a) == [], message_files(a))

        holder = subprocess.Popen([PEER, a, "+15550001", address, "hold", "65534"], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        check("peer holds 65534", holder.stdout.readline().strip() == "ready")
        got = answer(a, "freeport")
        check("free port while 65534 is held", got == 65533, repr(got))
        holder.communicate("")

        for text, code in (("SentrelError_Succeeded", 1), ("SentrelError_WapSendNotFinished", 0),
                           ("SentrelError_AlarmListIsFull", -23), ("Unknown errCode=5", 5)):
            got = cli(a, "error", str(code)).strip()
            check("error string %d" % code, got == text, got)

        check("close 5000", answer(a, "close", "5000") == 1)
        for port in ("5000", "5001"):
            check("push-register " + port, answer(a, "pushreg", port, "\\Windows\\marker.exe", "-N", "7") == 1)
        out = cli(a, "pushlist")
        check("push list", out == "answer 1\nports sms://:5000,sms://:5001\n", repr(out))
        out = cli(a, "pushargs", "5000")
        check("push args", out == "answer 1\nargs \\Windows\\marker.exe|-N 7|*|\n", repr(out))

        far = int(time.time() * 1000) + 3600 * 1000
        answers = [answer(a, "alarm", str(far), "m") for _ in range(100)]
        check("100 alarms", answers == [1] * 100, answers)
        check("alarm 101", answer(a, "alarm", str(far), "m") == -23)
        export = cedevice("reg", a, "export", "HKCU\\Software\\Quennet\\Sentrel").stdout
        keys = re.findall(r"\\(Alarm\d\d)\]", export)
        check("alarm keys", keys == ["Alarm%02d" % i for i in range(100)], keys[:3])
        check("no request files after the push requests", message_files(a) == [], message_files(a))

        # B sends "hi" from its port 7000 to A's port 6000 (opened by a client).
        check("open 6000", answer(a, "open", "6000") == 1)
        check("B opens 7000", answer(b, "open", "7000") == 1)
        check("B sends", answer(b, "send", "7000", "+15550001", "6000", "hi") == 1)
        check("B's send is made", until(lambda: answer(b, "sendfinished", "7000") == 1))
        check("A has the message", until(lambda: answer(a, "check", "6000") == 1))
        out = cli(a, "recv", "6000")
        check("A receives hi", out == "answer 1\nfrom +15550002:7000 6869\n", repr(out))
        check("received once", answer(a, "check", "6000") == -12)

        # A client killed while it holds a port: the timer closes the port;
        # a client whose open failed leaves the holder's port alone.
        env = dict(os.environ, CE_ROOT=a)
        holder = subprocess.Popen([os.path.join(BIN, "sentrelcli"), "hold", "5002"], env=env,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        check("hold 5002", holder.stdout.readline().strip() == "answer 1")
        loser = subprocess.Popen([os.path.join(BIN, "sentrelcli"), "hold", "5002"], env=env,
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        check("second hold of 5002", loser.stdout.readline().strip() == "answer -15")
        loser.kill()
        loser.wait()
        holder.kill()
        holder.wait()
        check("client check", until(lambda: "CheckClientExist: delete port=5002" in log_text(a), 5.0))
        check("open 5002 after the client went", answer(a, "open", "5002") == 1)
        # Had the failed opener an entry, the same timer round would have
        # written a second line for it.
        check("one client entry for 5002", log_text(a).count("delete port=5002") == 1, log_text(a).count("port=5002"))

        # A datagram on B's push port starts its program and is received.
        check("B push 6000", answer(b, "pushreg", "6000", "\\Windows\\marker.exe", "-N", "7") == 1)
        check("A sends to B's push port", answer(a, "send", "6000", "+15550002", "6000", "push") == 1)
        check("the marker starts", wait_window(b, "Marker", "-N 7"))
        check("B opens its push port", answer(b, "open", "6000") == 1)
        check("B has the push message", until(lambda: answer(b, "check", "6000") == 1))
        out = cli(b, "recv", "6000")
        check("B receives it", out == "answer 1\nfrom +15550001:6000 70757368\n", repr(out))

        # B's daemon killed: the centre stores what A sends to B's push port;
        # the next call on B restarts the daemon, which opens the port again,
        # starts the marker and receives the datagram.
        line = [l for l in cedevice("windows", b).stdout.splitlines() if "SentrelClass" in l]
        check("B's daemon window", len(line) == 1, line)
        os.kill(int(line[0].split()[1]), 9)
        check("B's daemon gone", until(lambda: "SentrelClass" not in cedevice("windows", b).stdout))
        check("A sends while B's daemon is down", answer(a, "send", "6000", "+15550002", "6000", "late") == 1)
        check("A's send is made", until(lambda: answer(a, "sendfinished", "6000") == 1))
        markers = cedevice("log", b).stdout.count("marker.exe")
        check("B restarted", answer(b, "open", "6000") == 1)
        check("B has the stored message", until(lambda: answer(b, "check", "6000") == 1))
        out = cli(b, "recv", "6000")
        check("B receives the stored message", out == "answer 1\nfrom +15550001:6000 6c617465\n", repr(out))
        check("the stored message starts a marker",
              until(lambda: cedevice("log", b).stdout.count("marker.exe") > markers))

        # An alarm a second ahead starts its program once and its key goes.
        soon = int(time.time() * 1000) + 1000
        check("alarm on B", answer(b, "alarm", str(soon), "\\Windows\\marker.exe", "alarm") == 1)
        check("the alarm's marker starts", wait_window(b, "Marker", "alarm"))
        check("the alarm's key goes",
              until(lambda: "Alarm00" not in cedevice("reg", b, "export", "HKCU\\Software\\Quennet").stdout))

        # Ending a marker's window and starting a new one.
        hwnd = cedevice("wait", b, "--class", "Marker", "--title", "alarm").stdout.strip()
        check("launch", answer(b, "launch", hwnd, "\\Windows\\marker.exe", "second") == 1)
        check("the new marker starts", wait_window(b, "Marker", "second"))
        check("the old one went", cedevice("wait", b, "--class", "Marker", "--title", "alarm", "--gone").returncode == 0)

        # Four clients at once on a fresh device: one daemon answers them all.
        env = dict(os.environ, CE_ROOT=d)
        clients = [subprocess.Popen([os.path.join(BIN, "sentrelcli"), "open", str(5000 + i)], env=env,
                                    stdout=subprocess.PIPE, text=True) for i in range(4)]
        outs = [p.communicate(timeout=60)[0] for p in clients]
        check("four clients at once", outs == ["answer 1\n"] * 4, outs)
        windows = cedevice("windows", d).stdout
        check("one daemon for four clients", windows.count("SentrelClass") == 1, windows)

        # A window that ignores WM_DESTROY: the launch waits 5 s for it.
        cedevice("run", b, "\\Windows\\marker.exe", "--stay x")
        check("the staying marker starts", wait_window(b, "Marker", "--stay x"))
        hwnd = cedevice("wait", b, "--class", "Marker", "--title", "--stay x").stdout.strip()
        start = time.monotonic()
        check("launch over a staying window", answer(b, "launch", hwnd, "\\Windows\\marker.exe", "fourth") == 1)
        check("the new marker after the staying one", wait_window(b, "Marker", "fourth"))
        check("not before 5 s", time.monotonic() - start >= 5.0, time.monotonic() - start)
        check("the staying marker stays", wait_window(b, "Marker", "--stay x"))

        # A second Sentrel brings the first forward and ends with 0.
        pid = cedevice("run", a, "\\Windows\\Sentrel.exe").stdout.split()[-1]
        check("second instance",
              until(lambda: "ActivatePreviousInstance() failed" in cedevice("log", a, "--debug").stdout))
        check("second instance ends with 0",
              until(lambda: ("exit pid %s status 0" % pid) in cedevice("log", a).stdout), cedevice("log", a).stdout)
        windows = cedevice("windows", a).stdout
        check("one SentrelClass window", windows.count("SentrelClass") == 1, windows)
    finally:
        for root in roots:
            cedevice("stop", root)
        centre.kill()
        centre.wait()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
