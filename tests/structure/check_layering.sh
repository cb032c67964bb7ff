#!/usr/bin/env bash
# The layering rules of the source tree, made executable:
#   vault/    the standard library (and POSIX) only: no Qt, no other folder of ours
#   cli/      vault/ and itself, no Qt
#   platform/ interfaces at the top that know vault/ and each other only; backends below
#   launch/   vault/ and the platform interfaces, no Qt and no backend
#   app/      anything below it, never ui/ or desktop/
#   net/, phone/  vault/ and platform/, never app/, ui/ or desktop/
#   ui/       never desktop/ or a platform backend of the window system (x11, wayland, kwin)
#   X11 headers only inside platform/x11/ sources; xkbcommon also in the Wayland and portal
#   backends (platform/wayland/, platform/portal/) and the Wayland backend's tests; the
#   wayland-client headers only in platform/wayland/
# and every source file of a folder is built: named in its folder's CMakeLists.txt.
# Usage: check_layering.sh SOURCE_ROOT
set -uo pipefail
root=${1:?usage: check_layering.sh SOURCE_ROOT}
cd "$root" || exit 2
problems=0

report() {
  echo "$1" >&2
  problems=$((problems + 1))
}

# Prints "file:line:include" for every include of the files given that matches a pattern.
includes_matching() {
  local pattern=$1
  shift
  [ $# -eq 0 ] && return 0
  grep -HnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*${pattern}" "$@" 2>/dev/null
}

sources_of() { # folder [maxdepth]
  find "$1" -maxdepth "${2:-10}" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort
}

forbid() { # rule text, pattern, files...
  local rule=$1 pattern=$2
  shift 2
  local hit
  while IFS= read -r hit; do
    [ -n "$hit" ] && report "$hit: $rule"
  done < <(includes_matching "$pattern" "$@")
}

mapfile -t vault < <(sources_of vault)
mapfile -t cli < <(sources_of cli)
mapfile -t interfaces < <(sources_of platform 1)
mapfile -t launch < <(sources_of launch)
mapfile -t app < <(sources_of app)
mapfile -t netphone < <(sources_of net; sources_of phone)
mapfile -t ui < <(sources_of ui)
mapfile -t all < <(for d in vault cli platform launch app net phone ui desktop tests bench; do sources_of "$d"; done)
mapfile -t outside_x11 < <(printf '%s\n' "${all[@]}" | grep -v '^platform/x11/')
mapfile -t outside_xkb < <(printf '%s\n' "${all[@]}" |
  grep -vE '^(platform/(x11|wayland|portal)|tests/unit/platform/wayland)/')
mapfile -t outside_wayland < <(printf '%s\n' "${all[@]}" | grep -v '^platform/wayland/')

forbid "vault/ uses nothing of ours above it and no Qt" \
  '("(platform|launch|app|ui|desktop|net|phone|cli)/|<Q)' "${vault[@]}"
forbid "cli/ uses only vault/ and no Qt" '("(platform|launch|app|ui|desktop|net|phone)/|<Q)' "${cli[@]}"
forbid "the platform interfaces know vault/ and each other only" \
  '("(platform/[a-z]+/|launch|app|ui|desktop|net|phone|cli)/?|<Q)' "${interfaces[@]}"
forbid "launch/ uses vault/ and the platform interfaces only, no Qt" \
  '("(platform/[a-z]+/|app|ui|desktop|net|phone|cli)/?|<Q)' "${launch[@]}"
forbid "app/ never uses ui/ or desktop/" '"(ui|desktop)/' "${app[@]}"
forbid "net/ and phone/ never use app/, ui/ or desktop/" '"(app|ui|desktop)/' "${netphone[@]}"
forbid "ui/ never uses desktop/ or a window-system backend" '"(desktop|platform/x11|platform/wayland|platform/kwin)/' \
  "${ui[@]}"
forbid "X11 headers belong inside platform/x11/" '<X11/' "${outside_x11[@]}"
forbid "xkbcommon belongs inside the keyboard backends (platform/x11, wayland, portal)" \
  '<xkbcommon/' "${outside_xkb[@]}"
forbid "wayland-client headers belong inside platform/wayland/" \
  '[<"](wayland-[a-z-]+|[a-z-]+-client-protocol)\.h' "${outside_wayland[@]}"

# Every source file is built: its folder's CMakeLists.txt (or the tests' one) names it.
while IFS= read -r file; do
  dir=$(dirname "$file")
  name=$(basename "$file")
  listed=0
  for lists in "$dir/CMakeLists.txt" "$(dirname "$dir")/CMakeLists.txt" tests/CMakeLists.txt; do
    if [ -f "$lists" ] && grep -qE "(^|[[:space:]/(])${name//./\\.}([[:space:])]|$)" "$lists"; then
      listed=1
      break
    fi
  done
  [ "$listed" = 1 ] || report "$file: not named in any CMakeLists.txt, so it is never built"
done < <(printf '%s\n' "${all[@]}" | grep '\.cpp$')

if [ "$problems" -ne 0 ]; then
  echo "layering: $problems problem(s)" >&2
  exit 1
fi
echo "layering: ${#all[@]} files follow the rules"
