#!/usr/bin/env bash
# Builds the Debian package build/kivrano_<version>_<arch>.deb from the build tree (made
# first when there is none), with its library dependencies computed from the binaries.
# Install it with:  sudo apt install ./build/kivrano_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVRANO_BUILD_TESTS=OFF
fi
cmake --build build -j"${KIVRANO_JOBS:-2}"
cpack --config build/CPackConfig.cmake -B build
ls build/kivrano_*.deb
