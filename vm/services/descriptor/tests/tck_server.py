#!/usr/bin/env python3
"""A loopback test server for the compatibility-test agent's tests.

  tck_server.py SCENARIO [JAR CLASS]

Listens on 127.0.0.1 with a port of the system's choice, prints
"port N", then serves the scenario's answers in order, one per connection,
printing "request PATH" for each request it reads. It stops by itself after
the scenario's last answer, or when no client comes for IDLE_SECONDS, or
after TOTAL_SECONDS in all. Each answer closes its connection.

Scenarios (the JAD names the JAR on this server, "MIDlet-1" the class
tests.TckCase):
  jad        the JAD, then the JAR (JAR_BYTES patterned bytes)
  busy       503 twice, then as jad
  noblank    a header that ends without its empty line
  big        a JAD body of BIG_BYTES bytes
  order      a JAD whose "MIDlet-10" comes before "MIDlet-1"
             (its header has "Transfer-Encoding" and "TE" lines)
  notfound   404

With JAR and CLASS the JAR served is that file and "MIDlet-1" names CLASS;
the "order" scenario then serves the JAR after its JAD too.
"""
import socket
import sys
import time

IDLE_SECONDS = 20
TOTAL_SECONDS = 60
JAR_BYTES = 5000
BIG_BYTES = 100000


def response(status, body, extra=b""):
    head = b"HTTP/1.1 " + status + b"\r\nContent-Length: " + str(len(body)).encode() + b"\r\n" + extra + b"\r\n"
    return head + body


def jad(port, main_class, jar_size, lines=()):
    text = "".join(line + "\r\n" for line in lines)
    text += "MIDlet-Name: TckCase\r\n"
    text += "MIDlet-1: TckCase, , %s\r\n" % main_class
    text += "MIDlet-Jar-URL: http://127.0.0.1:%d/test/case.jar\r\n" % port
    text += "MIDlet-Jar-Size: %d\r\n" % jar_size
    return text.encode()


def jar():
    return bytes((i * 7 + 3) & 0xFF for i in range(JAR_BYTES))


def answers(scenario, port, jar_file=None, main_class="tests.TckCase"):
    body = jar()
    if jar_file is not None:
        with open(jar_file, "rb") as f:
            body = f.read()
    ok_jad = response(b"200 OK", jad(port, main_class, len(body)), b"Transfer-Encoding: identity\r\n")
    ok_jar = response(b"200 OK", body)
    busy = response(b"503 Service Unavailable", b"")
    order = [response(b"200 OK", jad(port, main_class, len(body), ["MIDlet-10: Wrong, , tests.Wrong"]),
                      b"Transfer-Encoding: identity\r\nTE: trailers\r\n")]
    if jar_file is not None:
        order.append(ok_jar)
    return {
        "jad": [ok_jad, ok_jar],
        "busy": [busy, busy, ok_jad, ok_jar],
        "noblank": [b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n"],
        "big": [response(b"200 OK", b"x" * BIG_BYTES)],
        "order": order,
        "notfound": [response(b"404 Not Found", b"")],
    }[scenario]


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data and len(data) < 8192:
        chunk = conn.recv(1024)
        if not chunk:
            break
        data += chunk
    line = data.split(b"\r\n", 1)[0].decode("latin-1")
    parts = line.split(" ")
    return parts[1] if len(parts) > 1 else line


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(4)
    port = listener.getsockname()[1]
    print("port %d" % port, flush=True)
    deadline = time.monotonic() + TOTAL_SECONDS
    for answer in answers(sys.argv[1], port, *sys.argv[2:4]):
        listener.settimeout(max(0.1, min(IDLE_SECONDS, deadline - time.monotonic())))
        try:
            conn, _ = listener.accept()
        except socket.timeout:
            print("timed out", flush=True)
            return 1
        with conn:
            conn.settimeout(IDLE_SECONDS)
            print("request %s" % read_request(conn), flush=True)
            try:
                conn.sendall(answer)
                conn.shutdown(socket.SHUT_WR)
            except OSError:
                print("client left", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
