#!/usr/bin/env bash
# The desktop program end to end, as a new user meets it: add a profile with a password,
# add a folder and an item, save, quit; start again, sign in, and find everything back.
# Runs inside run-under-xvfb.sh. Usage: desktop_roundtrip.sh KIVRANO KIVRANO_CLI
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
command -v xdotool >/dev/null || { echo "xdotool is not installed: run scripts/deps.sh test" >&2; exit 1; }

home=$(mktemp -d)
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$home"; }
trap cleanup EXIT
export KIVRANO_HOME="$home" KIVRANO_CONFIG_DIR="$home/config"
mkdir -p "$home/Profiles"

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
not_running() { ! kill -0 "$1" 2>/dev/null; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.2; }

# First start: a new user "carol" with a password.
"$kivrano" & pid=$!
window "Select User" >/dev/null
keys alt+a
window "New User" >/dev/null
type_text "carol"; keys Tab; type_text "s3cret pw"; keys Tab; type_text "s3cret pw"; keys Return
# A new user signs in at once, into an empty vault under that name.
window "carol" >/dev/null
wait_until "the new profile's file was not written at once" test -s "$home/Profiles/carol.kvr"

# A folder, then an item in it with a title, an address, an ID and a password.
keys ctrl+Insert
window "Folder Name" >/dev/null
type_text "Bank"; keys Return
window "carol" >/dev/null
keys Insert
window "Add" >/dev/null
type_text "My Bank"; keys Tab; type_text "https://bank.example"; keys Tab
type_text "carol01"; keys Tab; type_text "pw-123"
keys Return
window "carol" >/dev/null
keys ctrl+s
wait_until "saving made no backup copy" test -s "$home/Profiles/carol (backup).kvr"
keys alt+f x
wait_until "the program did not end on Exit" not_running "$pid"
pid=""

listing=$(printf 's3cret pw\n' | "$cli" export --password-stdin --format text --non-empty "$home/Profiles/carol.kvr")
grep -q "^My Bank" <<<"$listing" || fail "the item is not in the saved file: $listing"
grep -q "ID:.carol01" <<<"$listing" || fail "the ID is not in the saved file: $listing"
printf 's3cret pw\n' | "$cli" ls --password-stdin "$home/Profiles/carol.kvr" | grep -q "^Bank" ||
  fail "the folder is not in the saved file"

# Second start: carol is offered first; sign in and find the vault.
"$kivrano" & pid=$!
window "Select User" >/dev/null
type_text "s3cret pw"; keys Return
window "carol - Kivrano" >/dev/null
# A second copy hands over to the running one and ends.
timeout 20 "$kivrano" || fail "a second copy did not end by itself"
window "carol - Kivrano" >/dev/null
keys alt+f x
wait_until "the program did not end on Exit" not_running "$pid"
pid=""
echo "desktop round trip: 1 passed, 0 failed"
