#!/usr/bin/env python3
"""The service answers what klx80-batch writes: for every golden key script
that names no file, the tape PNG byte for byte (--tape-png), the JSON's state
byte for byte (--state) and its labels as --labels lists them, the LCD
(--lcd-png), and label=1 as --labels draws it. Usage: parity_test.py SERVE BATCH IMAGE GOLDEN_SCRIPTS"""
import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import tempfile

from serve_util import Serve

SERVE, BATCH, IMAGE, GOLDEN = sys.argv[1:5]


def batch_run(script, work):
    """klx80-batch's outputs of the script on a fresh copy of the image."""
    os.makedirs(work)
    image = os.path.join(work, "image.hex")
    shutil.copyfile(IMAGE, image)
    run = subprocess.run([BATCH, "--flash", image, "--script", script, "--tape-png", os.path.join(work, "tape.png"),
                          "--lcd-png", os.path.join(work, "lcd.png"),
                          "--labels", os.path.join(work, "labels"), "--state"],
                         capture_output=True, timeout=120)
    if run.returncode != 0:
        return None
    with open(os.path.join(work, "tape.png"), "rb") as f:
        png = f.read()
    with open(os.path.join(work, "lcd.png"), "rb") as f:
        lcd = f.read()
    with open(os.path.join(work, "labels", "labels.json")) as f:
        labels = json.load(f)
    first = None
    if labels:
        with open(os.path.join(work, "labels", "label-0001.png"), "rb") as f:
            first = f.read()
    return png, lcd, run.stdout, labels, first


def compare(s, case, work):
    script_path = os.path.join(GOLDEN, case, "keys.txt")
    with open(script_path, "rb") as f:
        script = f.read()
    if b"SNAP:" in script:
        return case, "skipped (names a file)"
    batch = batch_run(script_path, os.path.join(work, case))
    if batch is None:
        return case, "klx80-batch failed"
    png, lcd, state, labels, first = batch
    problems = []
    status, _, body = s.render(script)
    if status != 200 or body != png:
        problems.append("tape PNG differs (%d)" % status)
    status, _, body = s.render(script, "image/png", "?what=lcd")
    if status != 200 or body != lcd:
        problems.append("LCD PNG differs (%d)" % status)
    status, _, body = s.render(script, "application/json")
    head = state.rstrip(b"\n")[:-1] + b',"labels":'
    if status != 200 or not body.startswith(head):
        problems.append("state differs (%d)" % status)
    elif json.loads(body)["labels"] != labels:
        problems.append("labels differ")
    if first is not None:
        status, _, body = s.render(script, "image/png", "?label=1")
        if status != 200 or body != first:
            problems.append("label 1 differs (%d)" % status)
    return case, "; ".join(problems) or ("equal, with %d labels" % len(labels))


def main():
    cases = sorted(c for c in os.listdir(GOLDEN) if os.path.isfile(os.path.join(GOLDEN, c, "keys.txt")))
    work = tempfile.mkdtemp(prefix="klx80-parity-")
    try:
        with Serve(SERVE, IMAGE, "--workers", "2") as s:
            with concurrent.futures.ThreadPoolExecutor(2) as pool:
                results = list(pool.map(lambda c: compare(s, c, work), cases))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    equal = [c for c, r in results if r.startswith("equal")]
    for case, result in results:
        print("%-40s %s" % (case, result))
    print("%d of %d cases equal" % (len(equal), len(cases)))
    return 0 if len(equal) == len(cases) and cases else 1


if __name__ == "__main__":
    sys.exit(main())
