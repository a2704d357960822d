#!/usr/bin/env python3
"""Slow clients: opens COUNT connections that send a request header one byte a second (spread over
20 loopback source addresses), then times a new client's request to TARGET while they dribble.
Prints: median latency in ms of five requests, the slowest, and how many dribblers were still open.
Usage: dribble.py HOST PORT COUNT TARGET [HOST_HEADER]"""
import socket
import statistics
import sys
import time

host, port, count, target = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
host_header = sys.argv[5] if len(sys.argv) > 5 else host
header = f"GET {target} HTTP/1.1\r\nHost: {host_header}\r\nX-Slow: " + "x" * 200
socks = []
for i in range(count):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.bind((f"127.0.0.{2 + i % 20}", 0))
    s.setblocking(False)
    try:
        s.connect((host, port))
    except BlockingIOError:
        pass
    socks.append(s)
time.sleep(0.5)


def dribble(step):
    alive = 0
    for s in socks:
        try:
            s.send(header[step % len(header)].encode())
            alive += 1
        except OSError:
            pass
    return alive


def timed_request():
    start = time.monotonic()
    with socket.create_connection((host, port), timeout=10) as c:
        c.sendall(f"GET {target} HTTP/1.1\r\nHost: {host_header}\r\nConnection: close\r\n\r\n".encode())
        got = b""
        while True:
            piece = c.recv(65536)
            if not piece:
                break
            got += piece
    if not got.startswith(b"HTTP/1.1 200"):
        raise SystemExit("dribble: the new client got no 200: " + got[:80].decode(errors="replace"))
    return (time.monotonic() - start) * 1000


times = []
alive = 0
for step in range(3):
    alive = dribble(step)
    time.sleep(1)
for step in range(3, 8):
    alive = dribble(step)
    times.append(timed_request())
    time.sleep(0.2)
print(f"{statistics.median(times):.1f} {max(times):.1f} {alive}")
for s in socks:
    s.close()
