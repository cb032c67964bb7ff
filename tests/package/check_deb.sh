#!/usr/bin/env bash
# Builds the Debian package from a built tree (as scripts/package.sh does), checks that it
# holds the programs and everything that makes them part of the desktop, that its library
# dependencies were computed, that the programs it installs run, and validates the menu
# entry, the software-centre description and the man pages with the desktop's own tools.
# Usage: check_deb.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: run scripts/deps.sh test" >&2; exit 1; }
done
fail() { echo "FAILED: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
deb="$work/out/kivrano_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb"); cpack made: $(ls "$work/out")"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
expected=(
  /usr/bin/kivrano
  /usr/bin/kivrano-cli
  /usr/lib/kivrano/libkivrano-modemmanager.so
  /usr/share/applications/org.quentaro.Kivrano.desktop
  /usr/share/mime/packages/org.quentaro.Kivrano.xml
  /usr/share/metainfo/org.quentaro.Kivrano.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/org.quentaro.Kivrano.svg
  /usr/share/icons/hicolor/scalable/mimetypes/application-x-kivrano.svg
  /usr/share/man/man1/kivrano.1.gz
  /usr/share/man/man1/kivrano-cli.1.gz
  /usr/share/doc/kivrano/kivrano.html
  /usr/share/doc/kivrano/kivrano-cli.html
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=(/usr/share/icons/hicolor/${size}x${size}/apps/org.quentaro.Kivrano.png
             /usr/share/icons/hicolor/${size}x${size}/mimetypes/application-x-kivrano.png)
done
for file in "${expected[@]}"; do
  grep -qx -- "$file" "$work/files" || fail "the package lacks $file"
done
# Nothing of the build or the tests leaks into it.
if grep -v -e '^/usr/bin/kivrano\(-cli\)\?$' -e '^/usr/lib/kivrano/libkivrano-modemmanager\.so$' \
    -e '^/usr/share/' -e '/$' "$work/files"; then
  fail "the package holds files outside /usr/bin/kivrano{,-cli}, its telephony provider and /usr/share"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6svg6 libqt6dbus6 libcurl4 libxtst6 libc6; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = kivrano ] || fail "the package is not named kivrano"

root="$work/root"
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/kivrano" --version | grep -qx "Kivrano $version" || fail "the installed kivrano does not run"
"$root/usr/bin/kivrano-cli" --version | grep -q "$version" || fail "the installed kivrano-cli does not run"

desktop-file-validate "$root/usr/share/applications/org.quentaro.Kivrano.desktop" ||
  fail "desktop-file-validate refused the menu entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.quentaro.Kivrano.metainfo.xml" ||
  fail "appstreamcli refused the metainfo"
for page in kivrano kivrano-cli; do
  man --warnings -l "$root/usr/share/man/man1/$page.1.gz" >"$work/$page.txt" 2>"$work/$page.warnings"
  [ ! -s "$work/$page.warnings" ] || { cat "$work/$page.warnings" >&2; fail "man warns about $page(1)"; }
  grep -q "^NAME" "$work/$page.txt" || fail "$page(1) renders without a NAME section"
done
# The manual opens offline and tells no server that it was read: no style sheet, script,
# picture or font comes from the network.
for page in kivrano kivrano-cli; do
  html="$root/usr/share/doc/kivrano/$page.html"
  if grep -Eq '<(link|script|img)[^>]*(href|src)="https?:' "$html" ||
      grep '@import' "$html" | grep -qv '^/\*'; then
    fail "$page.html loads something from the network"
  fi
done
echo "package: $(basename "$deb") with ${#expected[@]} desktop files checked"
