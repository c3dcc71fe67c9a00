"""The explorer's speed, driving the real server (`marl explore`) from real
clients: headless Chromium for the page's own figures, WebSocket clients
(trio-websocket, which Debian's Selenium brings) for the crowd.

  /usr/bin/python3 bench/explore_speed.py [MARL] [ROUNDS]

Prints, each from the page's own clock (performance.now()):
  - the first candidate and the twelfth after the page asks;
  - a colour change shown (decoded) at 1024 px: median of 20;
  - the view at 200 hits a pixel (its last round) after a choice;
then 20 clients at once, each time to its first candidate; one client's
time to 12 candidates alone, and again beside a client sending a byte a
second and a thousand bad requests (the ratio); the server's peak memory."""

import os
import socket
import statistics
import sys
import threading
import time

import trio
from trio_websocket import open_websocket_url

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "browser"))
from explorer_page import Browser, Server  # noqa: E402

import json  # noqa: E402


def cpu_seconds(pid):
    """The CPU time a process has used, user and system, in seconds: on a
    machine others load, what the work costs regardless of the wait."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def page_figures(server, rounds):
    b = Browser()
    pid = server.process.pid
    try:
        for r in range(rounds):
            used = cpu_seconds(pid)
            b.driver.get(server.url)
            b.wait("return window.marl.candidates >= 12", limit=120)
            times = b.js("return window.marl.candidateTimes")
            print(f"page round {r + 1}: first candidate {times[0]:.0f} ms, twelfth {times[11]:.0f} ms; "
                  f"server CPU {cpu_seconds(pid) - used:.2f} s for the 12")
        used = cpu_seconds(pid)
        b.js("document.querySelector('.card').click()")
        b.wait("return window.marl.lastHits >= 200", limit=120)
        rounds_seen = b.js("return window.marl.viewTimes")
        for hits, ms in rounds_seen:
            print(f"view: {hits} hits a pixel at {ms:.0f} ms")
        b.wait("return document.querySelectorAll('#palette-previews img').length > 5", limit=60)
        print(f"view: server CPU {cpu_seconds(pid) - used:.2f} s for its rounds and palette previews")
        used = cpu_seconds(pid)
        palettes = ["inferno", "viridis"]
        for i in range(20):
            n = b.js("return window.marl.timings.length")
            b.js(f"""const s = document.querySelector('#colour-form [name=palette]');
                     s.value = '{palettes[i % 2]}'; s.dispatchEvent(new Event('input', {{bubbles: true}}));""")
            b.wait(f"return window.marl.timings.length > {n}", limit=30)
        timings = b.js("return window.marl.timings")
        print(f"colour change at 1024 px: median {statistics.median(timings):.0f} ms of {len(timings)}, "
              f"max {max(timings):.0f} ms; server CPU {(cpu_seconds(pid) - used) / 20 * 1000:.0f} ms each")
    finally:
        b.quit()


async def first_candidates(server, wanted, results, index):
    url = server.url.replace("http://", "ws://").replace("/?token=", "/ws?token=")
    origin = "http://127.0.0.1:%d" % server.port
    started = time.monotonic()
    async with open_websocket_url(url, extra_headers=[(b"Origin", origin.encode())],
                                  message_queue_size=64, max_message_size=16 << 20) as ws:
        await ws.send_message(json.dumps({"type": "candidates", "count": wanted}))
        got = 0
        while got < wanted:
            message = json.loads(await ws.get_message())
            if message["type"] == "candidate":
                got += 1
                if got == 1:
                    results[index] = [time.monotonic() - started]
        results[index].append(time.monotonic() - started)


async def crowd(server, clients, wanted):
    results = [None] * clients
    async with trio.open_nursery() as nursery:
        for i in range(clients):
            nursery.start_soon(first_candidates, server, wanted, results, i)
    return results


def one_client(server):
    results = trio.run(crowd, server, 1, 12)
    return results[0][1]


def slow_client(port, stop):
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nX-Slow: " % port)
    while not stop.is_set():
        try:
            s.send(b"a")
        except OSError:
            s = socket.create_connection(("127.0.0.1", port))
            s.sendall(b"GET / HTTP/1.1\r\n")
        stop.wait(1.0)
    s.close()


def bad_requests(port, count, stop):
    for _ in range(count):
        if stop.is_set():
            return
        with socket.create_connection(("127.0.0.1", port)) as s:
            s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n\r\n" % port)
            s.recv(4096)


def main():
    marl = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/release/marl")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    print("load before: " + open("/proc/loadavg").read().strip())
    server = Server(marl)
    try:
        page_figures(server, rounds)

        results = trio.run(crowd, server, 20, 3)
        firsts = sorted(r[0] for r in results)
        print(f"20 clients: first candidate of each within {firsts[-1]:.2f} s "
              f"(median {statistics.median(firsts):.2f} s); 3 each within "
              f"{max(r[1] for r in results):.2f} s")

        alone = [one_client(server) for _ in range(rounds)]
        stop = threading.Event()
        troublemakers = [threading.Thread(target=slow_client, args=(server.port, stop)),
                         threading.Thread(target=bad_requests, args=(server.port, 1000, stop))]
        for t in troublemakers:
            t.start()
        beside = [one_client(server) for _ in range(rounds)]
        stop.set()
        for t in troublemakers:
            t.join()
        a, b = statistics.median(alone), statistics.median(beside)
        print(f"12 candidates for one client: {a:.2f} s alone, {b:.2f} s beside a slow client "
              f"and 1000 bad requests: ratio {b / a:.2f}")
        with open(f"/proc/{server.process.pid}/status") as status:
            peak = [line for line in status if line.startswith("VmHWM")][0].split()[1]
        print(f"server peak memory: {int(peak) / 1024:.0f} MB")
    finally:
        status, err = server.stop()
        print(f"stopped with status {status}: {err.strip()}")
    print("load after: " + open("/proc/loadavg").read().strip())


if __name__ == "__main__":
    main()
