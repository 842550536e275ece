#!/usr/bin/env bash
# Takes docs/screenshot.png and docs/screenshot-2x.png: starts `velmo --demo` on a virtual X
# display, types a few commands as a user would (dir, a Japanese file shown with type, a #GET
# with verification), and captures the window. The second picture is taken at a scale of 2,
# with a reading being composed in the input method (ibus with Anthy) at the prompt.
#   scripts/screenshot.sh [build-folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
velmo=$repo/$build/apps/velmo
[ -x "$velmo" ] || { echo "screenshot: $velmo not found; build first (scripts/build.sh)" >&2; exit 1; }
for tool in xvfb-run xdotool import dbus-run-session ibus-daemon; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool missing; run scripts/setup-debian.sh" >&2; exit 1; }
done

if [ -z "${SCREENSHOT_INNER:-}" ]; then
  # Run again inside a fresh virtual display and session bus with a temporary working
  # directory, so that the #GET copy, the remembered window position and the input method's
  # settings stay out of the user's way.
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  SCREENSHOT_INNER=1 HOME=$work XDG_CONFIG_HOME=$work/config \
    xvfb-run -a -s "-screen 0 1800x1300x24" dbus-run-session -- "$0" "$build" "$work"
  echo "screenshot: wrote docs/screenshot.png and docs/screenshot-2x.png"
  exit 0
fi

work=$2
cd "$work"
unset QT_QPA_PLATFORM
# The input method's engines are system Python programs: the system's python3 comes first.
export PATH=/usr/bin:/bin:$PATH
velmo_pid=""
ibus_engine() {  # waits for the input method daemon to take the engine
  for _ in $(seq 50); do
    ibus engine "$1" 2>/dev/null || true
    [ "$(ibus engine 2>/dev/null)" = "$1" ] && return 0
    sleep 0.2
  done
  echo "screenshot: ibus did not take the engine $1" >&2
  exit 1
}
stop_velmo() {
  [ -n "$velmo_pid" ] || return 0
  kill "$velmo_pid" 2>/dev/null || true
  wait "$velmo_pid" 2>/dev/null || true
  velmo_pid=""
}
trap 'stop_velmo; ibus exit 2>/dev/null || true' EXIT

# Anthy starts in hiragana, as a Japanese user has it, not in its default Latin mode.
gsettings set org.freedesktop.ibus.engine.anthy.common input-mode 0
ibus-daemon --daemonize --replace --panel=disable --cache=refresh
ibus_engine xkb:us::eng

send() {  # types a line and presses Enter, then gives the command time to finish
  xdotool type --delay 40 "$1"
  xdotool key Return
  sleep "$2"
}

# shoot SCALE FILE [READING]: a session at that scale; READING is typed in Anthy at the end.
shoot() {
  rm -rf "$work/DATA.BIN"
  QT_SCALE_FACTOR=$1 QT_IM_MODULE=ibus "$velmo" --demo &
  velmo_pid=$!
  local window
  window=$(xdotool search --sync --onlyvisible --name "MS-DOS" | head -n 1)
  sleep 1
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool mousemove --window "$window" 300 300
  send "ver" 1
  send "dir" 2
  send "type 日本語.txt" 2
  send "#GET DATA.BIN /V" 3
  if [ -n "${3:-}" ]; then
    xdotool type --delay 40 "type "
    ibus_engine anthy
    xdotool type --delay 80 "$3"
    sleep 1
  fi
  import -window "$window" "$repo/docs/$2"
  stop_velmo
  ibus_engine xkb:us::eng
}

shoot 1 screenshot.png
shoot 2 screenshot-2x.png nihongo
