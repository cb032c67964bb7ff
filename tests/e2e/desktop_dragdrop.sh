#!/usr/bin/env bash
# Rearranging the tree with the mouse, end to end: sign in through the real Select User
# dialog, drag an item into another folder, Ctrl-drag a copy, Shift-drag a folder into
# another (answering Yes), cancel a drag with Escape, move a folder below another, save, and
# read the saved file back with kivrano-cli. Then a click on the field list puts the item
# into the work history, whose list opens under its toolbar button and runs what it offers.
# The pointer is driven through XTest.
# Runs inside run-under-xvfb.sh. Usage: desktop_dragdrop.sh KIVRANO KIVRANO_CLI
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2

work=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export KIVRANO_HOME="$work/home" KIVRANO_CONFIG_DIR="$work/home/config"
mkdir -p "$KIVRANO_HOME/Profiles"
vault="$KIVRANO_HOME/Profiles/erin.kvr"
on_failure() { echo "--- program said:" >&2; cat "$work/trace" >&2 || true; }

record_browser

cat >"$work/vault.json" <<JSON
{"folders": [
  {"name": "Web sites", "unprotected": 0, "items": [
    {"title": "Bank account", "address": "https://bank.example"},
    {"title": "Mail account", "address": "https://mail.example"}]},
  {"name": "Work things", "unprotected": 2, "items": [
    {"title": "Team wiki", "address": "https://wiki.example"}]},
  {"name": "Old things", "unprotected": 0, "items": [
    {"title": "Forum login", "address": "https://forum.example"},
    {"title": "Shop login", "address": "https://shop.example"}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin "$work/vault.json" "$vault" >/dev/null

# The folders and their items as "Folder[item,item] Folder[...]", from the saved file.
layout() {
  printf 'pw\n' | "$cli" export --password-stdin "$vault" |
    jq -r '[.folders[] | .name + "[" + ([.items[].title] | join(",")) + "]"] | join(" ")'
}
saved_layout_is() { [ "$(layout 2>/dev/null)" = "$1" ]; }

KIVRANO_DEBUG=1 "$kivrano" 2>"$work/trace" & pid=$!
window "Select User" >/dev/null
xdotool type --delay 40 "pw"; xdotool key Return
main=$(window "erin - Kivrano")

# Where the rows are: the window's place on the screen and the tree's rows inside it.
wait_until "the program did not say where its tree rows are" grep -q "^tree rows at" "$work/trace"
read -r tree_x tree_y row_h indent < <(sed -n 's/^tree rows at \([0-9]*\),\([0-9]*\) of the main window, \([0-9]*\) pixels high, indented \([0-9]*\)$/\1 \2 \3 \4/p' "$work/trace" | head -n 1)
[ -n "${indent:-}" ] || fail "could not read the tree's rows from the trace"
# (xwininfo's absolute corner; xdotool's geometry counts the window manager's frame in.)
X=$(xwininfo -id "$main" | sed -n 's/^ *Absolute upper-left X: *//p')
Y=$(xwininfo -id "$main" | sed -n 's/^ *Absolute upper-left Y: *//p')
row_y() { echo $((Y + tree_y + $1 * row_h + row_h / 2)); }
# Each drag presses a little further right, so that two presses never make a double click.
press_x=$((X + tree_x + 2 * indent + 4))

# The window manager holds each button press back for a moment (to focus on click), so keys
# sent after a press may overtake it. Whatever follows a press therefore waits until the tree
# has seen it, as its debug trace says.
seen() { [ "$(grep -c "^tree: $1" "$work/trace")" -ge "$2" ]; }
presses=0
drags=0
press_at() { # X Y: a press on the tree, waited for
  presses=$((presses + 1))
  xdotool mousemove "$1" "$2" mousedown 1
  wait_until "the tree never saw press $presses" seen "left button pressed" "$presses"
}
click_at() { press_at "$@"; xdotool mouseup 1; }
# start_drag ROW: press on a row and move past the drag distance; waits until the drag begun.
start_drag() {
  local y
  y=$(row_y "$1")
  press_at "$press_x" "$y"
  drags=$((drags + 1))
  xdotool mousemove $((press_x + 15)) "$y"
  wait_until "drag $drags never began" seen "drag begun" "$drags"
}
# drag FROM_ROW TO_ROW [KEY]: a drag onto the target row, with KEY held throughout.
drag() {
  local from=$1 to=$2 key=${3:-}
  local y1
  y1=$(row_y "$to")
  [ -n "$key" ] && xdotool keydown "$key"
  start_drag "$from"
  xdotool mousemove $((press_x + 15)) $(((y1 + $(row_y "$from")) / 2)) mousemove "$press_x" "$y1" mouseup 1
  [ -n "$key" ] && xdotool keyup "$key"
  press_x=$((press_x + 12))
  return 0
}
# Open the three folders by their expand buttons, the lowest first so the others stay put.
for row in 2 1 0; do click_at $((X + tree_x + indent / 2)) "$(row_y "$row")"; done

# The folder questions come in a box titled with the product name alone; Yes is the default.
answer_yes() {
  window "^Kivrano$" >/dev/null
  xdotool key Return
  window "erin - Kivrano" >/dev/null
}

# Rows: 0 Web sites, 1 Bank account, 2 Mail account, 3 Work things, 4 Team wiki,
# 5 Old things, 6 Forum login, 7 Shop login.
drag 1 3                # the item moves to the top of the folder it is dropped on
drag 1 4 ctrl           # a copy goes after the item it is dropped on
drag 6 0 shift; answer_yes  # the folder's items move to the top of the other; it is removed
# Rows: 0 Web sites, 1 Forum login, 2 Shop login, 3 Mail account, 4 Work things,
# 5 Bank account, 6 Team wiki, 7 Mail account.
start_drag 1
xdotool mousemove $((press_x + 15)) "$(row_y 5)" key Escape mouseup 1  # cancelled: nothing happens
press_x=$((press_x + 12))
drag 0 4; answer_yes    # the folder moves below the one it is dropped on

xdotool key ctrl+s
wait_until "saving made no backup copy" test -s "$KIVRANO_HOME/Profiles/erin (backup).kvr"
expected="Work things[Bank account,Team wiki,Mail account] Web sites[Forum login,Shop login,Mail account]"
wait_until "the saved tree never became: $expected" saved_layout_is "$expected"
protection=$(printf 'pw\n' | "$cli" export --password-stdin "$vault" | jq -r '[.folders[].unprotected] | join(",")')
[ "$protection" = "2,0" ] || fail "the folders' protection changed: $protection"

window "erin - Kivrano" >/dev/null  # still on screen: Escape in the drag did not hide it

# The work history. Rows now: 0 Work things, 1 Bank account, 2 Team wiki, 3 Mail account, ...
# A click on "Bank account" records it; Down selects "Team wiki" without recording it; a click
# on its field list records it (the action menu that opens copies the address, harmlessly).
windows_shown() { [ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -eq "$1" ]; }
popup() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$main" | head -n 1; }
read -r list_x list_y < <(sed -n 's/^field list rows at \([0-9]*\),\([0-9]*\) of the main window$/\1 \2/p' "$work/trace" | head -n 1)
[ -n "${list_y:-}" ] || fail "could not read the field list's rows from the trace"
click_at "$press_x" "$(row_y 1)"
xdotool key Down
xdotool mousemove $((X + list_x + 30)) $((Y + list_y + 6)) click 1
wait_until "no action menu opened on the field list" windows_shown 2
xdotool key Down Return
wait_until "the action menu did not close" windows_shown 1
xdotool key Down  # "Mail account", again without recording it
# Show History (F2) with the pointer far away: the list opens under its button, at the top of
# the window; its newest entry is the one the field list recorded.
xdotool mousemove 1200 1000 key F2
wait_until "Show History opened no list" windows_shown 2
menu_y=$(xwininfo -id "$(popup)" | sed -n 's/^ *Absolute upper-left Y: *//p')
menu_x=$(xwininfo -id "$(popup)" | sed -n 's/^ *Absolute upper-left X: *//p')
[ "$menu_y" -gt "$Y" ] && [ "$menu_y" -lt $((Y + tree_y)) ] && [ "$menu_x" -lt $((X + 280)) ] ||
  fail "the history list opened at $menu_x,$menu_y, not under its toolbar button"
xdotool key Down Return
wait_until "the history list did not close" windows_shown 1
xdotool key ctrl+Return  # Execute the item the history selected
wait_until "Execute did not open the item the field list recorded" grep -qx "https://wiki.example" "$work/opened"
grep -q "bank.example\|mail.example" "$work/opened" && fail "another item was opened: $(cat "$work/opened")"
xdotool key alt+f x
kill_wait() { ! kill -0 "$pid" 2>/dev/null; }
wait_until "the program did not end on Exit" kill_wait
pid=""
echo "desktop drag and drop: 1 passed, 0 failed"
