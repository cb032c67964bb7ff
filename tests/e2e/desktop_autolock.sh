#!/usr/bin/env bash
# The automatic lock end to end: sign in through the real Select User dialog, set one minute
# in the Automatic Lock Time Setting dialog (a value that is not a number refused first), leave
# the program alone, and check that the main window goes away (minimised: Xvfb has no
# notification area) and the lock dialog comes up in front with the keyboard; unlock, save, and
# check with kivrano-cli that the minute went into the file.
# Runs inside run-under-xvfb.sh. Usage: desktop_autolock.sh KIVRANO KIVRANO_CLI
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2

begin_work
export KIVRANO_DEBUG=1
vault="$KIVRANO_HOME/Profiles/erin.kvr"
on_failure() {
  echo "--- windows shown:" >&2
  xdotool search --onlyvisible --name . getwindowname %@ >&2 2>/dev/null || true
  kill -0 "$kpid" 2>/dev/null || echo "--- kivrano has ended" >&2
  echo "--- kivrano said:" >&2; cat "$work/kivrano.err" >&2 || true
}
active_is() { [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$1" ]; }

printf '%s\n' '{"folders": [{"name": "Mail", "unprotected": 0, "items": [{"title": "Box"}]}]}' >"$work/vault.json"
printf 'pw\n' | "$cli" import --password-stdin "$work/vault.json" "$vault" >/dev/null

kpid=""
"$kivrano" 2>"$work/kivrano.err" & kpid=$!
pids+=($kpid)
window "Select User" >/dev/null
xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
window "erin - Kivrano" >/dev/null

# Tools > Automatic Lock Time Setting: "x" is refused with a message, then 1 is taken.
xdotool key alt+t
xdotool key a
window "^Automatic Lock Time Setting\$" >/dev/null
xdotool key ctrl+a; xdotool type "x"; xdotool key Return
answer_box
window "^Automatic Lock Time Setting\$" >/dev/null
xdotool key ctrl+a; xdotool type "1"; xdotool key Return
wait_until "the setting dialog did not close" not_visible "^Automatic Lock Time Setting\$"

# A minute without use: the main window goes, the lock dialog comes with the keyboard.
for _ in $(seq 900); do visible "^Screen Lock\$" && break; sleep 0.1; done
lock=$(xdotool search --onlyvisible --name "^Screen Lock\$" | head -n 1 || true)
[ -n "$lock" ] || fail "no lock after a minute and a half"
not_visible "erin - Kivrano" || fail "the main window is still shown while locked"
wait_until "the lock dialog did not get the keyboard" active_is "$lock"
xdotool type --delay 40 "pw"; xdotool key Return
wait_until "the right password did not unlock" not_visible "^Screen Lock\$"

# The window stays minimised after the unlock; the show/hide hotkey brings it back. Saved, the
# minute is in the file.
xdotool key ctrl+F12
window "erin - Kivrano" >/dev/null
xdotool key ctrl+s
wait_until "the file was not saved" test -e "$KIVRANO_HOME/Profiles/erin (backup).kvr"
kill "$kpid"; wait "$kpid" 2>/dev/null || true
printf 'pw\n' | "$cli" info --password-stdin "$vault" | grep -q "^Automatic lock: *1 minutes$" ||
  fail "the lock time did not reach the file: $(printf 'pw\n' | "$cli" info --password-stdin "$vault")"
echo "desktop automatic lock: 1 passed, 0 failed"
