# velt-host.exe under Wine on the virtual X server, as a user would run it
# from the unpacked zip; sourced by windows-test.sh. Expects DISPLAY set, the
# simulated drive's pseudo-terminal mapped to COM3 (the serial settings'
# first choice) in $WINEPREFIX/dosdevices, and Qt's DLLs only beside the
# program (no WINEPATH). Prints one line per check and
# "windows gui: N passed, N failed".
#
# The program connects with its default settings, reports what it shows
# (--report: the link connected, the drive's versions in the connection bar,
# each read of all parameters, every message box), saves a picture of its
# main window after 3 s and closes that window, which ends it. The picture is
# compared loosely with the Linux program's (native velt-host --demo,
# offscreen), when the native build has one.

wine_gui_checks() {
  local folder="$1" native="$2" work="$3"
  local passed=0 failed=0 code=0 host_pid seen=""
  local exe="$folder/velt-host.exe"
  cd "$work"

  ok() { passed=$((passed + 1)); echo "windows gui: ok   $1"; }
  bad() { failed=$((failed + 1)); echo "windows gui: FAIL $1" >&2; }
  check() {
    local what="$1"; shift
    if "$@"; then ok "$what"; else bad "$what"; fi
  }

  # A limit on every run: a message box left open would keep the program up.
  timeout -k 5 120 env -u WINEPATH wine "$exe" --lang en --connect --report 1 --screenshot "$(winepath -w "$work/wine.png")" \
    >host.raw 2>host.err &
  host_pid=$!
  # The main window, mapped on the X server while the program runs.
  for _ in $(seq 600); do
    if xwininfo -root -tree 2>/dev/null | grep -q '"VELT Host('; then
      seen=$(xwininfo -root -tree | grep '"VELT Host(' | head -1 | sed 's/^ *//')
      break
    fi
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  wait "$host_pid" || code=$?
  tr -d '\r' <host.raw >host.out
  check "main window shown: ${seen:-none}" test -n "$seen"
  check "velt-host.exe closed with exit code 0 (was $code)" test "$code" -eq 0
  check "the link connected on COM3" grep -qx "session: link connected" host.out
  local versions
  versions=$(sed -n 's/^session: versions shown: //p' host.out | tail -1)
  # A version read from the drive has a digit other than 0; the labels'
  # text before any read has none.
  check "the drive's versions shown: ${versions:-none}" grep -q '[1-9]' <<<"$versions"
  check "all parameters read" grep -q "^session: parameters read: [1-9]" host.out
  check "no failed request" bash -c "! grep -q '^report .*state=[0-9]*/[0-9]*/[1-9]' host.out"
  check "no message box" bash -c "! grep -q '^message: ' host.out"
  check "a picture of the main window" test -s wine.png
  if [ "$failed" -gt 0 ]; then
    echo "windows gui: velt-host.exe said:" >&2
    cat host.out host.err >&2
  fi

  # The Linux program on its own simulated drive, for comparison.
  if [ -x "$native/app/velt-host" ] && [ -s wine.png ]; then
    mkdir -p linux-config
    VELT_CONFIG_DIR="$work/linux-config" QT_QPA_PLATFORM=offscreen timeout -k 5 120 "$native/app/velt-host" --demo --lang en \
      --connect --report 1 --screenshot "$work/linux.png" >linux.out 2>linux.err || true
    local linux_versions
    linux_versions=$(sed -n 's/^session: versions shown: //p' linux.out | tail -1)
    if [ -n "$linux_versions" ]; then
      check "the same versions as on Linux" test "$versions" = "$linux_versions"
    else
      bad "the native velt-host reports no versions"
    fi
    local compared compared_rc=0
    compared=$(python3 "$VELT_ROOT/scripts/compare-screens.py" wine.png linux.png 2>&1) || compared_rc=$?
    check "the same layout as on Linux: $compared" test "$compared_rc" -eq 0
  else
    echo "windows gui: no native velt-host in $native/app: the picture is not compared"
  fi

  cd - >/dev/null
  echo "windows gui: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
