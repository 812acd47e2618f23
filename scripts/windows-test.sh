#!/usr/bin/env bash
# The Windows part of ./test.sh. Builds the Qt-free core, velt-cli and the
# core tests with mingw-w64 and runs them under 64-bit Wine in a throw-away
# prefix inside the Windows build folder:
#   1. the core test programs, through ctest (Wine is the cross-compiling
#      emulator);
#   2. velt-cli.exe against the simulated drive: velt-drive-sim from the
#      native build serves on a pseudo-terminal that the prefix maps to COM5.
# Exits non-zero when anything fails; wineserver and the simulator are ended
# on every way out.
#
# The Windows tree is the preset "windows" (build-windows/).
#
#   scripts/windows-test.sh NATIVE_BUILD_DIR
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$VELT_ROOT/scripts/setup.sh"
source "$VELT_ROOT/scripts/wine-cli-checks.sh"

native="$(realpath -m "${1:?usage: scripts/windows-test.sh NATIVE_BUILD_DIR}")"
win="$VELT_ROOT/build-windows"

# Quiet, without windows or installer prompts (no Mono, no Gecko).
export WINEPREFIX="$win/wineprefix"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
work="$win/wine-run"
sim_pid=""
boot_pid=""

cleanup() {
  exec 3>&- 2>/dev/null || true
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  if [ -n "$boot_pid" ]; then wait "$boot_pid" 2>/dev/null || true; fi
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# The prefix is made while the Windows tree builds. Its wineserver stays up
# between the programs below (-p) and is ended by cleanup.
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$WINEPREFIX" "$work"
wineserver -p >/dev/null 2>&1
wineboot -i >/dev/null 2>&1 &
boot_pid=$!
velt_build windows
wait "$boot_pid"
boot_pid=""

status=0
velt_test windows || status=1

# The simulated drive, its control lines on fd 3, its COMn entry in a ports
# folder of this run only.
mkfifo "$work/control"
VELT_PORTS_DIR="$work/ports" "$native/sim/velt-drive-sim" --port COM5 --state "$work/drive.state" \
  <"$work/control" >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 3>"$work/control"
device=""
for _ in $(seq 100); do
  device=$(awk '/^ready COM5 /{print $3}' "$work/sim.out")
  [ -n "$device" ] && break
  sleep 0.1
done
if [ -z "$device" ]; then
  echo "windows: velt-drive-sim did not start:" >&2
  cat "$work/sim.out" >&2
  exit 1
fi
ln -sfn "$device" "$WINEPREFIX/dosdevices/com5"

wine_cli_checks "$win/cli/velt-cli.exe" "$native/cli/velt-cli" "$device" "$work" || status=1
exit $status
