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
