#!/usr/bin/env bash
# Takes docs/screenshot.png: starts `velmo --demo` on a virtual X display, types a few commands
# as a user would (dir, a Japanese file shown with type, a #GET with verification), and
# captures the window.
#   scripts/screenshot.sh [build-folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
velmo=$repo/$build/apps/velmo
[ -x "$velmo" ] || { echo "screenshot: $velmo not found; build first (scripts/build.sh)" >&2; exit 1; }
for tool in xvfb-run xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool missing; run scripts/setup-debian.sh" >&2; exit 1; }
done

if [ -z "${SCREENSHOT_INNER:-}" ]; then
  # Run again inside a fresh virtual display with a temporary working directory, so that the
  # #GET copy and the remembered window position stay out of the user's way.
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  SCREENSHOT_INNER=1 HOME=$work XDG_CONFIG_HOME=$work/config \
    xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$work"
  echo "screenshot: wrote docs/screenshot.png"
  exit 0
fi

work=$2
cd "$work"
unset QT_QPA_PLATFORM
"$velmo" --demo &
velmo_pid=$!
trap 'kill "$velmo_pid" 2>/dev/null || true; wait "$velmo_pid" 2>/dev/null || true' EXIT

window=$(xdotool search --sync --onlyvisible --name "MS-DOS" | head -n 1)
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool mousemove --window "$window" 300 300

send() {  # types a line and presses Enter, then gives the command time to finish
  xdotool type --delay 40 "$1"
  xdotool key Return
  sleep "$2"
}
send "ver" 1
send "dir" 2
send "type 日本語.txt" 2
send "#GET DATA.BIN /V" 3

import -window "$window" "$repo/docs/screenshot.png"
