#!/usr/bin/env bash
# The program on KDE Plasma Wayland: a native Wayland client signed in through the real Select
# User dialog, typing through a RemoteDesktop portal session of its own, its hotkeys bound
# through the GlobalShortcuts portal and the window in front known from a KWin script.
# AutoTrack picks the item by the target window's title; the ID and Password hotkeys, pressed
# on the test's own RemoteDesktop keyboard with Ctrl still held (KWin keeps one modifier state
# for all keyboards), type the ID, a Tab, the password and an Enter exactly; `kivrano --hotkey
# 1` types into the window in front; a password outside the keyboard layout arrives through
# the clipboard. Runs inside run-under-kwin.sh.
# Usage: desktop_kde_typing.sh KIVRANO KIVRANO_CLI TARGET PYTHON3
set -euo pipefail
here=$(dirname "$0")
source "$here/desktop_lib.sh"
source "$here/kwin_lib.sh"
kivrano=$1
cli=$2
target=$3
python=$4

begin_work
on_failure() {
  echo "--- windows:" >&2; cat "$work/desktop.out" >&2 || true
  echo "--- target said:" >&2; tr -d '\0' <"$work/target.out" >&2 || true
  echo "--- kivrano traced:" >&2; cat "$work/trace" >&2 || true
}

start_desktop "$python" "$here/kwin_e2e_desktop.py"
QT_QPA_PLATFORM=wayland start_target "$target" "Bank Login – Zürich"
cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": 0, "autoTrack": 1},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Mail", "address": "https://mail.example", "id": "bob", "password": "other"},
   {"title": "Shop", "address": "https://shop.example", "id": "carol", "password": "pä§w€rd✓"},
   {"title": "Bank Login", "address": "https://target.example", "id": "Alice_01!",
    "password": "Kivrano-Pass 123!", "tabCount": [1,0,0,0,0,0,0,0], "enterCount": [0,1,0,0,0,0,0,0]}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

# No platform chosen for it: in a Wayland session the program takes Wayland by itself.
KIVRANO_DEBUG=1 "$kivrano" 2>"$work/trace" & kpid=$!
pids+=("$kpid")
window "^Select User\$" >/dev/null
type_text "pw"
press_keys return
window "^dana - Kivrano\$" >/dev/null
wait_for "^desktop: Wayland backend: keyboard: the RemoteDesktop portal; hotkeys: the GlobalShortcuts portal; windows: a KWin script" "$work/trace"
wait_for "^kwin windows: following the windows through a KWin script" "$work/trace"
# The clipboard a program behind the one in front may set: KWin ignores Qt's own from it.
wait_for "^desktop: clipboard: the compositor's data-control protocol" "$work/trace"
# The vault's default hotkeys, bound through the portal: Ctrl+1 the ID, Ctrl+2 the password.
wait_for "^GlobalShortcuts portal: bound with the session: .*hotkey-0 Ctrl+1" "$work/trace"
grep -q "^GlobalShortcuts portal: bound with the session: .*hotkey-1 Ctrl+2" "$work/trace" ||
  fail "the Password hotkey was not bound as Ctrl+2"

# The hotkey Ctrl+DIGIT pressed with the Ctrl key given, which stays held until the typing is
# done: the program must let go of it for the user.
hotkey_held() { # ctrl|right-ctrl digit
  keys down "$1"
  keys down "$2"
  keys up "$2"
}
command_line() { "$kivrano" --hotkey "$1"; }
# The last text the target's field N reported, in hexadecimal.
field_text() { sed -n "s/^text $1 //p" "$work/target.out" | tail -n 1; }

fresh_target
target_window=$(window "^Bank Login")
typed_by 0 hotkey_held right-ctrl 1
keys up right-ctrl
wait_for "^focus 1"
typed_by 1 hotkey_held ctrl 2
keys up ctrl
wait_for "^enter 1"
[ "$(field_text 0)" = "$(hex 'Alice_01!')" ] || fail "the ID did not arrive exactly"
[ "$(field_text 1)" = "$(hex 'Kivrano-Pass 123!')" ] || fail "the password did not arrive exactly"
# AutoTrack chose the item from the window's title: the other items' texts never came.
grep -aq "$(hex bob)\|$(hex other)\|$(hex carol)" "$work/target.out" && fail "another item was typed"
[ "$(focused_id)" = "$target_window" ] || fail "a window of Kivrano came forward"

# The command run directly types into the window in front.
fresh_target
typed_by 1 command_line 1
wait_for "^enter 0"
[ "$(field_text 0)" = "$(hex 'Kivrano-Pass 123!')" ] || fail "the command did not type the password"

# A password outside the keyboard's layout goes through the clipboard, with the target in
# front (not Kivrano): AutoTrack follows the title to the other item.
fresh_target
echo "title $(hex 'Shop – Checkout')" >&5
wait_for "^titled"
typed_by 1 hotkey_held ctrl 2
keys up ctrl
wait_until "the pasted password did not arrive" grep -q "^text 0 $(hex 'pä§w€rd✓')\$" "$work/target.out"
[ "$(focused_id)" = "$target_window" ] || fail "a window of Kivrano came forward"

# Every hotkey was done once for each press: no typed digit fired one of ours (Ctrl+1 is the ID
# hotkey, Ctrl+0 another).
[ "$(done_count 0)" = 1 ] || fail "the ID hotkey was done $(done_count 0) times"
[ "$(done_count 1)" = 3 ] || fail "the Password hotkey was done $(done_count 1) times"
grep -q "^hotkey [2-9]: done\|^hotkey 1[0-9]: done" "$work/trace" && fail "a hotkey nobody pressed was done"

kill "$kpid"; wait "$kpid" 2>/dev/null || true
echo quit >&5
echo "desktop KDE typing: 1 passed, 0 failed"
