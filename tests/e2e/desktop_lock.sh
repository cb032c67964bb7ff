#!/usr/bin/env bash
# The screen lock end to end: sign in through the real Select User dialog, lock with Ctrl+L,
# check that the Password hotkey types nothing while locked, that a wrong password brings the
# message and the lock dialog back and the right one unlocks; lock through the desktop's
# screen saver signal on a private session bus (and not when LockOnDesktopLock is 0) and
# unlock through the Visual Keyboard; change the password through its dialog and check with kivrano-cli that the file then opens with
# the new password only.
# Runs inside run-under-xvfb.sh. Usage: desktop_lock.sh KIVRANO KIVRANO_CLI TARGET
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
target=$3

begin_work
export KIVRANO_DEBUG=1
vault="$KIVRANO_HOME/Profiles/dana.kvr"
on_failure() {
  echo "--- windows shown:" >&2
  xdotool search --onlyvisible --name . getwindowname %@ >&2 2>/dev/null || true
  echo "--- target said:" >&2; cat "$work/target.out" >&2 || true
  echo "--- kivrano said:" >&2; cat "$work/kivrano.err" >&2 || true
}
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

wait_for() { # pattern in the target's output
  wait_until "the target never reported \"$1\"" grep -q -- "$1" "$work/target.out"
}
# Types a password into the lock dialog and presses Enter.
unlock_with() {
  window "^Screen Lock\$" >/dev/null
  xdotool type --delay 40 "$1"
  xdotool key Return
}

# A session bus of the test's own; no system bus at all, which the program must take calmly.
dbus-daemon --session --nofork --print-address=4 4>"$work/bus" 2>/dev/null &
pids+=($!)
wait_until "the session bus did not start" test -s "$work/bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus"
screen_saver_locks() {
  dbus-send --session --type=signal /org/freedesktop/ScreenSaver \
    org.freedesktop.ScreenSaver.ActiveChanged boolean:true
}

cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": 0, "autoTrack": 1},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Bank Login", "address": "https://target.example", "id": "alice",
    "password": "pässwörd", "tabCount": [0,0,0,0,0,0,0,0], "enterCount": [0,0,0,0,0,0,0,0]}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin "$work/vault.json" "$vault" >/dev/null

mkfifo "$work/target.in"
"$target" --title "Bank Login – Zürich" <"$work/target.in" >"$work/target.out" 2>/dev/null &
pids+=($!)
exec 5>"$work/target.in"
wait_for "^ready"

"$kivrano" 2>"$work/kivrano.err" & kpid=$!
pids+=($kpid)
window "Select User" >/dev/null
xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
window "dana - Kivrano" >/dev/null
grep -q "desktop lock: no system bus" "$work/kivrano.err" || fail "no trace line for the missing system bus"

# Ctrl+L locks; the Password hotkey then types nothing into the target.
xdotool key ctrl+l
window "^Screen Lock\$" >/dev/null
echo clear >&5
window "Bank Login" >/dev/null
wait_for "^focus 0"
xdotool key --delay 80 ctrl+2
# Whatever the key did is over once the program says so; only then may the focus move.
wait_until "the locked Password hotkey was not reported" \
  grep -q "hotkey 1: ignored, the screen is locked" "$work/kivrano.err"

# A wrong password: the message, then the lock dialog again; the right one unlocks.
unlock_with "wrong"
answer_box
unlock_with "pw"
wait_until "the right password did not unlock" not_visible "^Screen Lock\$"

# The hotkeys type again. Had the locked Ctrl+2 typed the password, it would stand before the ID.
window "Bank Login" >/dev/null
xdotool key --delay 80 ctrl+1
wait_for "^text 0 $(hex alice)\$"
xdotool key --delay 80 ctrl+2
wait_for "^text 0 $(hex 'alicepässwörd')\$"

# The desktop's screen saver locking: ignored while LockOnDesktopLock is 0, then it locks.
printf '[General]\nLockOnDesktopLock=0\n' >>"$KIVRANO_CONFIG_DIR/Kivrano.ini"
screen_saver_locks
wait_until "the screen saver's signal was not seen" \
  grep -q "desktop lock: screen saver: not locking" "$work/kivrano.err"
not_visible "^Screen Lock\$" || fail "the screen saver locked although LockOnDesktopLock is 0"
sed -i 's/^LockOnDesktopLock=0$/LockOnDesktopLock=1/' "$KIVRANO_CONFIG_DIR/Kivrano.ini"
screen_saver_locks
# This time through the Visual Keyboard: its text goes into the lock dialog, which goes on as OK.
window "^Screen Lock\$" >/dev/null
xdotool key alt+v
window "^Visual Keyboard\$" >/dev/null
xdotool type --delay 40 "pw"
xdotool key Return
wait_until "the visual keyboard's password did not unlock" not_visible "^Screen Lock\$"

# Change Password through its dialog, saved when asked; the lock then takes the new password.
window "dana - Kivrano" >/dev/null
xdotool key alt+f
xdotool key c
window "^Password Change\$" >/dev/null
xdotool type --delay 40 "pw"; xdotool key Tab
xdotool type --delay 40 "n3w"; xdotool key Tab
xdotool type --delay 40 "n3w"; xdotool key Return
answer_box   # save the changes? Yes
answer_box   # the password has been changed
window "dana - Kivrano" >/dev/null
xdotool key ctrl+l
unlock_with "pw"
answer_box
unlock_with "n3w"
wait_until "the new password did not unlock" not_visible "^Screen Lock\$"
kill "$kpid"; wait "$kpid" 2>/dev/null || true

printf 'n3w\n' | "$cli" ls --password-stdin "$vault" >/dev/null || fail "the file does not open with the new password"
if printf 'pw\n' | "$cli" ls --password-stdin "$vault" >/dev/null 2>&1; then
  fail "the file still opens with the old password"
fi
echo quit >&5
echo "desktop lock: 1 passed, 0 failed"
