# The window functions of desktop_lib.sh for sway, through its IPC (swaymsg and jq): sourced
# after desktop_lib.sh by the scripts that run inside run-under-sway.sh.
source "$(dirname "${BASH_SOURCE[0]}")/keys_lib.sh"

# The views sway manages, one a line: "id<TAB>focused<TAB>title".
sway_views() {
  swaymsg -t get_tree 2>/dev/null |
    jq -r '.. | objects | select(.type? == "con" or .type? == "floating_con") |
           select(.pid? != null) | [.id, .focused, .name] | @tsv'
}

# The id of the first view whose title matches the regular expression (jq's), if any.
view_id() {
  swaymsg -t get_tree 2>/dev/null |
    jq -r --arg re "$1" '[.. | objects | select(.type? == "con" or .type? == "floating_con") |
           select(.pid? != null) | select((.name // "") | test($re))][0].id // empty'
}

focused_id() {
  swaymsg -t get_tree 2>/dev/null |
    jq -r '[.. | objects | select(.focused? == true) | select(.pid? != null)][0].id // empty'
}

# Waits (up to 30 s) for a window whose title matches, gives it the keyboard, waits until sway
# reports it focused, and prints its id. sway sends the keyboard's entry to the program
# before any key that comes after it, so the keys typed next reach it.
window() {
  local id=""
  for _ in $(seq 300); do
    id=$(view_id "$1")
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"$1\" (windows: $(sway_views | tr '\t\n' ' ;'))"
  for _ in $(seq 100); do
    [ "$(focused_id)" = "$id" ] && break
    swaymsg "[con_id=$id] focus" >/dev/null 2>&1 || true
    sleep 0.1
  done
  [ "$(focused_id)" = "$id" ] || fail "window \"$1\" never got the focus"
  echo "$id"
}

visible() { [ -n "$(view_id "$1")" ]; }
not_visible() { ! visible "$1"; }

# The keyboard of the script: kivrano_e2e_keys, one virtual keyboard for the whole script, its
# commands on descriptor 6. A keyboard that comes and goes (as each run of wtype does) makes
# sway move the keyboard focus out and in again, and a key typed in that moment is lost.
start_keys() { # KIVRANO_E2E_KEYS
  mkfifo "$work/keys.in"
  "$1" <"$work/keys.in" >"$work/keys.out" 2>&1 &
  pids+=($!)
  exec 6>"$work/keys.in"
  keys_out="$work/keys.out"
}
