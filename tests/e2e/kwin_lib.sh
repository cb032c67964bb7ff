# The window and keyboard functions of desktop_lib.sh for KDE Plasma Wayland, through the
# test's own helper (kwin_e2e_desktop.py: a RemoteDesktop portal session and a KWin script):
# sourced after desktop_lib.sh by the scripts that run inside run-under-kwin.sh. Typing and
# key presses as keys_lib.sh has them, through this helper's own keys() below.
source "$(dirname "${BASH_SOURCE[0]}")/keys_lib.sh"

# Starts the helper, its commands on descriptor 6; waits until its keyboard is granted.
start_desktop() { # PYTHON3 KWIN_E2E_DESKTOP_PY
  mkfifo "$work/desktop.in"
  "$1" "$2" <"$work/desktop.in" >"$work/desktop.out" 2>"$work/desktop.err" &
  pids+=($!)
  exec 6>"$work/desktop.in"
  for _ in $(seq 300); do
    grep -q "^ready\$" "$work/desktop.out" && return 0
    sleep 0.1
  done
  fail "the test's desktop helper did not start: $(cat "$work/desktop.err")"
}

# Sends one command and waits (up to 40 s: an activation waits for its window) until KWin has
# it; fails with the helper's reason when it could not be carried out. The commands go one at a
# time, so the next one's number follows the answers (also when sent from a subshell).
keys() {
  desktop_seen=$(wc -l <"$work/desktop.out")
  desktop_sent=$(($(grep -c '^\(done\|error\) ' "$work/desktop.out" || true) + 1))
  echo "$*" >&6
  for _ in $(seq 400); do
    grep -q "^done $desktop_sent\$" "$work/desktop.out" && return 0
    if grep -q "^error $desktop_sent " "$work/desktop.out"; then
      fail "$(grep "^error $desktop_sent " "$work/desktop.out") $(cat "$work/desktop.err")"
    fi
    sleep 0.1
  done
  fail "the test's desktop helper never answered \"$*\""
}
# What the helper printed for the last command, before its "done".
answer() { tail -n +$((desktop_seen + 1)) "$work/desktop.out" | sed '/^done /,$d'; }

# The windows KWin lists, one a line: "view <id> <active 0|1> <title>".
kwin_views() { keys windows && answer; }
focused_id() { kwin_views | awk '$1 == "view" && $3 == 1 { print $2 }'; }

# Waits (up to 30 s) for a window whose title matches (a Python regular expression), brings it
# to the front, waits until KWin reports it active, and prints its id.
window() {
  keys activate "$1"
  # KWin moves the keyboard into the window before it reports it active, so keys sent after
  # this reach it.
  answer | sed -n 's/^window //p'
}
