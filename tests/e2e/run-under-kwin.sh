#!/usr/bin/env bash
# Runs a command inside a KDE Plasma Wayland session of its own: a private session bus, KWin on
# a virtual output, and the desktop portals with KDE's backend, all taken down however the
# command ends. Exits 77 (CTest's "skipped") when KWin or the portals are not installed.
# Usage: run-under-kwin.sh COMMAND [ARGS...]
set -uo pipefail

source "$(dirname "$0")/desktop_session_lib.sh"
kwin=$(command -v kwin_wayland) || skip "kwin_wayland (package kwin-wayland) is not installed"
portal=$(find_program xdg-desktop-portal /usr/libexec /usr/lib/xdg-desktop-portal) ||
  skip "xdg-desktop-portal is not installed"
portal_kde=$(find_program xdg-desktop-portal-kde /usr/lib/x86_64-linux-gnu/libexec /usr/libexec \
  /usr/lib/*/libexec) || skip "xdg-desktop-portal-kde is not installed"
require_bus_tools

enter_private_session KIVRANO_KWIN_SESSION "$@"
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-kivrano
unset DISPLAY

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

run_test kwin portal-kde portal -- "$@"
