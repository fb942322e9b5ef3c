"""Starting klx80-serve on a free loopback port and talking to it, for the
service's tests and benchmark. Standard library only."""
import http.client
import os
import re
import subprocess

CLIENT_TIMEOUT = 60  # seconds a test waits for any one answer before it fails


class Serve:
    """A klx80-serve process on 127.0.0.1; stopped on exit from `with`."""

    def __init__(self, program, image, *args):
        self.proc = subprocess.Popen([program, "--flash", image, "--port", "0", *args],
                                     stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        m = re.search(r"listening on http://([0-9.]+):(\d+)", line)
        if not m:
            self.proc.kill()
            raise RuntimeError("klx80-serve did not start: %r" % line)
        self.host, self.port = m.group(1), int(m.group(2))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def workers(self):
        """The worker processes' ids (the acceptor's children)."""
        ids = []
        for task in os.listdir("/proc/%d/task" % self.proc.pid):
            with open("/proc/%d/task/%s/children" % (self.proc.pid, task)) as f:
                ids += [int(p) for p in f.read().split()]
        return ids

    def request(self, method, path, body=None, headers=None):
        return request(self.port, method, path, body, headers)

    def render(self, script, accept=None, query="", content_type="text/plain"):
        headers = {}
        if accept:
            headers["Accept"] = accept
        if content_type:
            headers["Content-Type"] = content_type
        data = script if isinstance(script, bytes) else script.encode()
        return self.request("POST", "/v1/render" + query, data, headers)

    def metric(self, name):
        _, _, text = self.request("GET", "/metrics")
        m = re.search(r"^%s (\d+)" % re.escape(name), text.decode(), re.M)
        return int(m.group(1)) if m else None


def request(port, method, path, body=None, headers=None):
    """(status, headers, body bytes) of one request on a fresh connection."""
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=CLIENT_TIMEOUT)
    try:
        conn.request(method, path, body=body, headers=headers or {})
        r = conn.getresponse()
        return r.status, dict(r.getheaders()), r.read()
    finally:
        conn.close()


def png_size(data):
    """(width, height) from a PNG's header."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", data[:16]
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
