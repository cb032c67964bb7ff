#!/usr/bin/env bash
# Runs a command inside a fresh headless sway (no GPU, no input devices), and takes it down
# again however the command ends. sway refuses to run as root, so under root both sway and
# the command run as the unprivileged user nobody, with a runtime folder and a home of their
# own in this run's temporary folder. Exits 77 (the test's skip code) when sway or a tool the
# tests need is missing. Usage: run-under-sway.sh COMMAND [ARGS...]
set -uo pipefail

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}
for tool in sway swaymsg jq; do
  command -v "$tool" >/dev/null || skip "$tool is not installed: run scripts/deps.sh test"
done
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v setpriv >/dev/null || skip "setpriv is not installed (util-linux): sway does not run as root"
  as_user=(setpriv --reuid nobody --regid nogroup --clear-groups)
fi

work=$(mktemp -d)
chmod 755 "$work"
sway_pid=""
test_pid=""
cleanup() {
  [ -n "$test_pid" ] && kill "$test_pid" 2>/dev/null
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null
  [ -n "$sway_pid" ] && wait "$sway_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/run" "$work/home" "$work/tmp"
[ ${#as_user[@]} -eq 0 ] || chown nobody:nogroup "$work/run" "$work/home" "$work/tmp"
chmod 700 "$work/run"
# No X server (the programs are native Wayland clients), titles on the windows, and no
# bindings but those a test sets itself.
cat >"$work/config" <<'CONFIG'
xwayland disable
output HEADLESS-1 resolution 1280x1024
default_border normal
CONFIG
chmod 644 "$work/config"

# A clean environment for sway and the test: nothing of the caller's desktop leaks in. No
# desktop bus unless a test starts its own.
session=(env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp"
         LANG=C.UTF-8 XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
         DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
         DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus")
(cd "$work" && exec "${as_user[@]}" "${session[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman \
  WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/config" >"$work/sway.log" 2>&1) &
sway_pid=$!

# sway is ready once both its Wayland socket and its IPC socket exist.
socket=""
ipc=""
for _ in $(seq 200); do
  socket=$(find "$work/run" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' 2>/dev/null | head -n 1)
  ipc=$(find "$work/run" -maxdepth 1 -type s -name 'sway-ipc.*.sock' 2>/dev/null | head -n 1)
  [ -n "$socket" ] && [ -n "$ipc" ] && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$socket" ] || [ -z "$ipc" ]; then
  echo "sway did not start:" >&2
  cat "$work/sway.log" >&2
  exit 1
fi
for _ in $(seq 200); do
  "${as_user[@]}" env SWAYSOCK="$ipc" swaymsg -t get_version >/dev/null 2>&1 && break
  sleep 0.05
done

(cd "$work/tmp" && exec "${as_user[@]}" "${session[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" "$@") &
test_pid=$!
wait "$test_pid"
status=$?
test_pid=""
if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
  echo "--- sway log (last lines)" >&2
  tail -n 40 "$work/sway.log" >&2
fi
exit "$status"
