#!/bin/sh
# velt-host itself (offscreen, --report) on velt-drive-sim, and the simulator
# killed as a pulled cable would end it: the watchdog's message is printed
# within the time five failed polls take, the link reports itself
# disconnected, the program no longer holds the terminal, and a stop signal
# still ends it cleanly with the message box open.
# Usage: HostCablePull.sh VELT_HOST VELT_DRIVE_SIM
host="$1"
sim="$2"
dir=$(mktemp -d)
simpid=""
hostpid=""
cleanup() {
    [ -n "$hostpid" ] && kill -KILL "$hostpid" 2>/dev/null
    [ -n "$simpid" ] && kill -KILL "$simpid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "HostCablePull: $*" >&2
    echo "--- velt-host output:" >&2
    cat "$dir/host.out" >&2
    exit 1
}
# Waits up to $2 tenths of a second for a line matching $1 in velt-host's output.
wait_for() {
    i=0
    while [ $i -lt "$2" ]; do
        grep -q "$1" "$dir/host.out" 2>/dev/null && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}
mkdir -p "$dir/ports" "$dir/params" "$dir/config"
export VELT_PORTS_DIR="$dir/ports" VELT_PARAMETER_DIR="$dir/params" VELT_CONFIG_DIR="$dir/config"
export XDG_RUNTIME_DIR="$dir" QT_QPA_PLATFORM=offscreen

mkfifo "$dir/sim.in"
"$sim" --port COM3 <"$dir/sim.in" >"$dir/sim.out" &
simpid=$!
exec 3>"$dir/sim.in" # keeps the simulator's input open
i=0
while ! grep -q '^ready COM3 ' "$dir/sim.out" 2>/dev/null; do
    [ $i -ge 200 ] && fail "the simulator did not start"
    sleep 0.1
    i=$((i + 1))
done
device=$(sed -n 's/^ready COM3 //p' "$dir/sim.out")

"$host" --connect --lang en --report 1 >"$dir/host.out" 2>"$dir/host.err" &
hostpid=$!
wait_for '^report .* connected=1 failcount=0 state=[0-9]*/[1-9]' 300 || fail "never connected"
ls -l "/proc/$hostpid/fd" | grep -q " $device\$" || fail "velt-host does not hold $device"

kill -KILL "$simpid"
simpid=""
start=$(date +%s%N)
# Five failed state polls of 1.07 s and two bit reads of 1.0 s, the
# disconnect's 1 s and room for a loaded machine: 12 s.
wait_for '^message: The driver does not respond\.  |  Check the status' 120 || fail "no watchdog message"
took=$((($(date +%s%N) - start) / 1000000))
echo "HostCablePull: the watchdog message came ${took} ms after the simulator was killed"
[ "$(grep -c '^message: ' "$dir/host.out")" -eq 1 ] || fail "not exactly one message"
wait_for '^report .* connected=0' 50 || fail "still reported connected"
sleep 0.5
ls -l "/proc/$hostpid/fd" | grep -q " $device\$" && fail "velt-host still holds $device"

# The box is still open; a stop signal answers it and ends the program.
kill -TERM "$hostpid"
wait "$hostpid"
rc=$?
hostpid=""
[ $rc -eq 0 ] || fail "exit code $rc after SIGTERM"
[ "$(grep -c '^message: ' "$dir/host.out")" -eq 1 ] || fail "a second message appeared"
echo "HostCablePull: passed"
