# Shared by the desktop end-to-end scripts: waiting for windows and failing with a reason.

fail() {
  echo "FAILED: $*" >&2
  if declare -F on_failure >/dev/null; then on_failure; fi
  exit 1
}

# Waits (up to 30 s) for a visible window whose title matches, gives it the keyboard and
# prints its id.
window() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"$1\""
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id" || true
  sleep 0.4
  echo "$id"
}

# A fresh working folder with its own profiles and settings ($work), removed at the end
# together with every process listed in $pids and the target's command descriptor 5.
new_workspace() {
  work=$(mktemp -d)
  pids=()
  trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
        exec 5>&- 2>/dev/null || true
        rm -rf "$work"' EXIT
  export KIVRANO_HOME="$work/home" KIVRANO_CONFIG_DIR="$work/home/config"
  mkdir -p "$KIVRANO_HOME/Profiles"
}

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

# Starts the target program TARGET titled TITLE, its commands on descriptor 5.
start_target() {
  mkfifo "$work/target.in"
  "$1" --title "$2" <"$work/target.in" >"$work/target.out" 2>/dev/null &
  pids+=($!)
  exec 5>"$work/target.in"
  wait_for "^ready"
}
