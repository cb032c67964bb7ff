#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the unit tests, the
# vault tests again under AddressSanitizer + UndefinedBehaviorSanitizer, and a short run of
# the vault reader's fuzzer where the compiler supports it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs="${KIVRANO_JOBS:-2}"
passed=0
failed=0
# Runs ctest and adds its counts to the summary printed at the end.
run_ctest() {
  local log
  log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log"
  local line
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -n 1 || true)
  rm -f "$log"
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
}

echo "== Source format"
# The repository's .clang-format over every C++ source; a difference fails the run.
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build\* -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
clang-format --dry-run -Werror "${sources[@]}"
echo "format: ${#sources[@]} files as .clang-format has them"

echo "== Build and unit tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVRANO_BUILD_TESTS=ON -DKIVRANO_WERROR=ON
cmake --build build -j"$jobs"
run_ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Vault and command-line tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVRANO_SANITIZE=ON -DKIVRANO_VAULT_ONLY=ON -DKIVRANO_WERROR=ON
cmake --build build-asan -j"$jobs" --target kivrano_vault_tests kivrano_cli_tests kivrano-cli
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest --test-dir build-asan --output-on-failure -j"$jobs" -L "vault|cli"

if echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o /tmp/kivrano-fuzz-probe 2>/dev/null; then
  echo "== Fuzzing the vault reader (${KIVRANO_FUZZ_SECONDS:-30} s)"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKIVRANO_BUILD_FUZZ=ON -DKIVRANO_BUILD_TESTS=OFF -DKIVRANO_VAULT_ONLY=ON -DKIVRANO_WERROR=ON \
    -DKIVRANO_FUZZ_SECONDS="${KIVRANO_FUZZ_SECONDS:-30}"
  cmake --build build-fuzz -j"$jobs" --target kivrano_fuzz_vault_reader
  run_ctest --test-dir build-fuzz --output-on-failure
else
  echo "== clang with libFuzzer not available: fuzzing skipped"
fi

echo
echo "summary: $passed passed, $failed failed"
