#!/usr/bin/env bash
# Runs a command inside a fresh X server (Xvfb) with a window manager (openbox), and takes
# both down again however the command ends. Usage: run-under-xvfb.sh COMMAND [ARGS...]
set -uo pipefail

for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed: run scripts/deps.sh test" >&2
    exit 1
  fi
done

work=$(mktemp -d)
xvfb_pid=""
wm_pid=""
test_pid=""
cleanup() {
  [ -n "$test_pid" ] && kill "$test_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd picks a free display and reports it once the server accepts clients;
# -noreset keeps the keyboard state when the last client leaves. Two servers starting at the
# same moment (tests run in parallel) can both pick one display; the one that loses exits at
# once, and starts again on the next free display.
start_xvfb() {
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ -s "$work/display" ] && return 0
    kill -0 "$xvfb_pid" 2>/dev/null || { xvfb_pid=""; return 1; }
    sleep 0.05
  done
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
  return 1
}
for attempt in 1 2 3 4 5; do
  start_xvfb && break
  [ "$attempt" = 5 ] && { echo "Xvfb failed to start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
done
export DISPLAY=":$(head -n 1 "$work/display")"
# A temporary folder of its own: the program's single-instance socket lives there, so a copy
# started by a test running beside this one is never taken for the running copy.
mkdir -p "$work/tmp"
export TMPDIR="$work/tmp"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# No desktop bus unless a test starts its own: nothing is started behind the test's back.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus"

# The tests start once the window manager has announced itself on the root window, so no
# window of theirs appears before it is managed.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 200); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  echo "openbox did not start:" >&2
  cat "$work/openbox.log" >&2
  exit 1
fi

"$@" &
test_pid=$!
wait "$test_pid"
status=$?
test_pid=""
if [ "$status" -ne 0 ]; then
  echo "--- Xvfb log" >&2; cat "$work/xvfb.log" >&2
  echo "--- openbox log" >&2; cat "$work/openbox.log" >&2
fi
exit "$status"
