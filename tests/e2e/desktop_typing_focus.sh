#!/usr/bin/env bash
# Typing stops when another window takes the focus: sign in through the real Select User
# dialog, type the ID into a target program with its hotkey, then press the Password hotkey
# while the target is set to open a window of its own and take the focus the moment the
# password reaches the clipboard (as a notification would). The password must reach neither
# window, the clipboard must be emptied all the same, and the debug trace says why.
# Runs inside run-under-xvfb.sh. Usage: desktop_typing_focus.sh KIVRANO KIVRANO_CLI TARGET
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
target=$3

begin_work
on_failure() {
  echo "--- target said:" >&2; cat "$work/target.out" >&2 || true
  echo "--- kivrano said:" >&2; cat "$work/kivrano.err" >&2 || true
}

start_target "$target" "Bank Login"

# Paste mode: the password waits half a second on the clipboard before Ctrl+V, and that is
# when the other window comes to the front.
cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": 1, "autoTrack": 1},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Bank Login", "id": "alice", "password": "pässwörd",
    "tabCount": [1,0,0,0,0,0,0,0], "enterCount": [0,1,0,0,0,0,0,0]}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

# The debug trace is what tells why the typing stopped.
KIVRANO_DEBUG=1 "$kivrano" 2>"$work/kivrano.err" & kpid=$!
pids+=($kpid)
window "Select User" >/dev/null
xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
window "dana - Kivrano" >/dev/null

echo clear >&5
wait_for "^cleared"
window "Bank Login" >/dev/null
wait_for "^focus 0"
xdotool key --delay 80 ctrl+1
wait_for "^focus 1"
grep -q "^text 0 $(hex alice)\$" "$work/target.out" || fail "the ID did not arrive"

echo "steal-focus-on-clipboard $(hex 'pässwörd')" >&5
wait_for "^steal-armed"
xdotool key --delay 80 ctrl+2
wait_for "^stolen"
wait_for "^popup-active"
wait_for "typing stopped: the window in front changed" "$work/kivrano.err"

# The clipboard is emptied half a second after the stop; ask until it is (bounded).
emptied=""
for _ in $(seq 50); do
  echo report-clipboard >&5
  sleep 0.1
  if tail -n 1 "$work/target.out" | grep -q "^clipboard-none\|^clipboard \$"; then emptied=1; break; fi
done
[ -n "$emptied" ] || fail "the clipboard still holds the password after the stop"
if grep -q "^text 1 \|^enter 1\|^popup-text " "$work/target.out"; then
  fail "the password was typed although another window had come to the front"
fi

kill "$kpid"; wait "$kpid" 2>/dev/null || true
echo quit >&5
echo "desktop typing stops on a focus change: 1 passed, 0 failed"
