#!/usr/bin/env bash
# The desktop program for someone at work, in a real X server with a window
# manager (Xvfb at 1366 x 768 and openbox, started and stopped here):
#  - keys typed into Serial Comms' port field stay there (Shift, Return,
#    Shift+Home, Backspace) and the label on the device is untouched;
#  - Serial Comms opens wholly on the screen;
#  - a second program on the same image is told and quits on Escape;
#  - a missing image is offered fresh and created on Yes; read-only, a damaged
#    one is neither offered a fresh start nor moved;
#  - when the X server goes away the program closes as on SIGTERM (no abort,
#    the label journalled, read back by the batch runner); with the image
#    deleted under it, it says the label was not saved and ends with status 1.
# With KLX80_MEASURE=1 it also reports key-to-LCD latency over 200 keys and
# keeps a screenshot per device size in $KLX80_SHOTS (figures, no verdict).
# Skips (77) without Xvfb, openbox or xdotool.
set -uo pipefail
klx80=$1 batch=$2 image=$3
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "skip: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/x_session.sh"

fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.log; do echo "== $f" >&2; tail -n 15 "$f" >&2; done
  exit 1
}
start_program() {  # log name, then options
  local log=$1
  shift
  : >"$work/$log.log"
  KLX80_TIMING=1 "$klx80" --flash "$work/fontData.hex" "$@" 2>"$work/$log.log" &
  program_pid=$!
  wait_for 300 grep -q "first LCD frame" "$work/$log.log" || fail "no first frame within 30 s"
  win=$(timeout 10 xdotool search --sync --name '^KLX80 Label Printer Demo' | head -n1)
  [ -n "$win" ] || fail "no device window"
}
stop_program() {
  kill -TERM "$program_pid"
  wait "$program_pid"
  local status=$?
  program_pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status after SIGTERM"
}
label_lines() { "$batch" --flash "$work/fontData.hex" --state | tr -d ' \n' | grep -o '"lines":\[[^]]*\]'; }

cp "$image" "$work/fontData.hex" && chmod u+w "$work/fontData.hex"
cd "$work" || exit 1
start_x 1366x768 wm

# A port that does not exist: the window opens with its port field in focus.
start_program first --serial /nonexistent/port
xdotool windowactivate --sync "$win"
xdotool type --delay 60 "ab"
serial=$(timeout 10 xdotool search --sync --name '^Serial Comms$' | head -n1)
[ -n "$serial" ] || fail "no Serial Comms window"
eval "$(xdotool getwindowgeometry --shell "$serial")"
[ "$((Y + HEIGHT))" -le 768 ] && [ "$((X + WIDTH))" -le 1366 ] || fail "Serial Comms runs off the screen at $X,$Y ${WIDTH}x$HEIGHT"
xdotool windowactivate --sync "$serial"
sleep 0.3
xdotool key --delay 40 ctrl+a BackSpace
xdotool type --delay 40 "hello"
xdotool type --delay 40 "World"
xdotool key --delay 40 Return shift+Home BackSpace
sleep 0.5
active=$(xdotool getactivewindow)
[ "$active" = "$serial" ] || fail "typing in Serial Comms made another window active"

# A second program on the same image is told; Escape chooses Quit (status 3,
# as every tool gives for an image in use).
"$klx80" --flash "$work/fontData.hex" 2>"$work/second.log" &
second=$!
box=$(timeout 20 xdotool search --sync --name '^Flash Image in Use$' | head -n1)
[ -n "$box" ] || fail "the second program did not say the image is in use"
xdotool windowactivate --sync "$box" key Escape
wait "$second"
[ $? -eq 3 ] || fail "the second program did not quit with the status of an image in use"
grep -q "is in use by a running klx80 program" "$work/second.log" || fail "no word on the second start"

if [ "${KLX80_MEASURE:-0}" = 1 ]; then
  xdotool windowactivate --sync "$win"
  sleep 0.3
  before=$(wc -l <"$work/first.log")
  for _ in $(seq 100); do xdotool key --delay 60 c BackSpace; done
  sleep 0.5
  tail -n +"$((before + 1))" "$work/first.log" |
    awk '/^klx80: key /{k[nk++]=$3} /^klx80: frame /{f[nf++]=$3}
         END{j=0; for(i=0;i<nk;++i){while(j<nf&&f[j]<k[i])++j; if(j<nf) print (f[j]-k[i])/1000.0}}' |
    sort -n | awk '{d[NR]=$1} END{printf "key to LCD over %d keys: median %.1f ms, worst %.1f ms\n", NR, d[int((NR+1)/2)], d[NR]}'
fi
stop_program
lines=$(label_lines)
[ "$lines" = '"lines":["AB"]' ] || fail "the label changed while typing in Serial Comms: $lines"
echo "Serial Comms kept its keys; the label is $lines"

if [ "${KLX80_MEASURE:-0}" = 1 ] && [ -n "${KLX80_SHOTS:-}" ]; then
  mkdir -p "$KLX80_SHOTS"
  for size in 1 1.5 2 0; do
    mkdir -p "$XDG_CONFIG_HOME/klx80"
    printf '[General]\ndeviceSize=%s\n' "$size" >"$XDG_CONFIG_HOME/klx80/windows.conf"
    start_program "size-$size"
    sleep 1
    import -window root "$KLX80_SHOTS/device-size-$size.png"
    eval "$(xdotool getwindowgeometry --shell "$win")"
    echo "device size $size: window at $X,$Y ${WIDTH}x$HEIGHT"
    stop_program
  done
fi

# Read-only, a damaged image is neither offered a fresh start nor moved aside.
cp "$image" "$work/damaged.hex" && chmod u+w "$work/damaged.hex"
printf '\0\0\0\0' | dd of="$work/damaged.hex" bs=1 seek=$((0xEFFFC)) conv=notrunc 2>/dev/null
damaged_before=$(sha256sum <"$work/damaged.hex")
start_program read-only --read-only --flash "$work/damaged.hex"
stop_program
[ "$(sha256sum <"$work/damaged.hex")" = "$damaged_before" ] && [ ! -e "$work/damaged.hex.damaged" ] ||
  fail "the read-only start moved or wrote the damaged image"
echo "read-only: the damaged image was left as it was"

# A missing image is offered fresh; Return (Yes) creates it.
"$klx80" --flash "$work/new.hex" 2>"$work/missing.log" &
program_pid=$!
box=$(timeout 20 xdotool search --sync --name '^Flash Image Missing$' | head -n1)
[ -n "$box" ] || fail "no offer to create the missing image"
xdotool windowactivate --sync "$box" key Return
wait_for 100 test -s "$work/new.hex" || fail "no fresh image was created"
timeout 20 xdotool search --sync --name '^KLX80 Label Printer Demo' >/dev/null || fail "no device window on the new image"
sleep 0.5
stop_program
echo "a missing image was created on Yes"

# The X server goes away under a running program with a typed label.
start_program gone
xdotool windowactivate --sync "$win"
xdotool type --delay 60 "cd"
sleep 0.5
kill "$wm_pid" "$xvfb_pid"
wait "$wm_pid" "$xvfb_pid" 2>/dev/null
wm_pid="" xvfb_pid=""
wait "$program_pid"
status=$?
program_pid=""
grep -q "terminate called" "$work/gone.log" && fail "the program aborted when the display went away"
[ "$status" -lt 128 ] || fail "the program died of signal $((status - 128)) when the display went away"
lines=$(label_lines)
[ "$lines" = '"lines":["ABCD"]' ] || fail "the label was not kept when the display went away: $lines"
echo "the display went away: status $status, the label kept ($lines)"

# The X server goes away after the image was deleted under the program: the
# label cannot be kept, and the program says so and ends with status 1.
: >"$work/display"
start_x 1366x768 wm
start_program gone-deleted
xdotool windowactivate --sync "$win"
xdotool type --delay 60 "ef"
sleep 0.5
rm "$work/fontData.hex"
kill "$wm_pid" "$xvfb_pid"
wait "$wm_pid" "$xvfb_pid" 2>/dev/null
wm_pid="" xvfb_pid=""
wait "$program_pid"
status=$?
program_pid=""
grep -q "label kept" "$work/gone-deleted.log" && fail "the program said the label was kept on a deleted image"
grep -q "were not saved" "$work/gone-deleted.log" || fail "the program did not say its changes were not saved"
[ "$status" -eq 1 ] || fail "the program ended with status $status, not 1, when its last save failed"
echo "the display went away from a deleted image: status $status, the failure told"
