#!/usr/bin/env bash
# The field list's Call and Hangup end to end: sign in through the real Select User dialog,
# select an item whose fields hold a phone number, choose Call from the field list's action
# menu and then Hangup, and check what the simulated telephony provider (named in the
# settings file, as a user would configure a provider) was asked. Then once more with the
# provider installed with the program (ModemManager) and no bus to find a modem on: Call
# tells the user there are no telephony devices.
# Runs inside run-under-xvfb.sh. Usage: desktop_phone.sh KIVRANO KIVRANO_CLI SIMULATED_PROVIDER
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
provider=$3
command -v xdotool >/dev/null || { echo "xdotool is not installed: run scripts/deps.sh test" >&2; exit 1; }

work=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export KIVRANO_HOME="$work/home" KIVRANO_CONFIG_DIR="$work/config" KIVRANO_DEBUG=1
# The single-instance socket lives in the temporary folder: a folder of our own keeps a
# copy of the program started by anything else on this machine from taking our start over.
export TMPDIR="$work/tmp"
mkdir -p "$KIVRANO_HOME/Profiles" "$KIVRANO_CONFIG_DIR" "$TMPDIR"
on_failure() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then echo "--- the program is still running" >&2
  elif [ -n "$pid" ]; then echo "--- the program has ended" >&2; fi
  echo "--- provider log:" >&2; cat "$work/calls" >&2 || true
  echo "--- program trace:" >&2; cat "$work/trace" >&2 || true
}

# Every field holds the number, so whichever row the click lands on is the one to dial.
number=5550123
cat >"$work/vault.json" <<JSON
{"settings": {"autoTrack": 0},
 "folders": [{"name": "Contacts", "unprotected": 0, "items": [
   {"title": "Dentist", "address": "$number", "id": "$number", "password": "$number",
    "etcName": ["Phone", "Mobile", "Fax", "Office", "Home", "Pager"],
    "etcText": ["$number", "$number", "$number", "$number", "$number", "$number"],
    "memo": "$number"}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/erin.kvr" >/dev/null

# The simulated line answers, rings and connects; hanging up is acknowledged.
export KIVRANO_SIMLINE_SCRIPT="$work/line-script" KIVRANO_SIMLINE_LOG="$work/calls"
printf 'makecall reply=0 state=DIALING state=CONNECTED\ndrop reply=0 state=IDLE\n' >"$KIVRANO_SIMLINE_SCRIPT"

wait_for() { # file pattern what
  for _ in $(seq 300); do
    grep -q -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "$3"
}

# Starts the program with a provider setting (none: the provider installed with the
# program), signs in and selects the item; `main` is the main window's id.
main=""
start_signed_in() {
  printf '[General]\nX=0\nY=0\nDX=800\nDY=600\nListInfoHeight=160\n' >"$KIVRANO_CONFIG_DIR/Kivrano.ini"
  [ -z "$1" ] || printf 'TelephonyProvider=%s\n' "$1" >>"$KIVRANO_CONFIG_DIR/Kivrano.ini"
  "$kivrano" >/dev/null 2>"$work/trace" & pid=$!
  window "Select User" >/dev/null
  xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
  main=$(window "erin - Kivrano")
  # The folder, opened, then its item: the field list shows the item's ten rows.
  xdotool key --delay 150 Home Right Down
}

shown_windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort; }

# Opens the field list's action menu on a row and picks an entry by its mnemonic. Each use
# clicks another row, so that two uses in quick succession are not taken for a double click.
clicks=0
field_menu() { # window key
  local geometry height before menu=""
  geometry=$(xdotool getwindowgeometry --shell "$1")
  height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
  before=$(shown_windows)
  # The list fills the lowest 160 pixels; points a few rows below its header are on rows.
  xdotool mousemove --window "$1" 200 $((height - 160 + 30 + 30 * (clicks % 3))) click 1
  clicks=$((clicks + 1))
  # The menu is the program's one new window.
  for _ in $(seq 300); do
    menu=$(comm -13 <(echo "$before") <(shown_windows) | head -n 1)
    [ -n "$menu" ] && break
    sleep 0.1
  done
  [ -n "$menu" ] || fail "the field list's action menu did not open"
  xdotool key "$2"
  # The menu has let the pointer go only once it is gone.
  for _ in $(seq 300); do
    shown_windows | grep -qx "$menu" || return 0
    sleep 0.1
  done
  fail "the field list's action menu did not close after \"$2\""
}

stop_program() {
  kill "$pid"; wait "$pid" 2>/dev/null || true
  pid=""
}

start_signed_in "$provider"
field_menu "$main" a
wait_for "$work/calls" "^lineMakeCall " "Call did not reach the telephony provider"
grep -q "^lineMakeCall $number line=" "$work/calls" || fail "Call dialled something else than the field's number"
wait_for "$work/trace" "^Connected!" "the call's states did not reach the program"
field_menu "$main" h
wait_for "$work/calls" "^lineClose" "Hangup did not close the line"
calls=$(cut -d' ' -f1 "$work/calls" | tr '\n' ' ')
expected="lineInitialize lineNegotiateAPIVersion lineGetDevCaps lineOpen lineGetAddressCaps lineMakeCall lineGetCallStatus lineDrop lineDeallocateCall lineClose "
[ "$calls" = "$expected" ] || fail "the provider was asked: $calls"
grep -q "^Call stopped" "$work/trace" || fail "the call was not stopped"
stop_program

# Without a modem the program still runs, and Call says why nothing happens.
: >"$work/calls"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"
start_signed_in ""
field_menu "$main" a
window "^Kivrano$" >/dev/null
grep -q "ModemManager: no system bus" "$work/trace" || fail "the installed provider did not look for the bus"
xdotool key Return
sleep 0.3
window "erin - Kivrano" >/dev/null
[ ! -s "$work/calls" ] || fail "the simulated provider was used although not configured"
stop_program
echo "desktop phone: 1 passed, 0 failed"
