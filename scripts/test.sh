#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh             the normal build, in build/
#   scripts/test.sh --sanitize  the AddressSanitizer + UndefinedBehaviorSanitizer build, in build-asan/
#                               (without the DOSBox, real-DOS and PC-98 tests: VELMOD.COM is the same in both builds)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  bash scripts/build.sh "$dir" -DVELMO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DVELMO_BENCH=ON
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  exclude=(-LE "dosbox|realdos|pc98")
else
  dir=build
  bash scripts/build.sh "$dir" -DVELMO_BENCH=ON
  exclude=()
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j2 "${exclude[@]}"
