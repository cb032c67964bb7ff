#!/usr/bin/env bash
# Runs a command inside a KDE Plasma Wayland session of its own: a private session bus, KWin on
# a virtual output, and the desktop portals with KDE's backend, all taken down however the
# command ends. Exits 77 (CTest's "skipped") when KWin or the portals are not installed.
# Usage: run-under-kwin.sh COMMAND [ARGS...]
set -uo pipefail

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
kwin=$(command -v kwin_wayland) || skip "kwin_wayland (package kwin-wayland) is not installed"
portal=$(find_program xdg-desktop-portal /usr/libexec /usr/lib/xdg-desktop-portal) ||
  skip "xdg-desktop-portal is not installed"
portal_kde=$(find_program xdg-desktop-portal-kde /usr/lib/x86_64-linux-gnu/libexec /usr/libexec \
  /usr/lib/*/libexec) || skip "xdg-desktop-portal-kde is not installed"
for tool in dbus-run-session dbus-daemon dbus-send; do
  command -v "$tool" >/dev/null || skip "$tool (packages dbus-daemon, dbus-bin) is not installed"
done

# The session bus of our own: this script runs again inside it. Its configuration offers no
# service to start on demand, so nothing runs that the harness did not start itself.
if [ -z "${KIVRANO_KWIN_SESSION:-}" ]; then
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
  KIVRANO_KWIN_SESSION=$work dbus-run-session --config-file="$work/bus.conf" -- "$0" "$@" &
  wait $!
  exit $?
fi

work=$KIVRANO_KWIN_SESSION
echo $$ >"$work/session.pid"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Everything the desktop writes stays in the work folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"
export XDG_DATA_HOME="$work/home/data" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-kivrano
unset DISPLAY

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

# The packaged kwin_wayland carries a file capability that containers refuse to execute; a
# copy under the same name (KWin finds its helpers by that name) runs without it.
mkdir -p "$work/bin"
cp "$kwin" "$work/bin/kwin_wayland"
start org.kde.KWin "$work/kwin.log" "$work/bin/kwin_wayland" --virtual --no-lockscreen \
  --socket "$WAYLAND_DISPLAY" --width 1280 --height 1024
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || { echo "KWin made no Wayland socket" >&2; exit 1; }
# The KDE portal backend is a Qt 5 program on the Wayland session; then the portal front end.
QT_QPA_PLATFORM=wayland start org.freedesktop.impl.portal.desktop.kde "$work/portal-kde.log" "$portal_kde"
start org.freedesktop.portal.Desktop "$work/portal.log" "$portal" --replace

"$@" &
test_pid=$!
pids+=("$test_pid")
wait "$test_pid"
status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  for log in kwin portal-kde portal; do
    echo "--- $log log" >&2
    cat "$work/$log.log" >&2
  done
fi
exit "$status"
