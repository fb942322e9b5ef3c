#!/usr/bin/env python3
"""Two klx80-serve instances behind HAProxy (service/haproxy.cfg) on loopback
ports: one is killed while two clients keep rendering through HAProxy, and
every render still succeeds. Skipped (77) without haproxy.
Usage: failover_test.py SERVE IMAGE HAPROXY_CFG"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

from serve_util import Serve, request

SERVE, IMAGE, CONFIG = sys.argv[1:4]
SCRIPT = b"CART:3 TEXT:HELLO PRINT\n"
PER_CLIENT = 60  # renders each client sends


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(port, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if request(port, "GET", "/healthz")[0] == 200:
                return True
        except OSError:
            time.sleep(0.1)
    return False


def main():
    haproxy = shutil.which("haproxy")
    if not haproxy:
        print("haproxy not found: skipped")
        return 77
    with Serve(SERVE, IMAGE, "--workers", "1") as a, Serve(SERVE, IMAGE, "--workers", "1") as b:
        port = free_port()
        env = dict(os.environ, KLX80_LISTEN="127.0.0.1:%d" % port, KLX80_SERVE_A="127.0.0.1:%d" % a.port,
                   KLX80_SERVE_B="127.0.0.1:%d" % b.port)
        proxy = subprocess.Popen([haproxy, "-db", "-f", CONFIG], env=env, stdout=subprocess.DEVNULL)
        try:
            if not wait_for(port):
                print("FAIL haproxy did not answer")
                return 1
            codes, served = [], set()
            lock = threading.Lock()
            half = threading.Event()

            def client():
                for i in range(PER_CLIENT):
                    status, headers, _ = request(port, "POST", "/v1/render", SCRIPT, {"Content-Type": "text/plain"})
                    with lock:
                        codes.append(status)
                        if len(codes) == PER_CLIENT:
                            half.set()

            clients = [threading.Thread(target=client) for _ in range(2)]
            for c in clients:
                c.start()
            half.wait(120)
            a.proc.send_signal(signal.SIGKILL)  # the whole instance, its acceptor first
            a.proc.wait()
            for c in clients:
                c.join(300)
            after_kill = [request(port, "POST", "/v1/render", SCRIPT, {"Content-Type": "text/plain"})[0]
                          for _ in range(10)]
            _, _, text = b.request("GET", "/metrics")
            b_renders = [l for l in text.decode().splitlines() if l.startswith("klx80_render_duration_seconds_count")]
        finally:
            proxy.terminate()
            proxy.wait(10)
    ok = codes.count(200) == 2 * PER_CLIENT and after_kill == [200] * 10
    print("renders through HAProxy: %d of %d answered 200 while instance A was killed halfway; %d of 10 after; "
          "instance B %s" % (codes.count(200), 2 * PER_CLIENT, after_kill.count(200), b_renders))
    print("ok" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
