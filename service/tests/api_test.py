#!/usr/bin/env python3
"""klx80-serve's answers: each output, the query's settings, fresh devices,
every kind of bad input, runaway and dead workers, a full queue, a slow
client, and the metrics that count them. Usage: api_test.py SERVE IMAGE"""
import hashlib
import json
import os
import signal
import socket
import sys
import threading
import time

from serve_util import Serve, png_size

SERVE, IMAGE = sys.argv[1:3]
ONE_LABEL = "CART:3 TEXT:HELLO PRINT\n"
failures = []


def check(what, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else "  " + str(detail)))
    if not ok:
        failures.append(what)


def wait_until(what, condition, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    check(what, False, "never happened")
    return False


def outputs(s):
    status, headers, png = s.render(ONE_LABEL)
    check("tape PNG by default", status == 200 and headers["Content-Type"] == "image/png" and png_size(png)[0] >= 481,
          (status, headers))
    status, headers, body = s.render(ONE_LABEL, "application/json")
    state = json.loads(body)
    check("state JSON with the label's facts", status == 200 and state["tape_columns"] > 0 and
          [l["number"] for l in state["labels"]] == [1] and state["labels"][0]["cartridge"] == 3, body[:200])
    status, headers, pdf = s.render(ONE_LABEL, "application/pdf")
    check("tape PDF", status == 200 and pdf.startswith(b"%PDF-1.4") and pdf.rstrip().endswith(b"%%EOF"), pdf[:20])
    status, _, lcd = s.render(ONE_LABEL, "image/png", "?what=lcd")
    check("LCD picture", status == 200 and png_size(lcd) == (264, 128))
    status, _, label = s.render(ONE_LABEL, "text/html;q=0.5, image/png", "?label=1")
    check("one label, a pixel per dot", status == 200 and png_size(label) == (state["labels"][0]["columns"], 128))
    # The query's settings, and a device as fresh as the template each time:
    # a language stored by one render is not seen by the next.
    _, _, body = s.render("TEXT:A", "application/json", "?cartridge=5&language=2&battery=6.5")
    set_state = json.loads(body)
    _, _, body = s.render("TEXT:A", "application/json")
    plain = json.loads(body)
    check("cartridge and language from the query", (set_state["cartridge"], set_state["language"]) == (5, 2),
          set_state)
    check("each render on a fresh device", (plain["cartridge"], plain["language"]) == (3, 0), plain)


BAD = [  # (what, body, query, headers, status, words of the error)
    ("unknown token", "CART:3 FOO", "", {}, 400, "unknown token 'FOO'"),
    ("bad value", "CART:99", "", {}, 400, "bad token 'CART:99'"),
    ("line named", "TEXT:A\nPRINT NOPE", "", {}, 400, "(line 2)"),
    ("file token", "TEXT:A SNAP:/tmp/x.png", "", {}, 400, "SNAP:/tmp/x.png"),
    ("NUL byte", b"TEXT:A\0", "", {}, 400, "NUL byte at byte 6"),
    ("not UTF-8", b"TEXT:A \xff", "", {}, 400, "not UTF-8 text (byte 7)"),
    ("overlong UTF-8", b"# caption: \xc0\xaf", "", {}, 400, "not UTF-8"),
    ("body over the limit", "A " * 4000, "", {}, 413, "over the limit of 4096 bytes"),
    ("parameter out of range", "A", "?cartridge=12", {}, 400, "cartridge=12"),
    ("parameter given twice", "A", "?label=1&label=2", {}, 400, "more than once"),
    ("unknown parameter", "A", "?file=/etc/passwd", {}, 400, "unknown parameter 'file'"),
    ("form body", "A", "", {"Content-Type": "application/x-www-form-urlencoded"}, 415, "text/plain"),
    ("unmade type", "A", "", {"Accept": "text/html"}, 406, "Accept"),
    ("no PDF of the LCD", "A", "?what=lcd", {"Accept": "application/pdf"}, 406, "Accept"),
    ("label not printed", ONE_LABEL, "?label=2", {}, 422, "printed 1 label"),
    ("nothing printed as PDF", "TEXT:A", "", {"Accept": "application/pdf"}, 422, "printed nothing"),
    ("ticks past the bound", "TICKS:10000000", "", {}, 422, "bound of 100000 ticks"),
]


def bad_input(s):
    for what, body, query, headers, want, words in BAD:
        data = body if isinstance(body, bytes) else body.encode()
        h = {"Content-Type": "text/plain", **headers}
        status, _, answer = s.request("POST", "/v1/render" + query, data, h)
        try:
            error = json.loads(answer)["error"]
        except (ValueError, KeyError):
            error = answer
        check("%s: %d %s" % (what, want, words), status == want and words in error, (status, error))
    status, headers, _ = s.request("GET", "/v1/render")
    check("GET /v1/render is 405", status == 405 and headers.get("Allow") == "POST")
    status, _, body = s.request("GET", "/nowhere")
    check("an unknown path is 404 with JSON", status == 404 and "error" in json.loads(body))


def dead_workers(s):
    # A worker killed while idle is replaced; no request fails for it.
    before = s.metric("klx80_worker_restarts_total")
    os.kill(s.workers()[0], signal.SIGKILL)
    codes = [s.render(ONE_LABEL)[0] for _ in range(4)]
    check("renders go on after a worker is killed", codes == [200] * 4, codes)
    wait_until("the killed worker restarted", lambda: s.metric("klx80_worker_restarts_total") > before)
    wait_until("two workers alive again", lambda: s.metric("klx80_workers") == 2)


def stuck_worker_and_full_queue(s):
    # One worker, no queue: a stopped worker holds its render past the time
    # bound; meanwhile another render is turned away with 429.
    os.kill(s.workers()[0], signal.SIGSTOP)
    stuck = {}
    t = threading.Thread(target=lambda: stuck.update(answer=s.render(ONE_LABEL)))
    t.start()
    wait_until("the render is in flight", lambda: s.metric("klx80_renders_in_flight") == 1)
    status, headers, body = s.render(ONE_LABEL)
    check("429 with Retry-After while the only worker is busy", status == 429 and headers.get("Retry-After") == "1",
          (status, headers))
    t.join(60)
    status, _, body = stuck.get("answer", (0, {}, b""))
    check("a render past its time bound is 422", status == 422 and b"time bound" in body, (status, body))
    status, _, _ = s.render(ONE_LABEL)
    check("the stuck worker was replaced", status == 200 and s.metric("klx80_worker_restarts_total") == 1, status)


def slow_client(s):
    # Headers and half a body, then nothing: the server lets go of it.
    c = socket.create_connection(("127.0.0.1", s.port), timeout=30)
    c.sendall(b"POST /v1/render HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\nContent-Length: 100\r\n\r\nCART")
    try:
        data = c.recv(4096)
        closed = True
    except socket.timeout:
        closed = False
    c.close()
    check("a half-sent request is dropped", closed and not data.startswith(b"HTTP/1.1 200"), data[:40])
    check("and the service still answers", s.render(ONE_LABEL)[0] == 200)


def metrics(s):
    _, headers, text = s.request("GET", "/metrics")
    text = text.decode()
    check("metrics in the Prometheus text format", headers["Content-Type"].startswith("text/plain; version=0.0.4")
          and '# TYPE klx80_render_duration_seconds histogram' in text, text[:200])
    check("bad requests counted", s.metric('klx80_request_errors_total') >= len(BAD))
    check("nothing in flight at rest", s.metric("klx80_renders_in_flight") == 0)
    status, _, body = s.request("GET", "/healthz")
    check("healthy", status == 200 and json.loads(body)["workers"] == 2, body)


def main():
    with open(IMAGE, "rb") as f:
        template = hashlib.sha256(f.read()).hexdigest()
    with Serve(SERVE, IMAGE, "--workers", "2", "--max-body", "4096", "--max-ticks", "100000",
               "--client-timeout", "1") as s:
        check("binds loopback", s.host == "127.0.0.1")
        outputs(s)
        bad_input(s)
        dead_workers(s)
        slow_client(s)
        metrics(s)
    with Serve(SERVE, IMAGE, "--workers", "1", "--max-queue", "0", "--render-timeout", "1") as s:
        stuck_worker_and_full_queue(s)
    with open(IMAGE, "rb") as f:
        check("the template image is unchanged", hashlib.sha256(f.read()).hexdigest() == template)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
