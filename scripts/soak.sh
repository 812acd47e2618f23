#!/usr/bin/env bash
# Soak run: velt-host for MINUTES minutes, connected, the monitoring page
# shown, four scope windows open and the repeat cycle going. Prints once a
# minute the process's resident memory, its CPU share (of one core, over that
# minute), the link's counters and every message the program showed; at the
# end a summary.
#
# Plain (velt-host --demo): fails when the program dies, shows a message, a
# request fails, or resident memory grows by more than 1 MB after the first
# ten minutes.
#
# --faults: velt-drive-sim runs as a program of its own with
# "Reconnect automatically" on, and once a minute one fault chosen at random
# (the seed is printed; --seed N repeats a run) comes from its control input:
# the drive silent for a few seconds, a burst of bad CRCs, late replies,
# replies split in two, the simulator killed and started again (its COM3
# entry gone meanwhile, as an unplugged adapter's name goes), the drive
# answering at a wrong bit rate. Fails when the program dies or hangs, does
# not connect again within 5 s of the drive answering again, a write reaches
# the drive twice (every write the drive carried out must answer one write
# the program asked for, made at most 2 s before it: the simulator's and the
# program's write logs), a repeat cycle carries on over a new connection, the
# program shows any message but the watchdog's, or resident memory grows by
# more than 1 MB after the tenth minute.
#
# Usage: scripts/soak.sh MINUTES [--faults] [--seed N]
#   VELT_BUILD_DIR   the build to run (default: build/ beside this folder)
#   VELT_SOAK_XVFB=1 run on a virtual X server (xvfb-run) instead of offscreen
#   VELT_SOAK_PERIOD seconds per "minute" (default 60; the tests use 2; with
#                    --faults at least 30)
set -uo pipefail

usage() {
  echo "usage: $0 MINUTES [--faults] [--seed N]" >&2
  exit 64
}
minutes="${1:-}"
[[ "$minutes" =~ ^[1-9][0-9]*$ ]] || usage
shift
faults=0
seed=""
while [ $# -gt 0 ]; do
  case "$1" in
    --faults) faults=1 ;;
    --seed) [[ "${2:-}" =~ ^[0-9]+$ ]] || usage; seed="$2"; shift ;;
    *) usage ;;
  esac
  shift
done
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELT_BUILD_DIR:-$root/build}"
period="${VELT_SOAK_PERIOD:-60}"
host="$build/app/velt-host"
sim="$build/sim/velt-drive-sim"
for program in "$host" $([ $faults = 1 ] && echo "$sim"); do
  if [ ! -x "$program" ]; then
    echo "soak: $program is not built" >&2
    exit 1
  fi
done
if [ $faults = 1 ] && [ "$period" -lt 30 ]; then
  echo "soak: --faults needs VELT_SOAK_PERIOD of at least 30 seconds" >&2
  exit 64
fi

work="$(mktemp -d)"
pid=""
simpid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  if [ -n "$simpid" ] && kill -0 "$simpid" 2>/dev/null; then
    kill -TERM "$simpid" 2>/dev/null
    wait "$simpid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
mkdir -p "$work/params" "$work/config" "$work/ports"
# The simulated drive publishes its COM3 here, and the program looks for it here.
export VELT_PORTS_DIR="$work/ports"
log="$work/host.out"

source "$root/scripts/soak-faults.sh"

run=(env VELT_PARAMETER_DIR="$work/params" VELT_CONFIG_DIR="$work/config" XDG_RUNTIME_DIR="$work")
if [ "${VELT_SOAK_XVFB:-0}" = "1" ]; then
  run+=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
  run+=(QT_QPA_PLATFORM=offscreen)
fi
session=(--lang en --connect --repeat --scopes 4 --report "$period")
if [ $faults = 1 ]; then
  [ -n "$seed" ] || seed=$((SRANDOM % 100000))
  RANDOM=$seed
  start_sim || exit 1
  session+=(--reconnect --write-log "$work/host-writes.log")
else
  session+=(--demo)
fi
"${run[@]}" "$host" "${session[@]}" >"$log" 2>"$work/host.err" &
pid=$!
# Under xvfb-run the program is a child of the wrapper: measure the program itself.
if [ "${VELT_SOAK_XVFB:-0}" = "1" ]; then
  for _ in $(seq 50); do
    child="$(pgrep -P "$pid" -x velt-host || true)"
    [ -n "$child" ] && break
    sleep 0.2
  done
  measured="${child:-$pid}"
else
  measured="$pid"
fi

tick="$(getconf CLK_TCK)"
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$measured/stat" 2>/dev/null; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$measured/status" 2>/dev/null; }
# Waits until velt-host has printed its m-th report line; fails the run when it ended or stopped reporting.
wait_report() {
  local deadline=$((SECONDS + period * 2 + 10))
  while [ "$(grep -c '^report ' "$log")" -lt "$1" ]; do
    if ! kill -0 "$measured" 2>/dev/null || [ $SECONDS -gt $deadline ]; then
      echo "soak: velt-host ended or stopped reporting in minute $1" >&2
      tail -5 "$work/host.err" >&2
      exit 1
    fi
    sleep 0.5
  done
}

echo "soak: $minutes x ${period}s, velt-host pid $measured ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg))"
[ $faults = 1 ] && echo "soak: faults with seed $seed (--seed $seed repeats them)"
printf '%-6s %10s %6s  %s\n' minute rss_kB cpu% "link counters"
status=0
messages=0
other_messages=0
lines_seen=0
last_ticks="$(cpu_ticks)"
last_time="$(date +%s.%N)"
rss_at_10=""
rss_max_after_10=0
report=""
for ((m = 1; m <= minutes; m++)); do
  fault_line=""
  if [ $faults = 1 ]; then
    # One fault a minute, a tenth of a period after the last report (or the connect).
    wait_report $((m - 1))
    sleep $((period / 10))
    run_fault || status=1
  fi
  wait_report "$m"
  now="$(date +%s.%N)"
  ticks="$(cpu_ticks)"
  rss="$(rss_kb)"
  cpu="$(awk -v a="$last_ticks" -v b="$ticks" -v t="$tick" -v s="$last_time" -v e="$now" \
           'BEGIN { printf "%.1f", (b - a) / t / (e - s) * 100 }')"
  last_ticks="$ticks"
  last_time="$now"
  report="$(grep '^report ' "$log" | sed -n "${m}p")"
  printf '%-6s %10s %6s  %s\n' "$m" "$rss" "$cpu" "${report#report }"
  [ -n "$fault_line" ] && echo "       fault: $fault_line"
  # Messages and session lines since the last minute.
  total_lines="$(wc -l <"$log")"
  while IFS= read -r line; do
    case "$line" in
      message:*)
        echo "       $line"
        messages=$((messages + 1))
        case "$line" in
          "message: The driver does not respond."*) [ $faults = 1 ] || other_messages=$((other_messages + 1)) ;;
          *) other_messages=$((other_messages + 1)) ;;
        esac
        ;;
      session:*) echo "       $line" ;;
    esac
  done < <(sed -n "$((lines_seen + 1)),${total_lines}p" "$log")
  lines_seen="$total_lines"
  if [ "$m" -eq 10 ]; then rss_at_10="$rss"; fi
  if [ "$m" -gt 10 ] && [ "$rss" -gt "$rss_max_after_10" ]; then rss_max_after_10="$rss"; fi
done

# Failed requests of every kind in the last report (the counters only grow while connected).
failed="$(echo "$report" | awk '{
  n = 0
  for (i = 1; i <= NF; i++) {
    split($i, kv, "=")
    if (kv[1] ~ /^(state|di|do|param)$/) { split(kv[2], c, "/"); n += c[3] }
    if (kv[1] == "crc" || kv[1] == "noreply") n += kv[2]
  }
  print n }')"
connected="$(echo "$report" | sed -n 's/.* connected=\([01]\).*/\1/p')"
scopes="$(sed -n 's/^session: scope windows shown: [0-9]*, running: //p' "$log")"
repeat="$(grep -c '^session: repeat cycle started' "$log")"
echo "soak: $minutes minutes, $messages messages, $failed failed requests in the last minute," \
  "connected=$connected at the end, ${scopes:-0} scope windows running," \
  "repeat cycle $([ "$repeat" -gt 0 ] && echo "started $repeat times" || echo NOT started)"
if [ -n "$rss_at_10" ]; then
  growth=$((rss_max_after_10 - rss_at_10))
  echo "soak: resident memory ${rss_at_10} kB at minute 10, at most ${rss_max_after_10} kB after it (growth ${growth} kB)"
  if [ "$growth" -gt 1024 ]; then status=1; fi
fi
if [ $faults = 1 ]; then
  fault_summary || status=1
  if [ "$other_messages" -ne 0 ]; then status=1; fi
else
  if [ "$messages" -ne 0 ] || [ "$failed" != "0" ]; then status=1; fi
fi
if [ "$connected" != "1" ]; then status=1; fi
if [ "${scopes:-0}" != "4" ] || [ "$repeat" -eq 0 ]; then status=1; fi
echo "soak: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
