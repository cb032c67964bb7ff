#!/usr/bin/env bash
# Takes the README's pictures: starts Kivrano under a virtual display on a sample profile,
# signs in through the real Select User dialog, and saves PNGs of the Select User dialog,
# the main window, both pages of the item editor, Quick Find and Find into docs/.
# Needs: a built tree (scripts/run.sh or scripts/test.sh), xvfb, openbox, xdotool, imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ -z "${KIVRANO_IN_XVFB:-}" ]; then
  KIVRANO_IN_XVFB=1 exec tests/e2e/run-under-xvfb.sh "$0" "$@"
fi

build="${KIVRANO_BUILD_DIR:-build}"
pid=""
home=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$home"' EXIT
export KIVRANO_HOME="$home" KIVRANO_CONFIG_DIR="$home/config"
mkdir -p "$home/Profiles" "$home/config" docs

# A sample profile "alice" with the password "sample", written by the command-line companion.
"$build"/cli/kivrano-cli import --password-stdin tests/fixtures/sample-vault.json \
  "$home/Profiles/alice.kvr" <<<"sample" >/dev/null

shot() { # window-name-pattern file
  local id
  id=$(xdotool search --sync --onlyvisible --name "$1" | head -n 1)
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  sleep 0.7
  import -window "$id" "$2"
}

"$build"/desktop/kivrano &
pid=$!
dialog=$(xdotool search --sync --onlyvisible --name "Select User" | head -n 1)
xdotool windowactivate --sync "$dialog" 2>/dev/null || true
sleep 0.5
xdotool type --delay 40 "sample"
shot "Select User" docs/select-user.png
xdotool key Return
main=$(xdotool search --sync --onlyvisible --name "alice" | head -n 1)
xdotool windowsize "$main" 420 560
sleep 0.5
# Open the first folder and its first item in the editor.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key Right Down
sleep 0.3
shot "alice" docs/main-window.png
xdotool key Return
shot "View/Modify" docs/editor-page1.png
xdotool key ctrl+Tab
sleep 0.3
shot "View/Modify" docs/editor-page2.png
xdotool key Escape
sleep 0.3
# Quick Find with a few letters typed, then Find with its results.
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key ctrl+q
sleep 0.7
xdotool type --delay 60 "ma"
shot "Quick Find" docs/quick-find.png
xdotool key Escape
sleep 0.3
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key ctrl+f
sleep 0.7
xdotool type --delay 60 "mail"
xdotool key Return
shot "^Find$" docs/find.png
xdotool key Escape
sleep 0.3
echo "screenshots written to $root/docs"
