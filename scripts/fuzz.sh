#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/) and runs each one from its seed
# corpus for a bounded time. Fails on any crash, sanitizer report or hang.
#   scripts/fuzz.sh            10 seconds per target (what CI runs)
#   scripts/fuzz.sh 600        ten minutes per target
# Inputs found on the way are kept in build-fuzz/corpus/<target>/; a failing input is written
# to build-fuzz/crashes/ and its log to build-fuzz/logs/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [seconds-per-target]  (a whole number of seconds, at least 1)" >&2
  exit 2
fi
if ! command -v clang++ >/dev/null; then
  echo "scripts/fuzz.sh needs clang (Debian: apt-get install clang)" >&2
  exit 2
fi

dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DVELMO_FUZZ=ON -DVELMO_WINDOW=OFF \
  -DVELMO_TESTS=OFF >/dev/null
targets=(response get put prm text_line errlog command dos_engine)
cmake --build "$dir" -j2 --target "${targets[@]/#/fuzz_}"

# The line reader reads byte by byte for each of its 129 buffer sizes: small files suffice.
declare -A max_len=([text_line]=512)
mkdir -p "$dir/crashes" "$dir/logs"
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$target"
  log="$dir/logs/$target.log"
  echo "fuzz_$target: ${seconds}s"
  if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="${max_len[$target]:-8192}" -artifact_prefix="$dir/crashes/$target-" \
      -print_final_stats=1 "$dir/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    failed+=("$target")
    grep -E 'ERROR|fuzz check failed|runtime error|Test unit written' "$log" | head -20 >&2 || true
  fi
  grep -E '^stat::number_of_executed_units' "$log" || true
done
if ((${#failed[@]})); then
  echo "fuzzing failed for: ${failed[*]} (logs in $dir/logs/, inputs in $dir/crashes/)" >&2
  exit 1
fi
echo "fuzzing: all ${#targets[@]} targets ran ${seconds}s each without a finding"
