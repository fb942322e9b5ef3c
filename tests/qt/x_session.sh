# Sourced by the tests that drive the desktop program in a real X server: a
# work folder, an X server on a free display (and, when asked, a window
# manager), and everything stopped and removed at exit. The sourcing script
# defines fail (it decides what to show), then calls start_x SIZE [wm].
work=$(mktemp -d)
xvfb_pid="" wm_pid="" program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# The server picks a free display and writes its number when it is ready. The
# program's window places are kept in the work folder, not the user's home.
start_x() {
  local size=$1 wm=${2:-}
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  export XDG_CONFIG_HOME="$work/config"
  if [ "$wm" = wm ]; then
    openbox >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    sleep 0.5
  fi
}
