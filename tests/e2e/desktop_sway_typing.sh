#!/usr/bin/env bash
# The program on sway: a native Wayland client signed in through the real Select User dialog,
# typing through the compositor's virtual keyboard and following the window in front through
# the foreign-toplevel list. AutoTrack picks the item by the target window's title; the
# hotkeys, bound as sway key bindings that run `kivrano --hotkey N`, type the ID (with
# characters outside any layout's plain keys), a Tab, a non-ASCII password and an Enter
# exactly; the command run directly types into the window in front, and with Kivrano's own
# window in front into the window behind it; a window that takes the focus stops the typing.
# Runs inside run-under-sway.sh.
# Usage: desktop_sway_typing.sh KIVRANO KIVRANO_CLI TARGET KIVRANO_E2E_KEYS
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
source "$(dirname "$0")/sway_lib.sh"
kivrano=$1
cli=$2
target=$3
keyboard=$4

begin_work
on_failure() {
  echo "--- windows:" >&2; sway_views >&2 || true
  echo "--- target said:" >&2; tr -d '\0' <"$work/target.out" >&2 || true
  echo "--- keyboard said:" >&2; cat "$work/keys.out" >&2 || true
  echo "--- kivrano traced:" >&2; cat "$work/trace" >&2 || true
}

start_keys "$keyboard"
QT_QPA_PLATFORM=wayland start_target "$target" "Bank Login – Zürich"
cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": 0, "autoTrack": 1},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Mail", "address": "https://mail.example", "id": "bob", "password": "other"},
   {"title": "Bank Login", "address": "https://target.example", "id": "Alice_01!",
    "password": "pä§w€rd✓", "tabCount": [1,0,0,0,0,0,0,0], "enterCount": [0,1,0,0,0,0,0,0]}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

# No platform chosen for it: in a Wayland session the program takes Wayland by itself.
KIVRANO_DEBUG=1 "$kivrano" 2>"$work/trace" & kpid=$!
pids+=("$kpid")
window "^Select User\$" >/dev/null
type_text "pw"
press_keys return
window "^dana - Kivrano\$" >/dev/null
wait_for "^desktop: Wayland backend: keyboard: the compositor's virtual keyboard with our own keymap; hotkeys: none of our own" "$work/trace"
wait_for "windows: the compositor's foreign-toplevel list" "$work/trace"

# sway puts its own keymap on every keyboard when its configuration is reloaded (as after
# adding the bindings to it): the typing below must still be exact.
swaymsg reload >/dev/null
# The hotkeys as the user binds them in sway's configuration.
for n in 0 1; do
  swaymsg -- bindsym "Mod4+F$((n + 1))" exec "$kivrano" --hotkey "$n" >/dev/null
done

binding() { press_keys super "f$(($1 + 1))"; }
command_line() { "$kivrano" --hotkey "$1"; }

fresh_target
target_window=$(window "^Bank Login")
typed_by 0 binding 0
wait_for "^focus 1"
typed_by 1 binding 1
wait_for "^enter 1"
grep -aq "^text 0 $(hex 'Alice_01!')\$" "$work/target.out" || fail "the ID did not arrive exactly"
grep -aq "^text 1 $(hex 'pä§w€rd✓')\$" "$work/target.out" || fail "the password did not arrive exactly"
# AutoTrack chose the item from the window's title: the other item's texts never came.
grep -aq "$(hex bob)" "$work/target.out" && fail "the other item was typed"
[ "$(focused_id)" = "$target_window" ] || fail "a window of Kivrano came forward"

# The command run directly types into the window in front.
fresh_target
typed_by 1 command_line 1
wait_for "^enter 0"
grep -aq "^text 0 $(hex 'pä§w€rd✓')\$" "$work/target.out" || fail "the command did not type the password"

# Ctrl held on another keyboard (the script's) while the command types, as when the desktop runs it for its
# own shortcut and the user lets go a moment later: on sway each keyboard has modifiers of its
# own, so the typed letters stay letters.
fresh_target
keys down ctrl
wait_for "^ctrl-down"
typed_by 0 command_line 0
wait_for "^focus 1"
grep -aq "^text 0 $(hex 'Alice_01!')\$" "$work/target.out" || fail "held Ctrl changed the typed ID"
keys up ctrl

# With Kivrano's window in front, the keys go to the window that was in front before it.
fresh_target
window "^dana - Kivrano\$" >/dev/null
typed_by 0 command_line 0
wait_for "^focus 1"
grep -aq "^text 0 $(hex 'Alice_01!')\$" "$work/target.out" ||
  fail "the ID did not reach the window behind Kivrano's"
[ "$(focused_id)" = "$target_window" ] || fail "the window behind Kivrano's did not come forward"

# A window that takes the focus while the password waits on the clipboard (as a notification
# would) stops the typing: the password reaches neither window.
fresh_target
window "^Bank Login" >/dev/null
echo "steal-focus-on-clipboard $(hex 'pä§w€rd✓')" >&5
wait_for "^steal-armed"
binding 1
wait_for "^stolen"
wait_for "^popup-active"
wait_for "typing stopped: the window in front changed" "$work/trace"
# (Emptying the fields reports them empty: only text counts.)
if grep -aq "^text 0 [0-9a-f]\|^enter 0\|^popup-text [0-9a-f]" "$work/target.out"; then
  fail "the password was typed although another window had come to the front"
fi

kill "$kpid"; wait "$kpid" 2>/dev/null || true
echo quit >&5
echo "desktop sway typing: 1 passed, 0 failed"
