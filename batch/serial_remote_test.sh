#!/usr/bin/env bash
# klx80-batch --serial PORT --remote over a pseudo-terminal pair (socat): a
# line of keys acknowledged OK once typed, STATE? answered with the state,
# a bad line ERR; the label is in the image once the link hangs up.
# usage: serial_remote_test.sh KLX80_BATCH TEMPLATE_IMAGE   (exit 77: no socat)
set -uo pipefail
batch=$1 image=$2
command -v socat >/dev/null || { echo "socat not installed"; exit 77; }
work=$(mktemp -d)
socat_pid=
trap '[ -n "$socat_pid" ] && kill $socat_pid 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cp "$image" "$work/i.hex"
socat pty,raw,echo=0,link="$work/a" pty,raw,echo=0,link="$work/b" &
socat_pid=$!
for _ in $(seq 100); do [ -e "$work/a" ] && [ -e "$work/b" ] && break; sleep 0.05; done
"$batch" --flash "$work/i.hex" --serial "$work/a" --remote 2>"$work/err" &
batch_pid=$!
python3 - "$work/b" <<'PY' || fail "answers"
import os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY)
os.write(fd, b"TEXT:HELLO\nSTATE?\nA FOO\n")
heard, deadline = b"", time.monotonic() + 60
while heard.count(b"\n") < 3 and time.monotonic() < deadline:
    heard += os.read(fd, 65536)
lines = heard.decode().splitlines()
assert lines[0] == "OK", lines
assert lines[1].startswith("{") and '"lines":["HELLO"]' in lines[1], lines[1]
assert lines[2] == "ERR unknown token 'FOO'", lines
PY
kill $socat_pid; socat_pid=
wait $batch_pid || fail "exit $? after the hang-up: $(cat "$work/err")"
"$batch" --flash "$work/i.hex" --state | grep -q '"lines":\["HELLO"\]' || fail "the label is not in the image"
echo "serial remote ok"
