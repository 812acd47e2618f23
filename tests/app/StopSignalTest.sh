#!/bin/sh
# velt-host ends on SIGTERM, cleanly, even while a message box waits for an
# answer.
# Usage: StopSignalTest.sh VELT_HOST
# COM3 names a device that does not exist, so --connect ends in the
# "Port Open Fail" box; the signal arrives while that box is open.
host="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
echo /nonexistent/velt-tty > "$dir/COM3"
VELT_PORTS_DIR="$dir" QT_QPA_PLATFORM=offscreen "$host" --connect --lang en &
pid=$!
sleep 2
kill -TERM "$pid"
# Shutdown sleeps about 0.6 s on its own; allow it ten times that under load.
i=0
while [ $i -lt 60 ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        exit $?
    fi
    sleep 0.1
    i=$((i + 1))
done
kill -KILL "$pid"
echo "velt-host still running 6 s after SIGTERM" >&2
exit 1
