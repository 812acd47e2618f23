# The faults of "scripts/soak.sh MINUTES --faults", sourced by soak.sh: the
# simulated drive as a program of its own, its control input, one fault a
# minute, and the checks made after each fault and at the end.
#
# Uses from soak.sh: $sim, $work, $log, $simpid (set here), bash's RANDOM
# (seeded there).

sim_ready=0      # "ready" lines the simulators have printed so far
marker=0         # control-line echo markers used so far
fault_count=0
declare -A fault_kinds=()
disconnects=0
max_reconnect_ms=0
late_reconnects=0
stuck_links=0

# Starts velt-drive-sim on COM3 with wire timing at 9600 bit/s, its control
# input the FIFO sim.in (kept open for writing on fd 3), appending every write
# it carries out to drive-writes.log. Waits for its "ready" line.
start_sim() {
  [ -p "$work/sim.in" ] || mkfifo "$work/sim.in"
  "$sim" --port COM3 --wire-timing --write-log "$work/drive-writes.log" \
    <"$work/sim.in" >>"$work/sim.out" 2>>"$work/sim.err" &
  simpid=$!
  # The first start: the simulator's open of the FIFO waits for a writer.
  { true >&3; } 2>/dev/null || exec 3>"$work/sim.in"
  local want=$((sim_ready + 1))
  for _ in $(seq 200); do
    if [ "$(grep -c '^ready COM3 ' "$work/sim.out" 2>/dev/null)" -ge "$want" ]; then
      sim_ready=$want
      return 0
    fi
    sleep 0.1
  done
  echo "soak: the simulated drive did not start" >&2
  cat "$work/sim.err" >&2
  return 1
}

# Types a control line and waits until the simulator has it in force.
ctl() {
  marker=$((marker + 1))
  printf '%s\necho applied %d\n' "$1" "$marker" >&3
  for _ in $(seq 100); do
    grep -q "^applied $marker\$" "$work/sim.out" && return 0
    sleep 0.1
  done
  echo "soak: the simulator did not take \"$1\"" >&2
  return 1
}

# Puts control line $1 in force for $2 seconds, then control line $3.
hold_fault() {
  ctl "$1" && sleep "$2" && ctl "$3"
}

# Sets variable $1 to a random whole number from $2 to $3. In this shell, not
# a subshell: bash seeds a subshell's RANDOM afresh, and a run must repeat
# with its seed.
pick() {
  printf -v "$1" '%d' $(($2 + RANDOM % ($3 - $2 + 1)))
}

now_ms() {
  echo $(($(date +%s%N) / 1000000))
}

# The session lines about the link after line $1 of the log: lost, connected,
# polls failing while connected (the watchdog's business), answered again.
link_lines_after() {
  sed -n "$(($1 + 1)),\$p" "$log" | grep '^session: \(link lost\|link connected\|polls failing\|polls answered\)'
}

# One fault, chosen at random; sets fault_line to what happened. Ends 5 s
# after the drive answers again; false when the program had lost the link and
# was not connected again by then.
run_fault() {
  local kind=$((RANDOM % 6)) what="" hold before
  before=$(wc -l <"$log")
  case $kind in
    0)
      pick hold 3 12
      what="silent ${hold} s"
      hold_fault "silent on" "$hold" "silent off"
      ;;
    1)
      local burst
      pick burst 3 30
      pick hold 2 5
      what="crcburst $burst, ended after ${hold} s"
      hold_fault "crcburst $burst" "$hold" "crcburst 0"
      ;;
    2)
      local late
      pick late 200 1500
      pick hold 4 10
      what="late ${late} ms for ${hold} s"
      hold_fault "late $late" "$hold" "late 0"
      ;;
    3)
      local split
      pick split 50 400
      pick hold 4 10
      what="split ${split} ms for ${hold} s"
      hold_fault "split $split" "$hold" "split 0"
      ;;
    4)
      pick hold 2 8
      what="simulator killed, started again after ${hold} s"
      kill -KILL "$simpid" 2>/dev/null
      wait "$simpid" 2>/dev/null
      # The pseudo-terminal is gone; so is its name, as an unplugged adapter's.
      rm -f "$work/ports/COM3"
      sleep "$hold"
      start_sim
      ;;
    5)
      local rates=(2400 4800 19200 38400)
      local rate=${rates[$((RANDOM % 4))]}
      pick hold 4 10
      what="answers at ${rate} bit/s for ${hold} s"
      hold_fault "txbaud $rate" "$hold" "txbaud 0"
      ;;
  esac
  local answering names=(silent crcburst late split killed wrongbaud)
  answering=$(now_ms)
  fault_kinds[${names[$kind]}]=$((${fault_kinds[${names[$kind]}]:-0} + 1))
  fault_count=$((fault_count + 1))
  # A loss may still come in these 5 s (a poll in flight when the drive
  # answered again); every loss must be followed by a connect within them.
  local lost=0 reconnected_ms=-1 lines
  while [ $(($(now_ms) - answering)) -lt 5000 ]; do
    lines=$(link_lines_after "$before")
    case "$lines" in *"link lost"*) lost=1 ;; esac
    case "${lines##*$'\n'}" in
      *"link lost"*) reconnected_ms=-1 ;;
      *"link connected"*) [ $lost = 1 ] && [ $reconnected_ms -lt 0 ] && reconnected_ms=$(($(now_ms) - answering)) ;;
    esac
    sleep 0.1
  done
  case "${lines##*$'\n'}" in
    *"polls failing"*)
      stuck_links=$((stuck_links + 1))
      fault_line="$what; polls still failing 5 s after the drive answered again, link not given up"
      return 1
      ;;
  esac
  if [ $lost = 0 ]; then
    fault_line="$what; stayed connected"
    return 0
  fi
  disconnects=$((disconnects + 1))
  if [ $reconnected_ms -lt 0 ]; then
    late_reconnects=$((late_reconnects + 1))
    fault_line="$what; NOT connected again within 5 s of the drive answering again"
    return 1
  fi
  [ $reconnected_ms -gt $max_reconnect_ms ] && max_reconnect_ms=$reconnected_ms
  fault_line="$what; link lost, connected again $(awk -v ms=$reconnected_ms 'BEGIN { printf "%.1f", ms / 1000 }') s after the drive answered again"
  return 0
}

# Every write the drive carried out must answer one write the program asked
# for, at most 2 s before it; prints the counts, false on any write left over.
# Both programs still run here. The drive's log is taken first: the program
# writes its line before it sends, so every write in the drive's copy has its
# request in the program's copy taken after it.
check_writes() {
  touch "$work/host-writes.log" "$work/drive-writes.log"
  cp "$work/drive-writes.log" "$work/drive-writes.seen"
  cp "$work/host-writes.log" "$work/host-writes.seen"
  awk -v window=2000000000 '
    NR == FNR { key = $2 " " $3 " " $4; n[key]++; t[key, n[key]] = $1; asked++; next }
    {
      key = $2 " " $3 " " $4
      # Writes asked for long before this one that never reached the drive.
      while (p[key] < n[key] && t[key, p[key] + 1] < $1 - window) p[key]++
      if (p[key] < n[key] && t[key, p[key] + 1] <= $1) { p[key]++; matched++ }
      else { extra++; if (extra <= 5) print "soak: a write reached the drive without a request of its own: " $0 > "/dev/stderr" }
    }
    END {
      printf "soak: writes: %d asked for, %d carried out by the drive, %d of them twice or unasked\n", asked, matched + extra, extra
      exit extra > 0
    }' "$work/host-writes.seen" "$work/drive-writes.seen"
}

# The faults' summary; false when a fault was not followed by a connect in
# time, a write reached the drive twice, or a repeat cycle ran on.
fault_summary() {
  local ok=0 kinds="" k
  for k in "${!fault_kinds[@]}"; do kinds+=" $k ${fault_kinds[$k]},"; done
  echo "soak: $fault_count faults (seed $seed):${kinds%,}"
  echo "soak: $disconnects disconnects by the watchdog, each connected again within" \
    "$(awk -v ms=$max_reconnect_ms 'BEGIN { printf "%.1f", ms / 1000 }') s of the drive answering again;" \
    "$late_reconnects not within 5 s; $stuck_links times polls still failing 5 s after it"
  [ $late_reconnects -eq 0 ] && [ $stuck_links -eq 0 ] || ok=1
  check_writes || ok=1
  local ran_on
  ran_on=$(grep -c '^session: repeat cycle still running on a new connection' "$log")
  echo "soak: repeat cycles ended by a line fault: $(grep -c '^session: repeat cycle ended: line fault' "$log"), carried on over a new connection: $ran_on"
  [ "$ran_on" -eq 0 ] || ok=1
  return $ok
}
