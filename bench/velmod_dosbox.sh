#!/usr/bin/env bash
# GET and PUT of one file through VELMOD.COM in DOSBox at 115200 bit/s, with and without /V:
# seconds from start to exit of velmo --batch, and the share of the 11 520 bytes/s the line
# carries that went to file bytes. DOSBox paces its serial line at the rate VELMOD sets.
#
#   bash bench/velmod_dosbox.sh [--build DIR] [--size BYTES]
#
# --build DIR    the build folder holding apps/velmo and dos/VELMOD.COM (default: build)
# --size BYTES   the file's size (default 1048576; each case then takes 1.5 to 3 minutes)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build
size=1048576
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --size) size=$2; shift 2 ;;
    *) echo "usage: bash bench/velmod_dosbox.sh [--build DIR] [--size BYTES]" >&2; exit 2 ;;
  esac
done
velmo=$build/apps/velmo
velmod=$build/dos/VELMOD.COM
for file in "$velmo" "$velmod"; do
  [ -e "$file" ] || { echo "velmod_dosbox.sh: $file is missing: build first" >&2; exit 2; }
done
for program in dosbox socat; do
  command -v "$program" >/dev/null || { echo "velmod_dosbox.sh: $program missing (scripts/setup-debian.sh)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/velmod-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/C" "$work/host/got"
cp "$velmod" "$work/C/VELMOD.COM"
head -c "$size" /dev/urandom > "$work/host/DATA.BIN"
cp "$work/host/DATA.BIN" "$work/C/SRC.BIN"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
socat -d -d "pty,raw,echo=0,link=$work/COM1" "tcp-listen:$port,bind=127.0.0.1,reuseaddr" \
  2>"$work/socat.log" &
pids+=($!)
until grep -q "listening on" "$work/socat.log"; do sleep 0.1; done
cat > "$work/dosbox.conf" <<CONF
[sdl]
output=surface
[cpu]
core=normal
cycles=max
[mixer]
nosound=true
[serial]
serial1=nullmodem server:127.0.0.1 port:$port transparent:1
[autoexec]
mount c $work/C
c:
VELMOD.COM /B:115200
CONF
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy dosbox -conf "$work/dosbox.conf" -noconsole \
  >"$work/dosbox.log" 2>&1 &
pids+=($!)

cd "$work/host"
# VELMOD is serving once a command is answered; until then the frame is lost in the emulated UART.
printf 'COM1=%s\r\nBAUDRATE=115200\r\nTIMEOUT=2\r\n' "$work/COM1" > PRM232C.TXT
for _ in $(seq 30); do
  printf 'cd\n' | "$velmo" --batch >/dev/null 2>&1 && break
done
printf 'COM1=%s\r\nBAUDRATE=115200\r\nTIMEOUT=10\r\n' "$work/COM1" > PRM232C.TXT

line_bytes_per_second=11520
printf '%-10s %10s %10s %10s %8s  %s\n' Case Payload Seconds Bytes/s Share Result
run_case() {
  local name=$1 command=$2 arrived=$3
  local log=$work/case-${name//[^A-Za-z]/}.log
  rm -f "$arrived"
  local start end
  start=$(date +%s.%N)
  local result=ok
  printf '%s\n' "$command" | "$velmo" --batch >"$log" 2>&1 || result="velmo failed"
  end=$(date +%s.%N)
  if [ "$result" = ok ] && ! cmp -s DATA.BIN "$arrived"; then result="file differs"; fi
  awk -v n="$name" -v b="$size" -v s="$start" -v e="$end" -v r="$result" -v l="$line_bytes_per_second" \
    'BEGIN { t = e - s; printf "%-10s %10d %10.1f %10.0f %7.1f%%  %s\n", n, b, t, b / t, 100 * b / t / l, r }'
}
run_case PUT "#PUT DATA.BIN P1.BIN" "$work/C/P1.BIN"
run_case "PUT /V" "#PUT DATA.BIN P2.BIN /V" "$work/C/P2.BIN"
run_case GET "#GET SRC.BIN got/G1.BIN" got/G1.BIN
run_case "GET /V" "#GET SRC.BIN got/G2.BIN /V" got/G2.BIN
