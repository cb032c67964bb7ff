#!/usr/bin/env bash
# The layering check itself must catch what it is for: a small tree with one fault of each
# kind is refused, each fault named.
set -uo pipefail
check=${1:?usage: check_layering_fails.sh CHECK_LAYERING}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{vault,launch,app,ui,platform/x11,platform/wayland,cli}
printf '#include <QString>\n' >"$tree/vault/A.h"
printf '#include "platform/qt/QtShell.h"\n' >"$tree/launch/B.h"
printf '#include "ui/CMainFrame.h"\n' >"$tree/app/C.h"
printf '#include <X11/Xlib.h>\n' >"$tree/ui/D.h"
printf '#include <X11/Xlib.h>\n' >"$tree/platform/x11/Fine.cpp"
printf '#include <X11/Xlib.h>\n' >"$tree/platform/wayland/E.h"
printf '#include <xkbcommon/xkbcommon.h>\n' >"$tree/app/F.h"
printf '#include <wayland-client.h>\n' >"$tree/launch/G.h"
printf '#include <xkbcommon/xkbcommon.h>\n#include <wayland-client.h>\n' >"$tree/platform/wayland/Fine.h"
printf 'int unused;\n' >"$tree/cli/Lost.cpp"
printf 'add_library(x STATIC Listed.cpp)\n' >"$tree/cli/CMakeLists.txt"
printf 'add_library(y STATIC Fine.cpp)\n' >"$tree/platform/x11/CMakeLists.txt"

output=$("$check" "$tree" 2>&1) && { echo "the check passed a faulty tree" >&2; exit 1; }
status=0
for expected in "vault/A.h:1:" "launch/B.h:1:" "app/C.h:1:" "ui/D.h:1:" \
                "platform/wayland/E.h:1:" "app/F.h:1:" "launch/G.h:1:" \
                "cli/Lost.cpp: not named" "8 problem(s)"; do
  grep -qF "$expected" <<<"$output" || { echo "not reported: $expected" >&2; status=1; }
done
grep -qE "platform/(x11/Fine.cpp|wayland/Fine.h)" <<<"$output" && { echo "refused a sound file" >&2; status=1; }
[ "$status" = 0 ] && echo "layering check: refuses each kind of fault"
exit "$status"
