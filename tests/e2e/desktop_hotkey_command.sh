#!/usr/bin/env bash
# The hotkeys as a command for the desktop's own shortcut settings: `kivrano --hotkey N` and
# `kivrano --launch-key COMBINATION` make the running program act as if the key had been
# pressed. Signed in through the real Select User dialog, with the target program in front
# (AutoTrack picks the item by the window's title), the command types the ID, a Tab, the
# password and an Enter; without a running copy it says so and fails; Kivrano's own windows
# stay behind.
# Runs inside run-under-xvfb.sh. Usage: desktop_hotkey_command.sh KIVRANO KIVRANO_CLI TARGET
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
target=$3

begin_work
on_failure() {
  echo "--- target said:" >&2; cat "$work/target.out" >&2 || true
  echo "--- kivrano traced:" >&2; cat "$work/trace" >&2 || true
}

record_browser

# Runs the command; fails unless it exits with the status given and says what is expected.
expect_command() { # status pattern args...
  local want=$1 says=$2 status=0
  shift 2
  "$kivrano" "$@" >"$work/command.out" 2>"$work/command.err" || status=$?
  [ "$status" = "$want" ] || fail "kivrano $*: exit status $status, not $want ($(cat "$work/command.err"))"
  [ -z "$says" ] || grep -q -- "$says" "$work/command.err" ||
    fail "kivrano $*: said \"$(cat "$work/command.err")\", not \"$says\""
}

# No copy runs: nothing is started, the command says why.
expect_command 1 "Kivrano is not running for this user on this display" --hotkey 1
visible "Select User" && fail "the hotkey command started the program"
expect_command 2 "0 to 10" --hotkey 11
expect_command 2 "not a key combination" --launch-key Ctrl+

start_target "$target" "Bank Login – Zürich"
cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": 0, "autoTrack": 1},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Bank Login", "address": "https://target.example", "id": "alice",
    "password": "pässwörd", "tabCount": [1,0,0,0,0,0,0,0], "enterCount": [0,1,0,0,0,0,0,0],
    "launchKey": [76, 3]}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

KIVRANO_DEBUG=1 "$kivrano" 2>"$work/trace" & kpid=$!
pids+=("$kpid")
window "Select User" >/dev/null
# Until the sign-in is done there is nothing to type.
expect_command 1 "sign in first" --hotkey 1
xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
window "dana - Kivrano" >/dev/null
wait_for "^desktop: X11 backend: keyboard, hotkeys and windows" "$work/trace"

# Once as from a script, once with Ctrl still held when the command runs, as when the desktop
# runs it for its own shortcut and the user lets go a moment later: the typing waits for the
# key, and the held key must not turn the typed letters into Ctrl presses.
# A field key that comes while the last one is still being typed (pasting waits half a second
# before it empties the clipboard) is dropped: each press waits until the program is done.
press() { # hotkey [held key]
  local before
  before=$(done_count "$1")
  [ -z "${2:-}" ] || xdotool keydown "$2"
  expect_command 0 "" --hotkey "$1"
  [ -z "${2:-}" ] || xdotool keyup "$2"
  wait_until "hotkey $1 was not done" more_done "$1" "$before"
}
for held in "" ctrl; do
  # Emptied before the clear, so that the clear's own report is never lost.
  : >"$work/target.out"
  echo clear >&5
  wait_for "^cleared"
  target_window=$(window "Bank Login")
  press 0 "$held"
  wait_for "^focus 1"
  press 1 "$held"
  wait_for "^enter 1"
  grep -q "^text 0 $(hex alice)\$" "$work/target.out" || fail "${held:-plain}: the ID did not arrive exactly"
  grep -q "^text 1 $(hex 'pässwörd')\$" "$work/target.out" ||
    fail "${held:-plain}: the password did not arrive exactly"
  [ "$(xdotool getactivewindow)" = "$target_window" ] || fail "a window of Kivrano came forward"
done

# An item's launching key by its name, as the program writes it.
expect_command 0 "" --launch-key Ctrl+Shift+L
wait_until "the launching key did not open the address" grep -qx "https://target.example" "$work/opened"
expect_command 1 "no item has the launching key Ctrl+Shift+Q" --launch-key ctrl+shift+q
[ "$(xdotool getactivewindow)" = "$target_window" ] || fail "a window of Kivrano came forward"

kill "$kpid"; wait "$kpid" 2>/dev/null || true
echo quit >&5
echo "desktop hotkey command: 1 passed, 0 failed"
