#!/usr/bin/env bash
# The program on GNOME (mutter 43): a native Wayland client signed in through the real Select
# User dialog, typing through the RemoteDesktop portal. GNOME tells no program which window is
# in front and has no GlobalShortcuts portal, so the hotkey is the command the user binds in
# GNOME's keyboard settings, `kivrano --hotkey 1`: GNOME asks for consent each time (its
# dialog, answered here with the test's keyboard: tick Keyboard, then Share), and the password
# arrives exactly in the window in front. A refused consent types nothing and says so.
# Runs inside run-under-mutter.sh.
# Usage: desktop_gnome_typing.sh KIVRANO KIVRANO_CLI TARGET
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
source "$(dirname "$0")/keys_lib.sh"
kivrano=$1
cli=$2
target=$3

begin_work
on_failure() {
  echo "--- target said:" >&2; tr -d '\0' <"$work/target.out" >&2 || true
  echo "--- keyboard said:" >&2; cat "$KIVRANO_TEST_KEYS_OUT" >&2 || true
  # The program's own lines, and of the Wayland trace only where its windows got the keyboard.
  echo "--- kivrano traced:" >&2
  grep -a -e "^[^[]" -e "wl_keyboard@[0-9]*\.\(enter\|leave\)(" -e "set_title(" "$work/trace" >&2 || true
}

# The test's keyboard (mutter's own, started by run-under-mutter.sh) and its answers.
exec 6>"$KIVRANO_TEST_KEYS"
keys_out=$KIVRANO_TEST_KEYS_OUT

cat >"$work/vault.json" <<JSON
{"settings": {"typeInMode": 0, "autoTrack": 0},
 "folders": [{"name": "Web", "unprotected": 0, "items": [
   {"title": "Bank Login", "address": "https://target.example", "id": "alice",
    "password": "Secret_42!"}]}]}
JSON
printf 'pw\n' | "$cli" import --password-stdin --force "$work/vault.json" "$KIVRANO_HOME/Profiles/dana.kvr" >/dev/null

# GNOME names no window to a program: the Wayland protocol's own trace says when the Select
# User dialog, the program's only window then, has the keyboard.
WAYLAND_DEBUG=client KIVRANO_DEBUG=1 "$kivrano" 2>"$work/trace" & kpid=$!
pids+=("$kpid")
wait_for "^desktop: Wayland backend: keyboard: the RemoteDesktop portal; hotkeys: none of our own (no GlobalShortcuts portal)" "$work/trace"
wait_for "; windows: none (the compositor does not tell which window is in front)" "$work/trace"
wait_for "wl_keyboard@[0-9]*\.enter(" "$work/trace"
type_text "pw"
press_keys return
wait_for "^tree rows at" "$work/trace"
# The main window has the keyboard once the Wayland trace shows its second entry: the item is
# chosen in the tree, as the user does before switching to the window to type into.
entered() { [ "$(grep -ac 'wl_keyboard@[0-9]*\.enter(' "$work/trace")" -ge "$1" ]; }
keyboard_entries() { wait_until "the program's window never got the keyboard" entered "$1"; }
keyboard_entries 2
press_keys home
press_keys right
press_keys down

QT_QPA_PLATFORM=wayland start_target "$target" "Bank Login"
wait_for "^active"

done_count() { grep -ac "^hotkey 1: done" "$work/trace" || true; }
more_done() { [ "$(done_count)" -gt "$1" ]; }

# GNOME's consent dialog takes the keyboard from the target: its first control is the
# Keyboard check box (unticked), then Cancel, then Share (greyed until a device is ticked).
# Each key waits until the dialog has drawn the frame after it: a Tab that comes before the
# tick has made Share available passes over it.
portal_presses() { grep -ac 'wl_keyboard@[0-9]*\.key(.*, 1)$' "$KIVRANO_TEST_PORTAL_LOG" || true; }
drawn_after_press() { # n: a frame drawn after the dialog's n-th key press
  awk -v n="$1" '/wl_keyboard@[0-9]+\.key\(.*, 1\)$/ { p++ } p >= n && /wl_surface@[0-9]+\.commit\(\)/ { f = 1 }
                 END { exit !f }' "$KIVRANO_TEST_PORTAL_LOG"
}
dialog_key() { # tab | space
  local n=$(($(portal_presses) + 1))
  if [ "$1" = space ]; then type_text " "; else press_keys "$1"; fi
  wait_until "the consent dialog did not take key $n" drawn_after_press "$n"
}
consent() { # share | cancel
  wait_for "^inactive"
  dialog_key tab
  dialog_key space
  dialog_key tab
  if [ "$1" = share ]; then dialog_key tab; fi
  type_text " "
}

: >"$work/target.out"
before=$(done_count)
"$kivrano" --hotkey 1
consent share
wait_until "hotkey 1 was not done" more_done "$before"
wait_for "^RemoteDesktop portal: session started (interface version 1)" "$work/trace"
wait_for "^text 0 $(hex 'Secret_42!')\$"
# Nothing else arrived after it (a key of the consent's, a repeated character).
grep -a "^text 0 " "$work/target.out" | tail -n 1 | grep -q "^text 0 $(hex 'Secret_42!')\$" ||
  fail "more than the password arrived"
wait_for "^active"

# Refused: nothing is typed, and the program says so in a message box of its own.
echo clear >&5
wait_for "^cleared"
: >"$work/target.out"
before=$(done_count)
"$kivrano" --hotkey 1
consent cancel
wait_for "^RemoteDesktop portal: Start: cancelled by the user" "$work/trace"
wait_for 'xdg_toplevel@[0-9]*\.set_title("Kivrano")' "$work/trace"
# The box has the keyboard at the program's third entry; Enter closes it and ends the hotkey.
keyboard_entries 3
press_keys return
wait_until "hotkey 1 was not done" more_done "$before"
grep -aq "^text 0 [0-9a-f]" "$work/target.out" && fail "the password was typed without consent"

kill "$kpid"; wait "$kpid" 2>/dev/null || true
echo quit >&5
echo "desktop gnome typing: 1 passed, 0 failed"
