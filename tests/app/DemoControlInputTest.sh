#!/bin/sh
# velt-host --demo-ids hands the lines of its standard input to the simulated
# line's control in order: a line for a drive the line does not have is
# refused on stderr, an "echo" answers once every line before it is in force,
# and the end of the input leaves the program running.
# Usage: DemoControlInputTest.sh VELT_HOST
host="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
{
    sleep 2
    echo "drive 9 alarm 3"
    echo "drive 2 alarm 3"
    echo "echo applied"
} | QT_QPA_PLATFORM=offscreen "$host" --demo-ids 1,2 --lang en >"$dir/out" 2>"$dir/err" &
pid=$!
i=0
while [ $i -lt 100 ] && ! grep -q '^applied$' "$dir/out"; do
    sleep 0.1
    i=$((i + 1))
done
sleep 0.5
running=0
kill -0 "$pid" 2>/dev/null && running=1
kill -TERM "$pid" 2>/dev/null
wait "$pid"
status=0
grep -q '^applied$' "$dir/out" || { echo "no echo of the control input" >&2; status=1; }
grep -q 'simulated drive: .*9' "$dir/err" || { echo "the line for drive 9 was not refused" >&2; status=1; }
grep -q 'drive 2' "$dir/err" && { echo "the line for drive 2 was refused" >&2; status=1; }
[ $running = 1 ] || { echo "velt-host ended with its input" >&2; status=1; }
[ $status = 0 ] || { cat "$dir/out" "$dir/err" >&2; }
exit $status
