# velt-cli.exe under Wine against the simulated drive; sourced by
# windows-test.sh. Expects the simulator's control lines on fd 3 and its
# pseudo-terminal mapped to COM5 (and COM12) in $WINEPREFIX/dosdevices.
# Compares with the native velt-cli on the same drive where outputs must
# agree. Prints one line per check and "windows: N passed, N failed".

wine_cli_checks() {
  local exe="$1" native_cli="$2" device="$3" work="$4"
  local passed=0 failed=0 code
  ln -sfn "$device" "$WINEPREFIX/dosdevices/com12"
  cd "$work"

  ok() { passed=$((passed + 1)); echo "windows: ok   $1"; }
  bad() { failed=$((failed + 1)); echo "windows: FAIL $1" >&2; }
  # win NAME ARGS...: velt-cli.exe's output in NAME.out and NAME.err (CR LF
  # made LF), its exit code in $code.
  win() {
    local name="$1"; shift
    code=0
    wine "$exe" "$@" >"$name.raw" 2>"$name.err" || code=$?
    tr -d '\r' <"$name.raw" >"$name.out"
  }
  # expect NAME CODE: the last run of NAME ended with CODE.
  expect() {
    if [ "$code" -eq "$2" ]; then ok "$1 (exit $code)"; return 0; fi
    bad "$1: exit $code, expected $2"; cat "$1.err" >&2; return 1
  }
  # check WHAT COMMAND...: ok when the command succeeds.
  check() {
    local what="$1"; shift
    if "$@"; then ok "$what"; else bad "$what"; fi
  }
  # same NAME ARGS...: velt-cli.exe prints what the native velt-cli prints.
  same() {
    local name="$1"; shift
    win "$name" --port COM5 "$@"
    "$native_cli" --port "$device" "$@" >"$name.native" 2>&1 || true
    if expect "$name" 0; then check "$name same as native: $(head -c 60 "$name.out")" cmp -s "$name.out" "$name.native"; fi
  }
  words() { [ "$(wc -w <"$1")" -eq "$2" ]; }
  field_is() { [ "$(cut -d' ' -f"$2" "$1")" = "$3" ]; }
  lines_crlf() { [ "$(wc -l <"$1")" -eq "$2" ] && [ "$(grep -c $'\r$' "$1")" -eq "$2" ]; }
  between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }
  median_ms() { echo $(( $(sed -n 's/.*median=\([0-9]*\).*/\1/p' "$1.out") / 1000 )); }

  # The six functions; writes seen by a native read afterwards.
  same read-coils read-coils
  same read-inputs read-inputs
  same read-holding read-holding 0 36
  same versions read-holding 142 2
  win read-input-regs --port COM5 read-input-regs
  if expect read-input-regs 0; then check "read-input-regs: 32 values" words read-input-regs.out 32; fi
  win write-coil --port COM5 write-coil 1 on
  expect write-coil 0
  same coil-set read-coils
  check "coil 1 is on" field_is coil-set.out 2 1
  win write-register --port COM5 write-register 13 1234
  expect write-register 0
  same register-set read-holding 13 1
  check "register 13 holds 1234" field_is register-set.out 1 1234
  win com12 --port COM12 read-coils # the "\\.\COM12" form of the name
  expect com12 0
  win no-port --port COM9 read-coils
  if expect no-port 15; then
    check "COM9 gives Port Open Fail" grep -q "Port Open Fail" no-port.err
    check "COM9: the reason on the second line" grep -q "No such device: COM9" no-port.err
  fi

  # The ports the system lists, and a scan over two rates: the line's
  # settings saved and put back through the DCB, a probe at the drive's
  # rate answered, one at another rate not.
  win ports --lang en ports
  expect ports 0
  win scan --lang en --port COM5 scan --bauds 19200,9600 --ids 1-3
  if expect scan 0; then
    check "scan finds the drive at 9600 bit/s, ID 1" grep -qx $'COM5\t9600\t1\t12.0.01\t12.0.01' scan.out
    check "scan: one drive only" words scan.out 5
  fi
  win after-scan --port COM5 read-coils
  expect after-scan 0

  win ping --port COM5 ping --count 20
  if expect ping 0; then check "ping: $(cat ping.out)" grep -q "errors=0" ping.out; fi

  # Parameters: read, diff, write with its backup beside the program.
  local backups="$(dirname "$exe")/VELT_Parameter"
  rm -rf "$backups"
  win params-read --lang en --port COM5 params read --out a.par
  expect params-read 0
  check "a.par: 144 lines, CR LF" lines_crlf a.par 144
  "$native_cli" --lang ko --port "$device" params read --out ko-native.par
  win params-read-ko --lang ko --port COM5 params read --out ko.par
  if expect params-read-ko 0; then check "Korean .par (code page 949) same as native" cmp -s ko.par ko-native.par; fi
  win params-diff --lang en --port COM5 params diff a.par
  if expect params-diff 0; then check "params diff: no differences" grep -q "no differences" params-diff.out; fi
  sed 's/^\(013 : .* : \)[-0-9]*\r$/\14321\r/' a.par >b.par
  win params-write --lang en --port COM5 params write b.par --yes
  expect params-write 0
  local backup
  backup=$(ls "$backups"/BackUp_*.par 2>/dev/null | head -1)
  check "backup in $backups holds the drive's values" cmp -s "${backup:-/nonexistent}" a.par
  win params-diff-b --lang en --port COM5 params diff b.par
  expect params-diff-b 0
  "$native_cli" --port "$device" read-holding 13 1 >stored.out || true
  check "register 13 stored as 4321" field_is stored.out 1 4321
  rm -rf "$backups"

  # faulty NAME FAULT EXIT TEXT MIN MAX: one ping while the simulator has
  # FAULT on fails with EXIT and TEXT after MIN to MAX ms, as measured inside
  # the program.
  faulty() {
    echo "$2" >&3
    win "$1" --port COM5 ping --count 1
    echo "clear" >&3
    if expect "$1" "$3"; then
      check "$1: $4" grep -qF "$4" "$1.err"
      check "$1: failed after $(median_ms "$1") ms" between "$(median_ms "$1")" "$5" "$6"
    fi
  }
  # A request without a reply: about 1.07 s.
  faulty no-reply "silent on" 11 "RTU_ERR_NO_REPLY (11)" 900 2500
  # A reply that stops half way: the read ends 100 ms after the last byte.
  faulty half-reply "split 400" 10 "RTU_ERR_CRC (10)" 0 899
  sleep 0.5 # the second half, late, is dropped by the next request
  win after-faults --port COM5 read-coils
  expect after-faults 0

  cd - >/dev/null
  echo "windows: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# velt-cli.exe through a Modbus TCP and an RTU-over-TCP gateway: the Linux
# simulator behind a loopback port, reached through Winsock.
wine_tcp_checks() {
  local exe="$1" sim="$2" work="$3"
  local passed=0 failed=0 code kind pid name
  cd "$work"
  ok() { passed=$((passed + 1)); echo "windows: ok   $1"; }
  bad() { failed=$((failed + 1)); echo "windows: FAIL $1" >&2; }
  for kind in tcp rtu-tcp; do
    VELT_PORTS_DIR="$work/ports-$kind" "$sim" --"$kind" 0 </dev/null >"sim-$kind.out" 2>&1 &
    pid=$!
    name=""
    for _ in $(seq 100); do
      name=$(awk '/^ready /{print $2}' "sim-$kind.out" | grep -m1 '://' || true)
      [ -n "$name" ] && break
      sleep 0.1
    done
    if [ -z "$name" ]; then
      bad "$kind: the simulated gateway did not start"; cat "sim-$kind.out" >&2
    else
      code=0
      wine "$exe" --port "$name" read-holding 142 2 >"$kind.raw" 2>"$kind.err" || code=$?
      if [ "$code" -eq 0 ] && [ "$(tr -d '\r' <"$kind.raw")" = "12001 12001" ]; then
        ok "$kind: versions read through $name"
      else
        bad "$kind: exit $code, $(tr -d '\r' <"$kind.raw")"; cat "$kind.err" >&2
      fi
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  # Nobody listens on the port the last gateway had: refused, and told so.
  code=0
  wine "$exe" --port "${name:-tcp://127.0.0.1:1}" read-coils >refused.raw 2>refused.err || code=$?
  if [ "$code" -eq 15 ] && grep -q "refused" refused.err; then ok "refused connection told (exit 15)"; else bad "refused: exit $code"; cat refused.err >&2; fi
  cd - >/dev/null
  echo "windows: tcp $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
