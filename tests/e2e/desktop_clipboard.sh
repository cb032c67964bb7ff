#!/usr/bin/env bash
# Copy from the field list as a user does it (a click on a row, then "Copy to clipboard"):
# the password reaches another program marked as a secret, stays out of the primary
# selection and is gone after ClipboardClearSeconds; a text the user copies meanwhile
# stays, and so does a copied address.
# Runs inside run-under-xvfb.sh. Usage: desktop_clipboard.sh KIVRANO KIVRANO_CLI TARGET
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
target=$3

begin_work
export KIVRANO_DEBUG=1
on_failure() {
  echo "--- target said:" >&2; cat "$work/target.out" >&2 || true
  echo "--- kivrano traced:" >&2; grep "clipboard" "$work/kivrano.err" >&2 || true
}

# A short clearing delay, and the window where the test can find the field list's rows.
list_height=300
cat >"$KIVRANO_CONFIG_DIR/Kivrano.ini" <<INI
[General]
ClipboardClearSeconds=2
X=100
Y=100
DX=500
DY=500
ListInfoHeight=$list_height
INI
# Every row holds a text of its own, so a copy tells which row was clicked.
rows=("https://bank.example" "alice" "p4ss-w0rd" e1 e2 e3 e4 e5 e6 memo)
cat >"$work/vault.json" <<JSON
{"folders": [{"name": "Web", "unprotected": 0, "items": [
  {"title": "Bank Login", "address": "${rows[0]}", "id": "${rows[1]}", "password": "${rows[2]}",
   "etcText": ["${rows[3]}", "${rows[4]}", "${rows[5]}", "${rows[6]}", "${rows[7]}", "${rows[8]}"],
   "memo": "${rows[9]}", "hidePassword": 1}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

# The program that reads the clipboard as any other program would, commands on descriptor 5.
mkfifo "$work/target.in"
# Its output is appended, so emptying the file between questions leaves no hole in it.
"$target" --title "Clipboard Reader" <"$work/target.in" >>"$work/target.out" 2>/dev/null &
pids+=($!)
exec 5>"$work/target.in"
ask() { # command reply-prefix: prints the target's reply
  : >"$work/target.out"
  echo "$1" >&5
  for _ in $(seq 100); do
    grep -q "^$2" "$work/target.out" && { grep -m 1 "^$2" "$work/target.out"; return 0; }
    sleep 0.05
  done
  fail "the target did not answer \"$1\""
}
clipboard() { ask report-clipboard clipboard | sed 's/^clipboard-none$/none/; s/^clipboard //'; }
wait_until "the target did not start" grep -q "^ready" "$work/target.out"
# Beside the main window, where the pointer can reach it.
xdotool windowmove "$(window "Clipboard Reader")" 700 100
# A user copies in another program by a key or a click there; X11 accepts a new owner of the
# clipboard only with a time later than ours, which the target takes from such an event.
user_copies() {
  xdotool mousemove 800 200 mousemove 810 210
  ask "set-clipboard $(hex "$1")" clipboard-set >/dev/null
}

"$kivrano" 2>"$work/kivrano.err" & pids+=($!)
window "Select User" >/dev/null
xdotool type --delay 40 "pw"; sleep 0.2; xdotool key Return
main=$(window "dana - Kivrano")
xdotool key Right Down  # open the folder and select its item: the field list shows it

# The field list is the lower pane of the window, list_height pixels high.
eval "$(xwininfo -id "$main" | awk '/Absolute upper-left X/ {print "left=" $NF} /Absolute upper-left Y/ {print "top=" $NF} /Height:/ {print "height=" $NF}')"
list_top=$((top + height - list_height))
menus() { xdotool search --onlyvisible --classname "^kivrano$" 2>/dev/null | grep -vx "$main" || true; }
menu_open() { [ -n "$(menus)" ]; }
menu_closed() { [ -z "$(menus)" ]; }
# A click at height y of the screen, then "Copy to clipboard" (its mnemonic C); prints the
# row whose text arrived.
copy_at() {
  ask "set-clipboard $(hex probe)" clipboard-set >/dev/null
  xdotool mousemove $((left + 120)) "$1" click 1
  wait_until "no action menu after a click at y=$1" menu_open
  # "Copy to clipboard" is the menu's first entry, just below its top edge. A click, unlike
  # a key, reaches the menu even before it has taken the keyboard.
  local menu
  menu=$(menus | head -n 1)
  eval "$(xdotool getwindowgeometry --shell "$menu" | sed 's/^/menu_/')"
  xdotool mousemove $((menu_X + 30)) $((menu_Y + 10)) click 1
  wait_until "the action menu did not close" menu_closed
  local got=""
  for _ in $(seq 100); do
    got=$(clipboard)
    [ "$got" != "$(hex probe)" ] && break
    sleep 0.05
  done
  for r in "${!rows[@]}"; do
    [ "$got" = "$(hex "${rows[$r]}")" ] && { echo "$r"; return 0; }
  done
  fail "a copy at y=$1 gave \"$got\", the text of no row"
}
# Where the rows are: from a point past the header, down to the next two row boundaries.
y=$((list_top + 40))
first=$(copy_at "$y")
row=$first
while [ "$row" = "$first" ]; do y=$((y + 2)); row=$(copy_at "$y"); done
start=$y
while [ "$row" = $((first + 1)) ]; do y=$((y + 2)); row=$(copy_at "$y"); done
pitch=$((y - start))
row_y() { echo $((start + ($1 - first - 1) * pitch + pitch / 2)); }

# Nothing pending from the calibration: the last traced clipboard event is an end of a delay.
settled() { ! grep "^clipboard" "$work/kivrano.err" | tail -n 1 | grep -q "was copied"; }
wait_until "the calibration's copies were never cleared" settled
traced() { grep -c "^clipboard: $1" "$work/kivrano.err" || true; }
left_alone() { [ "$(traced "the clipboard changed since")" -gt "$left_before" ]; }

# The password: the text arrives marked as a secret, not in the primary selection, and goes.
[ "$(copy_at "$(row_y 2)")" = 2 ] || fail "the password row was not hit"
[ "$(ask report-hint hint)" = "hint secret" ] || fail "the password was not marked as a secret"
[ "$(ask report-selection selection)" != "selection $(hex "${rows[2]}")" ] ||
  fail "the password went to the primary selection"
cleared_before=$(traced "the copied secret was cleared")
cleared() { [ "$(clipboard)" = none ] || [ -z "$(clipboard)" ]; }
wait_until "the password stayed on the clipboard" cleared
[ "$(traced "the copied secret was cleared")" -gt "$cleared_before" ] || fail "the clearing was not traced"

# The ID copied, then the user copies something else: theirs stays when the delay ends.
left_before=$(traced "the clipboard changed since")
[ "$(copy_at "$(row_y 1)")" = 1 ] || fail "the ID row was not hit"
user_copies mine
wait_until "the end of the delay was not traced" left_alone
[ "$(clipboard)" = "$(hex mine)" ] || fail "the user's own copy was cleared"

# The password, then the address: the address is no secret and stays past the delay.
left_before=$(traced "the clipboard changed since")
[ "$(copy_at "$(row_y 2)")" = 2 ] || fail "the password row was not hit"
[ "$(copy_at "$(row_y 0)")" = 0 ] || fail "the address row was not hit"
[ "$(ask report-hint hint)" = hint-none ] || fail "the address was marked as a secret"
wait_until "the end of the delay was not traced" left_alone
[ "$(clipboard)" = "$(hex "${rows[0]}")" ] || fail "the copied address was cleared"
echo quit >&5
echo "desktop clipboard: 1 passed, 0 failed"
