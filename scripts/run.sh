#!/usr/bin/env bash
# Installs what is missing, builds Kivrano and starts it. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVRANO_BUILD_TESTS=OFF
cmake --build build -j"${KIVRANO_JOBS:-2}"
if [ -x build/desktop/kivrano ]; then
  exec build/desktop/kivrano "$@"
fi
# Until the desktop program is built, the command-line companion is the program.
if [ $# -eq 0 ]; then set -- --help; fi
exec build/cli/kivrano-cli "$@"
