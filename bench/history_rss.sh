#!/bin/bash
# Resident memory of the desktop program after printing LABELS labels (1000 by
# default) into its tape history: the real klx80, offscreen, driven over a
# pseudo-terminal with remote key scripts (one PRINT per label, each waiting
# for the last job to end). Prints VmRSS and VmHWM of the running program.
# TEXT is the label's key script (a long one fills the history's column
# bound before its label bound).
#   bench/history_rss.sh [BUILD_DIR] [LABELS] [TEXT]
set -euo pipefail
build=${1:-build}
labels=${2:-1000}
text=${3:-TEXT:HELLO_WORLD ENTER TEXT:LABEL_1234}
dir=$(mktemp -d)
cleanup() {
  [[ -n ${app:-} ]] && kill "$app" 2>/dev/null || true
  [[ -n ${link:-} ]] && kill "$link" 2>/dev/null || true
  rm -rf "$dir"
}
trap cleanup EXIT
cp "$build/fontData.hex" "$dir/image.hex"
socat pty,raw,echo=0,link="$dir/device" pty,raw,echo=0,link="$dir/rig" 2>/dev/null &
link=$!
for _ in $(seq 50); do [[ -e $dir/rig ]] && break; sleep 0.1; done
QT_QPA_PLATFORM=offscreen "$build/host/qt/klx80" --flash "$dir/image.hex" --serial "$dir/device" --remote \
  2>"$dir/klx80.log" &
app=$!
python3 - "$dir/rig" "$labels" "$app" "$text" <<'PY'
import os, sys, time, json
rig, labels, pid, text = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
fd = os.open(rig, os.O_RDWR | os.O_NOCTTY)
def state():
    os.write(fd, b"STATE?\n")
    buf = b""
    while not buf.endswith(b"\n") or not buf.strip().startswith(b"{"):
        if buf.endswith(b"\n"):
            buf = b""
        buf += os.read(fd, 65536)
    return json.loads(buf)
def status(field):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith(field):
            return line.split()[1] + " kB"
time.sleep(2)
os.write(fd, ("CART:3 LABEL UP ENTER " + text + "\n").encode())
state()
print("after start:", "VmRSS", status("VmRSS"), flush=True)
start = time.time()
for n in range(labels):
    os.write(fd, b"PRINT\n")
    if n % 50 == 49:
        s = state()
columns = state()["tape_columns"]
print("labels printed:", labels, "in %.0f s;" % (time.time() - start), "columns of the last label", columns)
time.sleep(1)
print("VmRSS", status("VmRSS"), "VmHWM", status("VmHWM"), flush=True)
PY
