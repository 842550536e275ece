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
# See bench/README.md for what each column means. The full run takes about 45 minutes.
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
    echo "  cmake --build $build --target velmo velmo-dos bench_line_relay bench_timed_run" >&2
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
rows=$work/rows.tsv
unpaced_rows=$work/unpaced.tsv
: >"$rows"
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
  # velmo reads its port and speed from PRM232C.TXT in its working directory. A pseudo-terminal
  # has no speed of its own: the pacing is velmo-dos's --line-rate.
  printf 'COM1=%s\r\nBAUDRATE=%s\r\n' "$work/line" "$((rate > 0 ? rate : 115200))" >"$work/host/PRM232C.TXT"
}

# One velmo transfer: direction (GET or PUT), payload bytes, rate, "" or "/V".
# Appends a row: kind, rate, direction, verify, bytes, seconds, velmo cpu, dos cpu, result.
velmo_case() {
  local direction=$1 size=$2 rate=$3 verify=$4
  local name command sent arrived
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
  say "velmo $command, $([ "$rate" -gt 0 ] && echo "$rate bit/s" || echo unpaced)"

  start_dos "$rate"
  local status=0
  (cd "$work/host" && printf '%s\n' "$command" |
    "$timed" "$work/velmo.time" "$velmo" --batch >"$work/velmo.out" 2>>"$work/velmo.err") || status=$?
  stop_dos

  local result=ok
  if [ $status -ne 0 ]; then
    result="FAILED (velmo exit $status: $(tail -n 1 "$work/velmo.out" | tr -d '\r'))"
  elif ! cmp -s "$sent" "$arrived"; then
    result="FAILED (file differs)"
  fi
  [ "$result" = ok ] || failures=$((failures + 1))
  local velmo_cpu dos_cpu
  velmo_cpu=$(calc "%.3f" "$(field "$work/velmo.time" user) + $(field "$work/velmo.time" system)")
  dos_cpu=$(calc "%.3f" "$(field "$work/dos.time" user) + $(field "$work/dos.time" system)")
  printf 'velmo\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$rate" "$direction" "${verify:--}" "$size" \
    "$(field "$work/velmo.time" seconds)" "$velmo_cpu" "$dos_cpu" "$result" >>"${5:-$rows}"
  rm -f "$arrived"
}

# sz -> rz over the relay at the same rate, with the same kind of file. The transfer is complete
# when sz has ended (rz has closed the file before it answers sz's ZFIN); rz itself may linger
# because a pseudo-terminal drops the "OO" sz writes as it exits.
zmodem_case() {
  local size=$1 rate=$2
  local name=Z$((size / 1024))K.BIN
  local line_seconds=$((size * 10 / rate))
  random_file "$work/zmodem/in/$name" "$size"
  rm -f "$work/zmodem/out/$name"
  say "sz -> rz of $(human_size "$size") at $rate bit/s"
  local status=0
  "$relay" --rate "$rate" --limit $((line_seconds * 2 + 60)) \
    --left "cd '$work/zmodem/in' && exec sz -q '$name' 2>>'$work/zmodem.err'" \
    --right "cd '$work/zmodem/out' && exec rz -q -y 2>>'$work/zmodem.err'" >"$work/relay.out" || status=$?
  local result=ok sz_status
  sz_status=$(field "$work/relay.out" left_status)
  if [ "$(field "$work/relay.out" timed_out)" = 1 ] && [ "$sz_status" != 0 ]; then
    result="FAILED (no end within $((line_seconds * 2 + 60)) s)"
  elif [ "$sz_status" != 0 ]; then
    result="FAILED (sz exit $sz_status)"
  elif ! cmp -s "$work/zmodem/in/$name" "$work/zmodem/out/$name"; then
    result="FAILED (file differs)"
  elif [ $status -ne 0 ]; then
    result="ok (rz exit $(field "$work/relay.out" right_status) after $(field "$work/relay.out" right_seconds) s)"
  fi
  local cpu
  cpu=$(calc "%.3f" "$(field "$work/relay.out" left_cpu) + $(field "$work/relay.out" right_cpu)")
  printf 'zmodem\t%s\tsz -> rz\t-\t%s\t%s\t%s\t-\t%s\n' "$rate" "$size" \
    "$(field "$work/relay.out" left_seconds)" "$cpu" "$result" >>"$rows"
  rm -f "$work/zmodem/in/$name" "$work/zmodem/out/$name"
}

# Where velmo's time goes on an unpaced GET: perf's sampling profile, or callgrind's where perf
# cannot sample here.
profile_unpaced() {
  local size=$1 name=G$(($1 / 1024))K.BIN
  local command="#GET $name out/"
  say "profile of velmo $command, unpaced"
  start_dos 0
  if perf record -e cpu-clock -g -o "$work/perf.data" -- true >/dev/null 2>&1; then
    (cd "$work/host" && printf '%s\n' "$command" |
      perf record -e cpu-clock -F 2000 -g -o "$work/perf.data" -- "$velmo" --batch >/dev/null 2>"$work/perf.err") || true
    echo "perf record -e cpu-clock -F 2000 -g, velmo $command of $(human_size "$size"), unpaced; perf report --no-children, top symbols:"
    echo
    echo '```'
    perf report -i "$work/perf.data" --stdio --no-children --sort dso,symbol -g none \
      --percent-limit 1.5 2>/dev/null | grep -v '^#' | grep -v '^$' | head -n 25
    echo '```'
  else
    (cd "$work/host" && printf '%s\n' "$command" |
      valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$velmo" --batch >/dev/null 2>"$work/callgrind.err") || true
    echo "valgrind --tool=callgrind, velmo $command of $(human_size "$size"), unpaced; top functions:"
    echo
    echo '```'
    callgrind_annotate "$work/callgrind.out" 2>/dev/null | sed -n '/Ir/,$p' | head -n 25
    echo '```'
  fi
  stop_dos
  rm -f "$work/host/out/$name"
}

render() {
  echo "## Paced line"
  echo
  echo "| Rate bit/s | Transfer | Payload | Seconds | Ideal s | Efficiency | Best | Share of best | velmo CPU s/MiB | velmo-dos CPU s/MiB | Result |"
  echo "|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---|"
  while IFS=$'\t' read -r kind rate direction verify size seconds cpu dos_cpu result; do
    local mib efficiency
    mib=$(calc "%.6f" "$size / 1048576")
    efficiency=$(calc "%.6f" "$size / $seconds / ($rate / 10)")
    if [ "$kind" = velmo ]; then
      local v="" best
      [ "$verify" = "/V" ] && v=" /V"
      best=$(best_efficiency "$verify")
      printf '| %s | %s%s | %s | %.2f | %.2f | %.2f %% | %.2f %% | %.2f %% | %.4f | %.4f | %s |\n' \
        "$rate" "$direction" "$v" "$size" "$seconds" "$(calc "%.6f" "$size * 10 / $rate / $best")" \
        "$(calc "%.4f" "$efficiency * 100")" "$(calc "%.4f" "$best * 100")" \
        "$(calc "%.4f" "$efficiency / $best * 100")" "$(calc "%.6f" "$cpu / $mib")" \
        "$(calc "%.6f" "$dos_cpu / $mib")" "$result"
    else
      printf '| %s | ZMODEM %s | %s | %.2f | | %.2f %% | | | %.4f (sz+rz) | | %s |\n' \
        "$rate" "$direction" "$size" "$seconds" "$(calc "%.4f" "$efficiency * 100")" \
        "$(calc "%.6f" "$cpu / $mib")" "$result"
    fi
  done <"$rows"
  echo
  echo "## Unpaced pseudo-terminal"
  echo
  echo "| Transfer | Payload | Seconds | MiB/s | velmo CPU s/MiB | velmo-dos CPU s/MiB | Result |"
  echo "|---|---:|---:|---:|---:|---:|---|"
  while IFS=$'\t' read -r _ _ direction verify size seconds cpu dos_cpu result; do
    local mib v=""
    mib=$(calc "%.6f" "$size / 1048576")
    [ "$verify" = "/V" ] && v=" /V"
    printf '| %s%s | %s | %.2f | %.2f | %.4f | %.4f | %s |\n' "$direction" "$v" "$size" "$seconds" \
      "$(calc "%.6f" "$mib / $seconds")" "$(calc "%.6f" "$cpu / $mib")" "$(calc "%.6f" "$dos_cpu / $mib")" "$result"
  done <"$unpaced_rows"
}

machine() {
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- Machine: $(nproc) processors, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), Linux $(uname -r)"
  echo "- Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine shows here)"
  echo "- Commit: $(git -C "$repo" log -1 --format='%h %s' 2>/dev/null || echo unknown)"
}

# The run.
{
  echo "# Transfer benchmark"
  echo
  echo "Command: \`bash bench/transfer.sh$( [ "$build" != "$repo/build" ] && echo " --build ${build#"$repo"/}")$( [ $quick -eq 1 ] && echo " --quick")\`"
  echo
  machine
} >"$work/head.md"

for pair in "${paced_cases[@]}"; do
  read -r rate size <<<"$pair"
  for verify in "" "/V"; do
    velmo_case GET "$size" "$rate" "$verify"
    velmo_case PUT "$size" "$rate" "$verify"
  done
  zmodem_case "$size" "$rate"
done
for verify in "" "/V"; do
  velmo_case GET "$unpaced_size" 0 "$verify" "$unpaced_rows"
  velmo_case PUT "$unpaced_size" 0 "$verify" "$unpaced_rows"
done

{
  cat "$work/head.md"
  echo "- Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  [ $dos_kills -eq 0 ] || echo "- velmo-dos did not end on SIGTERM $dos_kills time(s) and was killed"
  echo
  render
  if [ $profile -eq 1 ]; then

    echo
    echo "## Profile of the unpaced GET"
    echo
    profile_unpaced "$unpaced_size"
  fi
} >"$work/report.md"

cat "$work/report.md"
[ -z "$report" ] || cp "$work/report.md" "$report"
[ $failures -eq 0 ] || say "$failures velmo case(s) failed"
exit $((failures > 0))
