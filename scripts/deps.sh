#!/usr/bin/env bash
# Installs the Debian packages Kivrano needs that are not installed yet.
# Usage: scripts/deps.sh build|package|test
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libx11-dev libxtst-dev libxkbcommon-dev libcurl4-openssl-dev
          libwayland-dev libwayland-bin qt6-wayland)
# The manual is written in AsciiDoc (asciidoctor makes the man pages and their HTML form);
# rsvg-convert draws the icons' PNG sizes.
build=(nlohmann-json3-dev libcli11-dev asciidoctor librsvg2-bin)
case "${1:-build}" in
  build) packages+=("${build[@]}") ;;
  package) packages+=("${build[@]}" dpkg-dev) ;;
  # The tests drive X11 programs and a headless sway, serve HTTP and D-Bus on their own, and
  # check the package with the desktop's own tools.
  test) packages+=("${build[@]}" libgtest-dev libgmock-dev libbenchmark-dev libssl-dev clang libclang-rt-dev
                   xvfb openbox x11-xkb-utils x11-utils xdotool jq clang-format
                   sway python3 openssl dbus-daemon dbus-bin python3-dbus python3-gi python3-dbusmock
                   dpkg-dev desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl man-db
                   # A KDE Plasma Wayland session for the KWin and portal tests; the KDE portal is a
                   # Qt 5 program and needs Qt 5's Wayland plugin, our test windows Qt 6's.
                   kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde qtwayland5 qt6-wayland
                   # A headless GNOME (mutter and its portal backend) for the GNOME test.
                   mutter xdg-desktop-portal-gnome) ;;
  *) echo "usage: $0 build|package|test" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
