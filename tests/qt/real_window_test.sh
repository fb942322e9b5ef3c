#!/usr/bin/env bash
# The real desktop program in a real X server (Xvfb, started and stopped
# here): a label typed with xdotool, part of it 5 ms a key, Print clicked on
# the device picture, the tape saved through File > Save Tape as PNG, and that
# file compared with the batch runner's tape of the same keys. Then SIGTERM
# must close the program as its window does. Skips (77) without Xvfb or
# xdotool. With KLX80_MEASURE=1 it also reports key-to-LCD latency over 50
# keys and the time to the first frame (figures only, never a verdict).
set -uo pipefail
klx80=$1 batch=$2 image=$3
for tool in Xvfb xdotool compare; do
  command -v "$tool" >/dev/null || { echo "skip: $tool is not installed (scripts/setup installs it)"; exit 77; }
done
source "$(dirname "$0")/x_session.sh"

fail() {
  echo "FAIL: $*" >&2
  [ -n "${KLX80_FAIL_SHOT:-}" ] && import -window root "$KLX80_FAIL_SHOT" 2>/dev/null
  [ -f "$work/klx80.log" ] && tail -n 20 "$work/klx80.log" >&2
  exit 1
}
start_x 1280x1024
for f in fontData.hex batch.hex; do cp "$image" "$work/$f" && chmod u+w "$work/$f"; done
cd "$work" || exit 1

KLX80_TIMING=1 "$klx80" --flash "$work/fontData.hex" 2>"$work/klx80.log" &
program_pid=$!
wait_for 300 grep -q "first LCD frame" "$work/klx80.log" || fail "no first frame within 30 s"
win=$(timeout 10 xdotool search --sync --name '^KLX80 Label Printer Demo$' | head -n1)
[ -n "$win" ] || fail "no device window"
xdotool windowfocus "$win"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$win")"  # WIDTH, HEIGHT
top=$((HEIGHT - 632))                                 # the menu bar above the picture (size 1x)

# Slow keys, then bursts 5 ms apart (the key queue keeps every one). Eight
# letters are what fits the default 3/4-inch label at this size, so the burst
# types six, rubs them out and types six others.
xdotool type --delay 60 "ab"
xdotool type --delay 5 "cdefgh"
xdotool key --delay 5 BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
xdotool type --delay 5 "wxyz12"
sleep 0.5
xdotool mousemove --window "$win" 288 $((232 + top)) click 1  # the Print key's picture
"$batch" --flash "$work/batch.hex" --keys "TEXT:ABWXYZ12 PRINT" --tape-pbm "$work/batch.pbm" \
  >/dev/null || fail "the batch runner failed"

# The job takes a few seconds: save through the menu until the tape matches.
same=no
for n in $(seq 20); do
  sleep 1
  xdotool windowfocus "$win"
  sleep 0.2
  xdotool mousemove --window "$win" 20 $((top / 2)) click 1  # File
  sleep 0.3
  xdotool key Down Return                                     # Save Tape as PNG...
  dialog=$(timeout 5 xdotool search --sync --name '^Save Tape as PNG$' 2>/dev/null | head -n1)
  if [ -z "$dialog" ]; then
    xdotool key Escape  # no tape yet: the window said so instead
    continue
  fi
  xdotool windowfocus "$dialog"
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 10 "$work/saved-$n.png"
  xdotool key Return
  if ! wait_for 30 test -s "$work/saved-$n.png"; then
    xdotool key Escape  # nothing printed yet: the window said so
    continue
  fi
  # One pixel per dot in both: the saved PNG and the batch runner's bitmap.
  if [ "$(compare -metric AE "$work/saved-$n.png" "$work/batch.pbm" null: 2>&1)" = 0 ]; then
    same=yes
    break
  fi
done
[ "$same" = yes ] || fail "the saved tape differs from the batch runner's"
echo "the window's tape equals the batch runner's (saved after $n tries)"

if [ "${KLX80_MEASURE:-0}" = 1 ]; then
  xdotool key --delay 100 Delete Delete Delete Delete
  : >"$work/mark"
  before=$(wc -l <"$work/klx80.log")
  for _ in $(seq 25); do xdotool key --delay 100 a BackSpace; done
  sleep 0.5
  tail -n +"$((before + 1))" "$work/klx80.log" |
    awk '/^klx80: key /{k[nk++]=$3} /^klx80: frame /{f[nf++]=$3}
         END{j=0; for(i=0;i<nk;++i){while(j<nf&&f[j]<k[i])++j; if(j<nf) print (f[j]-k[i])/1000.0}}' |
    sort -n | awk '{d[NR]=$1} END{printf "key to LCD over %d keys: median %.1f ms, worst %.1f ms\n", NR, d[int((NR+1)/2)], d[NR]}'
  grep "first LCD frame" "$work/klx80.log"
fi

kill -TERM "$program_pid"
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "SIGTERM did not end the program"
wait "$program_pid"
status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status after SIGTERM"
echo "closed by SIGTERM with status 0"
