#!/usr/bin/env bash
# Checks that the build enforces the layers: each probe under tests/layers includes a header
# its library must not see, and must fail to build for that reason; the control must build.
#   scripts/layer-check.sh [build folder]   (default build/, configured if it is not)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
[ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja >/dev/null
failed=0
for probe in tests/layers/*.cpp; do
  name=$(basename "$probe" .cpp)
  header=$(sed -n 's/^#include "\(.*\)"/\1/p' "$probe")
  if output=$(cmake --build "$dir" --target "layer_probe_$name" 2>&1); then
    built=yes
  else
    built=no
  fi
  if [ "$name" = files_uses_base ]; then
    if [ $built = no ]; then
      echo "layer-check: the control $name does not build:" >&2
      echo "$output" >&2
      failed=1
    else
      echo "layer-check: the control $name builds"
    fi
  elif [ $built = yes ]; then
    echo "layer-check: $name builds, so its library can include $header" >&2
    failed=1
  elif ! grep -q "$header: No such file" <<<"$output"; then
    echo "layer-check: $name fails for another reason than $header:" >&2
    echo "$output" >&2
    failed=1
  else
    echo "layer-check: $name refused ($header not found)"
  fi
done
exit $failed
