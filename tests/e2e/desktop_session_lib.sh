# Shared by the harnesses that run a test inside a Wayland desktop session of their own
# (run-under-kwin.sh, run-under-mutter.sh): skipping where a program is missing, the private
# session bus, the session's own folders, starting its programs and waiting for them by name.

skip() {
  echo "SKIPPED: $*; scripts/deps.sh test installs it" >&2
  exit 77
}
find_program() { # name, then the folders it may live in
  local name=$1 dir
  shift
  for dir in "$@"; do [ -x "$dir/$name" ] && { echo "$dir/$name"; return 0; }; done
  return 1
}
require_bus_tools() {
  local tool
  for tool in dbus-run-session dbus-daemon dbus-send; do
    command -v "$tool" >/dev/null || skip "$tool (packages dbus-daemon, dbus-bin) is not installed"
  done
}

# The session bus of our own: the harness runs again inside it, with the variable named set to
# the work folder (it returns only there). Its configuration offers no service to start on
# demand, so nothing runs that the harness did not start itself. Inside, the processes the
# harness starts (in pids) end with it, and everything the desktop writes stays in the work
# folder.
enter_private_session() { # variable name, the harness's arguments
  local variable=$1
  shift
  if [ -z "${!variable:-}" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/services"
    cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <servicedir>$work/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    # Stopped from outside (a test's time-out), the session inside takes its programs down.
    trap '[ -s "$work/session.pid" ] && kill "$(cat "$work/session.pid")" 2>/dev/null; wait; exit 130' INT TERM
    env "$variable=$work" dbus-run-session --config-file="$work/bus.conf" -- "$0" "$@" &
    wait $!
    exit $?
  fi
  work=${!variable}
  echo $$ >"$work/session.pid"
  pids=()
  trap end_session EXIT
  trap 'exit 130' INT TERM
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"
  export XDG_DATA_HOME="$work/home/data" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$TMPDIR"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
}
end_session() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
}

has_owner() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}
# Waits (up to 30 s) until a program owns its name on the bus; fails with its log otherwise.
wait_for_name() { # name, pid, log
  for _ in $(seq 300); do
    has_owner "$1" && return 0
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  echo "$1 did not appear on the session bus:" >&2
  cat "$3" >&2
  exit 1
}
start() { # bus name, log, program...
  local name=$1 log=$2
  shift 2
  "$@" >"$log" 2>&1 &
  pids+=($!)
  wait_for_name "$name" "$!" "$log"
}

# Runs the test and exits with its status; a failure shows the logs of the session's programs
# (work/NAME.log), without the lines of a Wayland protocol trace.
run_test() { # log names..., --, the test's command
  local logs=() log status
  while [ "$1" != -- ]; do logs+=("$1"); shift; done
  shift
  "$@" &
  pids+=($!)
  wait "${pids[-1]}"
  status=$?
  if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
    for log in "${logs[@]}"; do
      echo "--- $log log" >&2
      grep -av '^\[ *[0-9]*\.[0-9]*\] ' "$work/$log.log" >&2
    done
  fi
  exit "$status"
}
