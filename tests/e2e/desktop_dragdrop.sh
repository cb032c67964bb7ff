#!/usr/bin/env bash
# Rearranging the tree with the mouse, end to end: sign in through the real Select User
# dialog, drag an item into another folder, Ctrl-drag a copy, Shift-drag a folder into
# another (answering Yes), cancel a drag with Escape, move a folder below another, save, and
# read the saved file back with kivrano-cli. The pointer is driven through XTest.
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

# Open the three folders by their expand buttons, the lowest first so the others stay put.
for row in 2 1 0; do
  xdotool mousemove $((X + tree_x + indent / 2)) "$(row_y "$row")" click 1
done

# drag FROM_ROW TO_ROW [KEY]: press on a row, move past the drag distance, move onto the
# target row and release, with KEY held throughout.
drag() {
  local from=$1 to=$2 key=${3:-}
  local x=$press_x y0 y1
  y0=$(row_y "$from"); y1=$(row_y "$to")
  press_x=$((press_x + 12))
  [ -n "$key" ] && xdotool keydown "$key"
  xdotool mousemove "$x" "$y0" mousedown 1 mousemove $((x + 15)) "$y0" \
    mousemove $((x + 15)) $(((y0 + y1) / 2)) mousemove "$x" "$y1" mouseup 1
  [ -n "$key" ] && xdotool keyup "$key"
  return 0
}
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
xdotool mousemove "$press_x" "$(row_y 1)" mousedown 1 mousemove $((press_x + 15)) "$(row_y 1)" \
  mousemove $((press_x + 15)) "$(row_y 5)" key Escape mouseup 1  # cancelled: nothing happens
press_x=$((press_x + 12))
drag 0 4; answer_yes    # the folder moves below the one it is dropped on

xdotool key ctrl+s
wait_until "saving made no backup copy" test -s "$KIVRANO_HOME/Profiles/erin (backup).kvr"
expected="Work things[Bank account,Team wiki,Mail account] Web sites[Forum login,Shop login,Mail account]"
wait_until "the saved tree is $(layout), not $expected" saved_layout_is "$expected"
protection=$(printf 'pw\n' | "$cli" export --password-stdin "$vault" | jq -r '[.folders[].unprotected] | join(",")')
[ "$protection" = "2,0" ] || fail "the folders' protection changed: $protection"

window "erin - Kivrano" >/dev/null  # still on screen: Escape in the drag did not hide it
xdotool key alt+f x
kill_wait() { ! kill -0 "$pid" 2>/dev/null; }
wait_until "the program did not end on Exit" kill_wait
pid=""
echo "desktop drag and drop: 1 passed, 0 failed"
