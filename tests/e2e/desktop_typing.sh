#!/usr/bin/env bash
# The main job end to end (and an item's launching key): sign in through the real Select User dialog, bring a target
# program to the front (AutoTrack picks the item by the window's title; nothing is
# selected by hand), press the ID and Password hotkeys (real key presses through XTest)
# and check that the target received the ID, a Tab, the password and an Enter — in key mode
# and in paste mode, and that paste mode leaves the clipboard empty.
# Runs inside run-under-xvfb.sh. Usage: desktop_typing.sh KIVRANO KIVRANO_CLI TARGET
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
target=$3

begin_work
on_failure() { echo "--- target said:" >&2; cat "$work/target.out" >&2 || true; }

record_browser

# The target program, with its commands on descriptor 5.
start_target "$target" "Bank Login – Zürich"

for mode in 0 1; do
  cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": $mode, "autoTrack": 1},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Bank Login", "address": "https://target.example", "id": "alice",
    "password": "pässwörd", "tabCount": [1,0,0,0,0,0,0,0], "enterCount": [0,1,0,0,0,0,0,0],
    "launchKey": [76, 3]}]}]}
JSON
  printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

  "$kivrano" & kpid=$!
  pids+=($kpid)
  window "Select User" >/dev/null
  xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
  window "dana - Kivrano" >/dev/null

  echo clear >&5
  : >"$work/target.out"
  window "Bank Login" >/dev/null
  wait_for "^focus 0"
  xdotool key --delay 80 ctrl+1
  wait_for "^focus 1"
  xdotool key --delay 80 ctrl+2
  wait_for "^enter 1"
  grep -q "^text 0 $(hex alice)\$" "$work/target.out" || fail "mode $mode: the ID did not arrive exactly"
  grep -q "^text 1 $(hex 'pässwörd')\$" "$work/target.out" || fail "mode $mode: the password did not arrive exactly"
  if [ "$mode" = 1 ]; then
    # The clipboard is emptied half a second after the last key.
    clipboard_empty() {
      : >"$work/target.out"
      echo report-clipboard >&5
      for _ in $(seq 20); do grep -q "^clipboard" "$work/target.out" && break; sleep 0.1; done
      grep -q "^clipboard-none\|^clipboard \$" "$work/target.out"
    }
    wait_until "paste mode left text on the clipboard" clipboard_empty
  fi
  if [ "$mode" = 0 ]; then
    # The item's launching key, Ctrl+Shift+L, opens its address in the browser.
    xdotool key --delay 80 ctrl+shift+l
    wait_until "the launching key did not open the address" grep -qx "https://target.example" "$work/opened"
  fi
  kill "$kpid"; wait "$kpid" 2>/dev/null || true
done
echo quit >&5
echo "desktop typing: 1 passed, 0 failed"
