#!/usr/bin/env bash
# Transfer efficiency of velmo on a paced line, with lrzsz's ZMODEM (sz -> rz) on the same
# kind of line beside it, and the unpaced rate with a profile of where velmo's time goes.
#
#   bash bench/transfer.sh [--build DIR] [--report FILE] [--quick] [--no-profile]
#
# --build DIR   the build folder holding apps/velmo, apps/velmo-dos and bench/ (default: build)
# --report FILE write the results as Markdown to FILE as well as to standard output
# --quick       small files, to check the harness in a minute or two (figures not meaningful)
# --no-profile  skip the profile of the unpaced transfer
#
# See bench/README.md for what each column means. The full run takes about an hour.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build
report=""
quick=0
profile=1
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --report) report=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    --no-profile) profile=0; shift ;;
    *) echo "usage: bash bench/transfer.sh [--build DIR] [--report FILE] [--quick] [--no-profile]" >&2
       exit 2 ;;
  esac
done

velmo=$build/apps/velmo
dos=$build/apps/velmo-dos
relay=$build/bench/bench_line_relay
timed=$build/bench/bench_timed_run
for program in "$velmo" "$dos" "$relay" "$timed"; do
  if [ ! -x "$program" ]; then
    echo "transfer.sh: $program is missing; build first:" >&2
    echo "  cmake -S . -B $build -G Ninja -DVELMO_BENCH=ON && cmake --build $build --target velmo velmo-dos bench_line_relay bench_timed_run" >&2
    exit 2
  fi
done
for program in sz rz; do
  command -v "$program" >/dev/null || { echo "transfer.sh: $program missing (apt-get install lrzsz)" >&2; exit 2; }
done

# The cases: rate (bits per second, 0 = unpaced) and payload bytes.
if [ $quick -eq 1 ]; then
  paced_cases=("115200 65536" "9600 8192")
  unpaced_size=$((1 << 20))
else
  paced_cases=("115200 1048576" "9600 262144")
  unpaced_size=$((16 << 20))
fi

work=$(mktemp -d /tmp/velmo-bench.XXXXXX)
dos_pid=""
dos_kills=0
stop_dos() {
  [ -n "$dos_pid" ] || return 0
  kill -TERM "$dos_pid" 2>/dev/null || true
  for _ in $(seq 60); do
    kill -0 "$dos_pid" 2>/dev/null || break
    sleep 0.05
  done
  # velmo-dos must end on SIGTERM; where it does not, it is killed and the report says so.
  if kill -0 "$dos_pid" 2>/dev/null; then
    dos_kills=$((dos_kills + 1))
    pkill -KILL -P "$dos_pid" || true
  fi
  wait "$dos_pid" 2>/dev/null || true
  dos_pid=""
}
cleanup() {
  stop_dos
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/dos" "$work/host/src" "$work/host/out" "$work/zmodem/in" "$work/zmodem/out"
paced_rows=$work/paced.tsv
dos_paced_rows=$work/dos_paced.tsv
unpaced_rows=$work/unpaced.tsv
: >"$paced_rows"
: >"$dos_paced_rows"
: >"$unpaced_rows"
failures=0

say() { echo "transfer.sh: $*" >&2; }

# A field of a key=value report line.
field() { sed -n "s/.*\\b$2=\\([^ ]*\\).*/\\1/p" "$1"; }

# Arithmetic with decimals.
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

human_size() {
  if [ $(($1 % 1048576)) -eq 0 ]; then echo "$(($1 / 1048576)) MiB"; else echo "$(($1 / 1024)) KiB"; fi
}

# The best efficiency the wire format allows, per block of 4096 payload bytes. A block is
# 12 head bytes + 4096 (4108 on the line). Without verification: block, then 1 ACK. With /V:
# block, its echo (4108 back), the verdict (1), the final ACK (1); each waits for the one before.
best_efficiency() {
  if [ "$1" = "/V" ]; then calc "%.6f" "4096 / (2 * 4108 + 2)"; else calc "%.6f" "4096 / (4108 + 1)"; fi
}

random_file() { head -c "$2" /dev/urandom >"$1"; }

start_dos() {
  local rate=$1
  local args=(--root "$work/dos" --pty "$work/line" --timeout 60)
  [ "$rate" -gt 0 ] && args+=(--line-rate "$rate")
  rm -f "$work/line"
  "$timed" "$work/dos.time" "$dos" "${args[@]}" 2>>"$work/dos.log" &
  dos_pid=$!
  for _ in $(seq 100); do
    [ -e "$work/line" ] && break
    sleep 0.05
  done
  [ -e "$work/line" ] || { say "velmo-dos did not start; see its log:"; cat "$work/dos.log" >&2; exit 1; }
  # velmo reads its port and speed from PRM232C.TXT in its working directory.
  printf 'COM1=%s\r\nBAUDRATE=%s\r\n' "$work/line" "$((rate > 0 ? rate : 115200))" >"$work/host/PRM232C.TXT"
}

# The file and command of a velmo case: direction (GET or PUT), payload bytes, "" or "/V".
prepare_case() {
  local direction=$1 size=$2 verify=$3
  if [ "$direction" = GET ]; then
    name=G$((size / 1024))K.BIN
    sent=$work/dos/$name
    arrived=$work/host/out/$name
    command="#GET $name out/"
  else
    name=P$((size / 1024))K.BIN
    sent=$work/host/src/$name
    arrived=$work/dos/$name
    command="#PUT src/$name"
  fi
  [ -n "$verify" ] && command="$command $verify"
  [ -f "$sent" ] || random_file "$sent" "$size"
  rm -f "$arrived"
}

# velmo-dos paces its end of the line itself (--line-rate RATE; 0 = unpaced).
run_paced_by_dos() {
  local rate=$1
  start_dos "$rate"
  (cd "$work/host" && printf '%s\n' "$command" |
    "$timed" "$work/velmo.time" "$velmo" --batch >"$work/velmo.out" 2>>"$work/velmo.err") || status=$?
  stop_dos
  line_bytes=""
}

# bench_line_relay paces the line: velmo-dos runs unpaced on the left pseudo-terminal, velmo
# opens the right one (through /proc, as the shell there holds it on its standard input).
run_paced_by_relay() {
  local rate=$1 size=$2
  rm -f "$work/dos.log"
  "$relay" --rate "$rate" --limit $((size * 10 / rate * 3 + 120)) \
    --left "echo \$\$ >'$work/dos.pid'; exec '$timed' '$work/dos.time' '$dos' --root '$work/dos' --device /dev/stdin --baud $rate --timeout 60 2>'$work/dos.log'" \
    --right "cd '$work/host' && until grep -q serving '$work/dos.log' 2>/dev/null; do sleep 0.01; done
      printf 'COM1=/proc/%s/fd/0\r\nBAUDRATE=%s\r\n' \$\$ $rate >PRM232C.TXT
      printf '%s\n' '$command' | '$timed' '$work/velmo.time' '$velmo' --batch >'$work/velmo.out' 2>>'$work/velmo.err'
      status=\$?; kill -TERM \$(cat '$work/dos.pid'); exit \$status" >"$work/relay.out" || true
  status=$(field "$work/relay.out" right_status)
  [ "$(field "$work/relay.out" timed_out)" = 0 ] || status="timed out"
  line_bytes="$(field "$work/relay.out" right_to_left)/$(field "$work/relay.out" left_to_right)"
}

# One velmo transfer: pacer (relay or dos), direction, payload bytes, rate (0 = unpaced),
# "" or "/V", and the table it goes to. A row: kind, pacer, rate, direction, verify, bytes,
# seconds, velmo cpu, velmo-dos cpu, line bytes (velmo to DOS / back), result.
velmo_case() {
  local pacer=$1 direction=$2 size=$3 rate=$4 verify=$5 table=$6
  local name sent arrived command status=0 line_bytes
  prepare_case "$direction" "$size" "$verify"
  say "velmo $command, $([ "$rate" -gt 0 ] && echo "$rate bit/s paced by $pacer" || echo unpaced)"
  rm -f "$work/velmo.time" "$work/dos.time"
  if [ "$pacer" = relay ]; then run_paced_by_relay "$rate" "$size"; else run_paced_by_dos "$rate"; fi

  local result=ok
  if [ "$status" != 0 ]; then
    result="FAILED (velmo: $status; $(tail -n 1 "$work/velmo.out" | tr -d '\r'))"
  elif ! cmp -s "$sent" "$arrived"; then
    result="FAILED (file differs)"
  fi
  [ "$result" = ok ] || failures=$((failures + 1))
  local velmo_cpu dos_cpu
  velmo_cpu=$(calc "%.3f" "$(field "$work/velmo.time" user) + $(field "$work/velmo.time" system)")
  dos_cpu=$(calc "%.3f" "$(field "$work/dos.time" user) + $(field "$work/dos.time" system)")
  printf 'velmo\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$pacer" "$rate" "$direction" \
    "${verify:--}" "$size" "$(field "$work/velmo.time" seconds)" "$velmo_cpu" "$dos_cpu" \
    "${line_bytes:--}" "$result" >>"$table"
  rm -f "$arrived"
}

# sz -> rz over the relay at the same rate, with the same kind of file. The transfer is complete
# when sz has ended (rz has closed the file before it answers sz's ZFIN); rz itself may linger
# because a pseudo-terminal drops the "OO" sz writes as it exits.
zmodem_case() {
  local size=$1 rate=$2
  local name=Z$((size / 1024))K.BIN
  local limit=$((size * 10 / rate * 2 + 60))
  random_file "$work/zmodem/in/$name" "$size"
  rm -f "$work/zmodem/out/$name"
  say "sz -> rz of $(human_size "$size") at $rate bit/s"
  local status=0
  "$relay" --rate "$rate" --limit $limit \
    --left "cd '$work/zmodem/in' && exec sz -q '$name' 2>>'$work/zmodem.err'" \
    --right "cd '$work/zmodem/out' && exec rz -q -y 2>>'$work/zmodem.err'" >"$work/relay.out" || status=$?
  local result=ok sz_status
  sz_status=$(field "$work/relay.out" left_status)
  if [ "$(field "$work/relay.out" timed_out)" = 1 ] && [ "$sz_status" != 0 ]; then
    result="FAILED (no end within $limit s)"
  elif [ "$sz_status" != 0 ]; then
    result="FAILED (sz exit $sz_status)"
  elif ! cmp -s "$work/zmodem/in/$name" "$work/zmodem/out/$name"; then
    result="FAILED (file differs)"
  elif [ $status -ne 0 ]; then
    result="ok (rz ended $(field "$work/relay.out" right_seconds) s after the start, status $(field "$work/relay.out" right_status))"
  fi
  local cpu
  cpu=$(calc "%.3f" "$(field "$work/relay.out" left_cpu) + $(field "$work/relay.out" right_cpu)")
  printf 'zmodem\trelay\t%s\tsz -> rz\t-\t%s\t%s\t%s\t-\t%s/%s\t%s\n' "$rate" "$size" \
    "$(field "$work/relay.out" left_seconds)" "$cpu" "$(field "$work/relay.out" left_to_right)" \
    "$(field "$work/relay.out" right_to_left)" "$result" >>"$paced_rows"
  rm -f "$work/zmodem/in/$name" "$work/zmodem/out/$name"
}

# Where velmo's time goes on an unpaced GET: the wall time by system call (perf trace), and the
# processor time by function (perf's sampling profile, or callgrind's where perf cannot sample).
profile_unpaced() {
  local size=$1 name=G$(($1 / 1024))K.BIN
  local command="#GET $name out/"
  say "profile of velmo $command, unpaced"
  if perf trace -s -o "$work/trace.txt" -- true >/dev/null 2>&1; then
    start_dos 0
    (cd "$work/host" && printf '%s\n' "$command" |
      perf trace -s -o "$work/trace.txt" -- "$velmo" --batch >/dev/null 2>"$work/perf.err") || true
    stop_dos
    echo "Wall time of velmo by system call (\`perf trace -s\`, which slows every call a little):"
    echo
    echo '```'
    sed -n '/syscall/,$p' "$work/trace.txt" | head -n 8
    echo '```'
    echo
  fi
  start_dos 0
  if perf record -e cpu-clock -g -o "$work/perf.data" -- true >/dev/null 2>&1; then
    (cd "$work/host" && printf '%s\n' "$command" |
      perf record -e cpu-clock -F 2000 -g -o "$work/perf.data" -- "$velmo" --batch >/dev/null 2>"$work/perf.err") || true
    echo "Processor time of velmo (\`perf record -e cpu-clock -F 2000 -g\`; \`perf report --no-children\`):"
    echo
    echo '```'
    perf report -i "$work/perf.data" --stdio --no-children --sort dso,symbol -g none \
      --percent-limit 1.5 2>/dev/null | grep -v '^#' | grep -v '^$' | head -n 25
    echo '```'
  else
    (cd "$work/host" && printf '%s\n' "$command" |
      valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$velmo" --batch >/dev/null 2>"$work/callgrind.err") || true
    echo "Instructions of velmo by function (valgrind --tool=callgrind; callgrind_annotate):"
    echo
    echo '```'
    callgrind_annotate "$work/callgrind.out" 2>/dev/null | sed -n '/Ir/,$p' | head -n 25
    echo '```'
  fi
  stop_dos
  rm -f "$work/host/out/$name"
}

percent() { calc "%.2f %%" "$1 * 100"; }

# A table of paced rows: velmo's and ZMODEM's.
render_paced() {
  echo "| Rate bit/s | Transfer | Payload | Seconds | Efficiency | Best | Share of best | Bytes on line out/back | Line busy | velmo CPU s/MiB | velmo-dos CPU s/MiB | Result |"
  echo "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|"
  while IFS=$'\t' read -r kind _ rate direction verify size seconds cpu dos_cpu line_bytes result; do
    local mib efficiency busy=""
    mib=$(calc "%.6f" "$size / 1048576")
    efficiency=$(calc "%.6f" "$size / $seconds / ($rate / 10)")
    if [ "$kind" = velmo ]; then
      local v="" best
      [ "$verify" = "/V" ] && v=" /V"
      best=$(best_efficiency "$verify")
      # Stop-and-wait: the bytes of the two directions never overlap, so their line times add.
      [ "$line_bytes" = - ] || busy=$(percent "(${line_bytes%/*} + ${line_bytes#*/}) * 10 / $rate / $seconds")
      [ "$line_bytes" = - ] && line_bytes=""
      printf '| %s | %s%s | %s | %.2f | %s | %s | %s | %s | %s | %.4f | %.4f | %s |\n' \
        "$rate" "$direction" "$v" "$size" "$seconds" "$(percent "$efficiency")" "$(percent "$best")" \
        "$(percent "$efficiency / $best")" "$line_bytes" "$busy" "$(calc "%.6f" "$cpu / $mib")" \
        "$(calc "%.6f" "$dos_cpu / $mib")" "$result"
    else
      printf '| %s | ZMODEM %s | %s | %.2f | %s | | | %s | | %.4f (sz+rz) | | %s |\n' \
        "$rate" "$direction" "$size" "$seconds" "$(percent "$efficiency")" "$line_bytes" \
        "$(calc "%.6f" "$cpu / $mib")" "$result"
    fi
  done <"$1"
}

render_unpaced() {
  echo "| Transfer | Payload | Seconds | MiB/s | velmo CPU s/MiB | velmo-dos CPU s/MiB | Result |"
  echo "|---|---:|---:|---:|---:|---:|---|"
  while IFS=$'\t' read -r _ _ _ direction verify size seconds cpu dos_cpu _ result; do
    local mib v=""
    mib=$(calc "%.6f" "$size / 1048576")
    [ "$verify" = "/V" ] && v=" /V"
    printf '| %s%s | %s | %.2f | %.2f | %.4f | %.4f | %s |\n' "$direction" "$v" "$size" "$seconds" \
      "$(calc "%.6f" "$mib / $seconds")" "$(calc "%.6f" "$cpu / $mib")" "$(calc "%.6f" "$dos_cpu / $mib")" "$result"
  done <"$1"
}

machine() {
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), Linux $(uname -r)"
  echo "- Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine shows here)"
  echo "- Commit: $(git -C "$repo" log -1 --format='%h %s' 2>/dev/null || echo unknown)"
}

# The run.
options=""
[ "$build" = "$repo/build" ] || options+=" --build ${build#"$repo"/}"
[ $quick -eq 0 ] || options+=" --quick"
[ $profile -eq 1 ] || options+=" --no-profile"
{
  echo "# Transfer benchmark"
  echo
  echo "Command: \`bash bench/transfer.sh$options\`"
  echo
  machine
} >"$work/head.md"

for pair in "${paced_cases[@]}"; do
  read -r rate size <<<"$pair"
  for verify in "" "/V"; do
    velmo_case relay GET "$size" "$rate" "$verify" "$paced_rows"
    velmo_case relay PUT "$size" "$rate" "$verify" "$paced_rows"
  done
  zmodem_case "$size" "$rate"
done
read -r rate size <<<"${paced_cases[0]}"
for verify in "" "/V"; do
  velmo_case dos GET "$size" "$rate" "$verify" "$dos_paced_rows"
  velmo_case dos PUT "$size" "$rate" "$verify" "$dos_paced_rows"
done
for verify in "" "/V"; do
  velmo_case dos GET "$unpaced_size" 0 "$verify" "$unpaced_rows"
  velmo_case dos PUT "$unpaced_size" 0 "$verify" "$unpaced_rows"
done

{
  cat "$work/head.md"
  echo "- Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  [ $dos_kills -eq 0 ] || echo "- velmo-dos did not end on SIGTERM $dos_kills time(s) and was killed"
  echo
  echo "## Paced line: bench_line_relay paces both directions, velmo-dos unpaced behind it"
  echo
  render_paced "$paced_rows"
  echo
  echo "## Paced by velmo-dos --line-rate (the same first cases)"
  echo
  render_paced "$dos_paced_rows"
  echo
  echo "## Unpaced pseudo-terminal"
  echo
  render_unpaced "$unpaced_rows"
  if [ $profile -eq 1 ]; then
    echo
    echo "## Where the unpaced GET's time goes"
    echo
    profile_unpaced "$unpaced_size"
  fi
} >"$work/report.md"

cat "$work/report.md"
[ -z "$report" ] || cp "$work/report.md" "$report"
[ $failures -eq 0 ] || say "$failures case(s) failed"
exit $((failures > 0))
