#!/usr/bin/env bash
# A data file fetched from a web server, end to end: on Select User open the Network dialog,
# download by Server Access ID and e-mail from the data server, then from the address of a
# vault file, both served on the loopback interface; after Close "from_network" is listed,
# selected, and signs in with the last file's password. Signed in, the upload command writes
# the upload page and opens it in the built-in browser.
# Runs inside run-under-xvfb.sh. Usage: desktop_network.sh KIVRANO KIVRANO_CLI PYTHON SERVER
set -euo pipefail
source "$(dirname "$0")/desktop_lib.sh"
kivrano=$1
cli=$2
python=$3
server_script=$4
command -v xdotool >/dev/null || { echo "xdotool is not installed: run scripts/deps.sh test" >&2; exit 1; }

begin_work
mkdir -p "$work/served"

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.2; }

# The file on the server, and a profile of another user that would be selected by default.
cat >"$work/vault.json" <<JSON
{"folders": [{"name": "Web", "unprotected": 0, "items": [{"title": "From afar", "address": "https://far.example"}]}]}
JSON
printf 'net pw 1\n' | "$cli" import --password-stdin "$work/vault.json" "$work/served/my data.kvr" >/dev/null
printf 'zed pw\n' | "$cli" import --password-stdin "$work/vault.json" "$KIVRANO_HOME/Profiles/zed.kvr" >/dev/null
# On the data server, under the ID joe and the e-mail joe@mail.example (the second name asked).
printf 'joe pw\n' | "$cli" import --password-stdin "$work/vault.json" "$work/served/joe=joe@mail.example.kvr" >/dev/null

"$python" "$server_script" --root "$work/served" --log "$work/served/requests.log" >"$work/port" &
pids+=($!)
wait_until "the test server did not start" grep -q '^PORT ' "$work/port"
port=$(sed -n 's/^PORT //p' "$work/port")

cat >"$KIVRANO_CONFIG_DIR/Kivrano.ini" <<INI
[General]
DefaultUser=zed

[Network]
UploadEndpoint=http://127.0.0.1:$port/upload
PrimaryServerBase=http://127.0.0.1:$port/files/
INI

record_browser

"$kivrano" & pid=$!
pids+=($pid)
window "Select User" >/dev/null

# From the data server, by Server Access ID and e-mail.
keys alt+n
window "Network" >/dev/null
keys alt+i; type_text "joe"
keys alt+p; type_text "joe@mail.example"
keys Return
window "Kivrano" >/dev/null  # the message that it worked
cmp -s "$work/served/joe=joe@mail.example.kvr" "$KIVRANO_HOME/Profiles/from_network.kvr" ||
  fail "the file from the data server is not the one served"
keys Return
keys alt+c
window "Select User" >/dev/null

# From another location; the earlier download is kept as the backup copy.
keys alt+n
window "Network" >/dev/null
keys alt+s
type_text "http://127.0.0.1:$port/files/my%20data.kvr"
keys Return
window "Kivrano" >/dev/null  # the message that it worked
cmp -s "$work/served/my data.kvr" "$KIVRANO_HOME/Profiles/from_network.kvr" ||
  fail "the downloaded file is not the one served"
cmp -s "$work/served/joe=joe@mail.example.kvr" "$KIVRANO_HOME/Profiles/from_network (backup).kvr" ||
  fail "the earlier download was not kept as the backup copy"
keys Return
keys alt+c
window "Select User" >/dev/null
# from_network is selected now: its password signs in.
type_text "net pw 1"; keys Return
window "from_network - Kivrano" >/dev/null
grep -q '^NetworkAddress=http://127.0.0.1' "$KIVRANO_CONFIG_DIR/Kivrano.ini" ||
  fail "the address was not remembered"
grep -q '^UserId=joe$' "$KIVRANO_CONFIG_DIR/Kivrano.ini" || fail "the ID was not remembered"
grep -qx '/files/joe_joe@mail.example.bin' "$work/served/requests.log" ||
  fail "the data server was not asked for the .bin name first"

# Upload with the built-in browser: the page names the signed-in file.
keys ctrl+i
wait_until "the browser was not asked to open the upload page" test -s "$work/opened"
grep -qx "file://$KIVRANO_HOME/upload.htm" "$work/opened" || fail "the browser opened $(cat "$work/opened")"
grep -q "ACTION=\"http://127.0.0.1:$port/upload\"" "$KIVRANO_HOME/upload.htm" || fail "the page posts elsewhere"
grep -q "$KIVRANO_HOME/Profiles/from_network.kvr</font>" "$KIVRANO_HOME/upload.htm" ||
  fail "the page does not name the data file"

keys alt+f x
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end on Exit"
echo "desktop network: 1 passed, 0 failed"
