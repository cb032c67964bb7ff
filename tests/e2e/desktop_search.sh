#!/usr/bin/env bash
# Quick Find and Find in the running program: sign in through the real Select User dialog;
# Ctrl+Q, type a prefix of one item's title, Enter; Ctrl+F, a text only another item's
# password holds, tick "Password(&4)", Start. After each, Item - Execute (Ctrl+Enter) opens
# the selected item's address, which shows the search went to the right item.
# Runs inside run-under-xvfb.sh. Usage: desktop_search.sh KIVRANO KIVRANO_CLI
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
command -v xdotool >/dev/null || { echo "xdotool is not installed: run scripts/deps.sh test" >&2; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export KIVRANO_HOME="$work/home" KIVRANO_CONFIG_DIR="$work/home/config"
mkdir -p "$KIVRANO_HOME/Profiles"

record_browser

gone() { # waits until no visible window's title matches
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "the window \"$1\" did not close"
}
focused() { # waits until the window with the keyboard has a title that matches
  for _ in $(seq 100); do
    xdotool getwindowfocus getwindowname 2>/dev/null | grep -q -- "$1" && return 0
    sleep 0.1
  done
  fail "no window \"$1\" took the keyboard"
}
opened() { # waits until the browser was asked to open exactly this address last
  for _ in $(seq 100); do
    [ "$(tail -n 1 "$work/opened" 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "expected $1 to be opened; opened: $(cat "$work/opened" 2>/dev/null)"
}

cat >"$work/vault.json" <<'JSON'
{"settings": {"autoTrack": 0},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Beta Bank", "address": "https://beta.example", "id": "bob",
    "password": "zq-secret-77"},
   {"title": "Alpha Mail", "address": "https://alpha.example", "id": "ann",
    "password": "plain"}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

"$kivrano" & pid=$!
window "Select User" >/dev/null
xdotool type --delay 40 "pw"
xdotool key Return
window "dana - Kivrano" >/dev/null

# Quick Find: the bar lists "Alpha Mail" for "alp"; Enter goes there. The bar takes the
# keyboard by itself, as it does for the user.
xdotool key --delay 60 ctrl+q
focused "Quick Find"
xdotool type --delay 60 "alp"
xdotool key Return
gone "Quick Find"
window "dana - Kivrano" >/dev/null
xdotool key --delay 60 ctrl+Return
opened "https://alpha.example"

# Find: only Beta Bank's password holds "secret-77"; with Password ticked it is the single
# hit, and the dialog goes straight to it.
xdotool key --delay 60 ctrl+f
focused "^Find$"
xdotool type --delay 60 "SECRET-77"
xdotool key --delay 60 alt+4 Return
gone "^Find$"
window "dana - Kivrano" >/dev/null
xdotool key --delay 60 ctrl+Return
opened "https://beta.example"

kill "$pid"; wait "$pid" 2>/dev/null || true
pid=""
echo "desktop search: 1 passed, 0 failed"
