#!/usr/bin/env bash
# The ".kvr" file type as a file manager sees it: with the MIME entry and the menu entry
# installed for one user (a temporary XDG_DATA_HOME), a vault just saved and a file of the
# oldest format are application/x-kivrano, by their name and by their first bytes, and
# Kivrano is the program that opens them.
# Usage: check_mime.sh SOURCE_DIR KIVRANO_CLI
set -euo pipefail
source_dir=$1
cli=$2
for tool in update-mime-database update-desktop-database xdg-mime mimetype; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: run scripts/deps.sh test" >&2; exit 1; }
done
fail() { echo "FAILED: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# xdg-mime asks the desktop it runs in; with none it reads the shared MIME database.
unset DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID \
  MATE_DESKTOP_SESSION_ID LXQT_SESSION_CONFIG DBUS_SESSION_BUS_ADDRESS
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_DATA_DIRS=/usr/share
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"

printf 'pw\n' | "$cli" import --password-stdin "$source_dir/tests/fixtures/sample-vault.json" \
  "$work/saved.kvr" >/dev/null
cp "$source_dir/tests/fixtures/legacy-KVR1.00.kvr" "$work/legacy.kvr"
# The same files without their extension are known by their first bytes alone.
cp "$work/saved.kvr" "$work/saved"
cp "$work/legacy.kvr" "$work/legacy"
printf 'BF01 and eight bytes of text\n' >"$work/notes"

type_of() { xdg-mime query filetype "$work/$1"; }
[ "$(type_of saved)" != application/x-kivrano ] || fail "the type is known before it is installed"

cp "$source_dir/data/org.quentaro.Kivrano.mime.xml" "$XDG_DATA_HOME/mime/packages/org.quentaro.Kivrano.xml"
update-mime-database "$XDG_DATA_HOME/mime" 2>"$work/mime.log" || { cat "$work/mime.log" >&2; fail "update-mime-database refused the entry"; }
for file in saved.kvr legacy.kvr saved legacy; do
  [ "$(type_of "$file")" = application/x-kivrano ] || fail "$file is $(type_of "$file"), not application/x-kivrano"
done
[ "$(type_of notes)" != application/x-kivrano ] || fail "a text beginning with BF01 is taken for a vault"

cp "$source_dir/data/org.quentaro.Kivrano.desktop" "$XDG_DATA_HOME/applications/"
update-desktop-database "$XDG_DATA_HOME/applications"
default=$(xdg-mime query default application/x-kivrano)
[ "$default" = org.quentaro.Kivrano.desktop ] || fail "a .kvr file opens with \"$default\", not Kivrano"
echo "mime: saved and legacy vaults are application/x-kivrano and open in Kivrano"
