# Shared by the desktop end-to-end scripts: waiting for windows and conditions, and failing
# with a reason. Nothing waits a fixed time for something to happen: every wait polls for
# its condition, with a bound.

fail() {
  echo "FAILED: $*" >&2
  if declare -F on_failure >/dev/null; then on_failure; fi
  exit 1
}

# Waits (up to 30 s) until a command succeeds; fails with the reason otherwise.
# Usage: wait_until "what did not happen" COMMAND [ARGS...]
wait_until() {
  local reason=$1
  shift
  for _ in $(seq 300); do
    "$@" && return 0
    sleep 0.1
  done
  fail "$reason"
}

# Waits (up to 30 s) for a visible window whose title matches, gives it the keyboard, waits
# until the window manager reports it active, and prints its id.
window() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"$1\""
  for _ in $(seq 100); do
    [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$id" ] && break
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" 2>/dev/null || true
    sleep 0.1
  done
  [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$id" ] || fail "window \"$1\" never became active"
  # The toolkit moves the keyboard focus into the window once it sees the activation.
  sleep 0.2
  echo "$id"
}

# A work folder holding the program's home and settings, and the processes the script starts
# (add their ids to pids): all ended and removed however the script ends. Descriptor 5 is the
# target program's input, when there is one.
begin_work() {
  work=$(mktemp -d)
  pids=()
  trap end_work EXIT
  export KIVRANO_HOME="$work/home" KIVRANO_CONFIG_DIR="$work/home/config"
  mkdir -p "$KIVRANO_HOME/Profiles" "$KIVRANO_CONFIG_DIR"
}
end_work() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  exec 5>&- 2>/dev/null || true
  rm -rf "$work"
}

# Text as the target program reports it: its bytes in hexadecimal.
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

# Waits (up to 10 s) for a line matching the pattern in a file, the target's output by default.
wait_for() {
  local file=${2:-$work/target.out}
  for _ in $(seq 100); do
    grep -q -- "$1" "$file" && return 0
    sleep 0.1
  done
  fail "never saw \"$1\" in $(basename "$file")"
}

# The built-in browser becomes a script that notes each address it is asked to open, one a
# line, in $work/opened.
record_browser() {
  cat >"$work/browser" <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" >>"$work/opened"
SCRIPT
  chmod +x "$work/browser"
  export BROWSER="$work/browser"
}

# How often the program's trace ($work/trace) says hotkey N was done; whether more than M.
done_count() { grep -c "^hotkey $1: done" "$work/trace" || true; }
more_done() { [ "$(done_count "$1")" -gt "$2" ]; }
# Runs the action given for hotkey N and waits until the program has typed it.
typed_by() { # hotkey command...
  local n=$1 before
  shift
  before=$(done_count "$n")
  "$@"
  wait_until "hotkey $n was not done" more_done "$n" "$before"
}
# Empties the target's fields and its report.
fresh_target() {
  : >"$work/target.out"
  echo clear >&5
  wait_for "^cleared"
}

# Starts the target program TARGET titled TITLE, its commands on descriptor 5.
start_target() {
  mkfifo "$work/target.in"
  "$1" --title "$2" <"$work/target.in" >"$work/target.out" 2>/dev/null &
  pids+=($!)
  exec 5>"$work/target.in"
  wait_for "^ready"
}

# Whether a visible window's title matches; whether the window with that id has gone.
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
not_visible() { ! visible "$1"; }
gone() { ! xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -qx "$2"; }

# Answers the message box in front (titled with the product name) with Enter, and waits until
# it has gone, so that the next box of the same title is not taken for it.
answer_box() {
  local id
  id=$(window "^Kivrano\$")
  xdotool key Return
  wait_until "the message box did not close" gone "^Kivrano\$" "$id"
}
