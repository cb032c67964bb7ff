#!/usr/bin/env bash
# Runs a command inside a GNOME Wayland session of its own: a private session bus, mutter
# headless on a virtual monitor, the test's keyboard (mutter_keys.py) and the desktop portals
# with GNOME's backend, all taken down however the command ends. The command writes the
# keyboard's commands to $KIVRANO_TEST_KEYS and reads its answers in $KIVRANO_TEST_KEYS_OUT.
# Exits 77 (CTest's "skipped") when mutter or the portals are not installed.
# Usage: run-under-mutter.sh COMMAND [ARGS...]
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
mutter=$(command -v mutter) || skip "mutter is not installed"
portal=$(find_program xdg-desktop-portal /usr/libexec /usr/lib/xdg-desktop-portal) ||
  skip "xdg-desktop-portal is not installed"
portal_gnome=$(find_program xdg-desktop-portal-gnome /usr/libexec /usr/lib/*/libexec) ||
  skip "xdg-desktop-portal-gnome is not installed"
gnome_portal=/usr/share/xdg-desktop-portal/portals/gnome.portal
[ -f "$gnome_portal" ] || skip "$gnome_portal (package xdg-desktop-portal-gnome) is missing"
python=/usr/bin/python3
"$python" -c "import dbus" 2>/dev/null || skip "python3-dbus is not installed"
for tool in dbus-run-session dbus-daemon dbus-send; do
  command -v "$tool" >/dev/null || skip "$tool (packages dbus-daemon, dbus-bin) is not installed"
done

# The session bus of our own: this script runs again inside it. Its configuration offers no
# service to start on demand, so nothing runs that the harness did not start itself.
if [ -z "${KIVRANO_MUTTER_SESSION:-}" ]; then
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
  KIVRANO_MUTTER_SESSION=$work dbus-run-session --config-file="$work/bus.conf" -- "$0" "$@" &
  wait $!
  exit $?
fi

work=$KIVRANO_MUTTER_SESSION
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
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-kivrano
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

start org.gnome.Mutter.RemoteDesktop "$work/mutter.log" "$mutter" --headless --wayland --no-x11 \
  --wayland-display "$WAYLAND_DISPLAY" --virtual-monitor 1280x1024
[ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || { echo "mutter made no Wayland socket" >&2; exit 1; }
# The test's keyboard comes first: mutter tells a program about a keyboard only when one
# existed as it connected, and the portal backend below is such a program.
export KIVRANO_TEST_KEYS="$work/keys.in" KIVRANO_TEST_KEYS_OUT="$work/keys.out"
mkfifo "$KIVRANO_TEST_KEYS"
"$python" "$(dirname "$0")/mutter_keys.py" <"$KIVRANO_TEST_KEYS" >"$KIVRANO_TEST_KEYS_OUT" 2>&1 &
pids+=($!)
exec 6>"$KIVRANO_TEST_KEYS"
for _ in $(seq 300); do
  grep -q "^ready" "$KIVRANO_TEST_KEYS_OUT" && break
  kill -0 "${pids[-1]}" 2>/dev/null || break
  sleep 0.1
done
grep -q "^ready" "$KIVRANO_TEST_KEYS_OUT" || { echo "the test's keyboard did not start:" >&2;
  cat "$KIVRANO_TEST_KEYS_OUT" >&2; exit 1; }
# GNOME's portal backend (a GTK program on the Wayland session); then the portal front end,
# shown GNOME's backend only: it would otherwise offer the interfaces of any other desktop's
# backend installed here (KDE's GlobalShortcuts), which a GNOME machine need not have.
# Its Wayland trace, in $KIVRANO_TEST_PORTAL_LOG, shows a test when the consent dialog has
# handled a key (the frame it draws after the key).
export KIVRANO_TEST_PORTAL_LOG="$work/portal-gnome.log"
WAYLAND_DEBUG=client GTK_A11Y=none start org.freedesktop.impl.portal.desktop.gnome \
  "$KIVRANO_TEST_PORTAL_LOG" "$portal_gnome"
mkdir -p "$work/portals"
cp "$gnome_portal" "$work/portals/"
XDG_DESKTOP_PORTAL_DIR="$work/portals" start org.freedesktop.portal.Desktop "$work/portal.log" \
  "$portal" --replace

"$@" &
test_pid=$!
pids+=("$test_pid")
wait "$test_pid"
status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  for log in mutter portal-gnome portal; do
    echo "--- $log log" >&2
    grep -av "^\[" "$work/$log.log" >&2
  done
fi
exit "$status"
