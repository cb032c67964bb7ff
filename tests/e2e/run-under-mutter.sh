#!/usr/bin/env bash
# Runs a command inside a GNOME Wayland session of its own: a private session bus, mutter
# headless on a virtual monitor, the test's keyboard (mutter_keys.py) and the desktop portals
# with GNOME's backend, all taken down however the command ends. The command writes the
# keyboard's commands to $KIVRANO_TEST_KEYS and reads its answers in $KIVRANO_TEST_KEYS_OUT.
# Exits 77 (CTest's "skipped") when mutter or the portals are not installed.
# Usage: run-under-mutter.sh COMMAND [ARGS...]
set -uo pipefail

source "$(dirname "$0")/desktop_session_lib.sh"
mutter=$(command -v mutter) || skip "mutter is not installed"
portal=$(find_program xdg-desktop-portal /usr/libexec /usr/lib/xdg-desktop-portal) ||
  skip "xdg-desktop-portal is not installed"
portal_gnome=$(find_program xdg-desktop-portal-gnome /usr/libexec /usr/lib/*/libexec) ||
  skip "xdg-desktop-portal-gnome is not installed"
gnome_portal=/usr/share/xdg-desktop-portal/portals/gnome.portal
[ -f "$gnome_portal" ] || skip "$gnome_portal (package xdg-desktop-portal-gnome) is missing"
python=/usr/bin/python3
"$python" -c "import dbus" 2>/dev/null || skip "python3-dbus is not installed"
require_bus_tools

enter_private_session KIVRANO_MUTTER_SESSION "$@"
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-kivrano
unset DISPLAY

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

run_test mutter portal-gnome portal -- "$@"
