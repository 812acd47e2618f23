#!/usr/bin/env bash
# The Windows part of ./test.sh. Builds velt-host, velt-cli and the tests
# with mingw-w64 against Qt for mingw (scripts/build-qt-mingw.sh puts it in a
# cache folder: unpacked from ../shared/qt-mingw when there, else built from
# Debian's source, about 40 minutes once), packs velt-host-<version>-win64.zip
# and runs under 64-bit Wine, in a throw-away prefix inside the Windows build
# folder, on a virtual X server:
#   1. the test programs through ctest (Wine is the cross-compiling emulator):
#      the core tests and the window tests that need no pseudo-terminal
#      (offscreen);
#   2. velt-cli.exe against the simulated drive: velt-drive-sim from the
#      native build serves on a pseudo-terminal that the prefix maps to COM5;
#   3. velt-host.exe from the unpacked zip against the same drive on COM3:
#      window shown, connected, versions and parameters read, closed
#      (scripts/wine-gui-checks.sh).
# Exits non-zero when anything fails; wineserver, the X server and the
# simulator are ended on every way out.
#
# The Windows tree is the preset "windows" (build-windows/).
#
#   scripts/windows-test.sh NATIVE_BUILD_DIR
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$VELT_ROOT/scripts/setup.sh"
# Run by hand too: what the Windows step needs (Wine, mingw-w64, Xvfb, zip).
velt_install_packages "${VELT_WINDOWS_PACKAGES[@]}"
source "$VELT_ROOT/scripts/wine-cli-checks.sh"
source "$VELT_ROOT/scripts/wine-gui-checks.sh"

native="$(realpath -m "${1:?usage: scripts/windows-test.sh NATIVE_BUILD_DIR}")"
win="$VELT_ROOT/build-windows"

# Qt for mingw, found by the toolchain file through VELT_QT_MINGW_DIR.
VELT_QT_MINGW_DIR="$("$VELT_ROOT/scripts/build-qt-mingw.sh")"
export VELT_QT_MINGW_DIR

# Quiet, without installer prompts (no Mono, no Gecko). The test programs
# find Qt's DLLs and the compiler's run-time DLLs they use through WINEPATH;
# the zip's programs have them beside them.
export WINEPREFIX="$win/wineprefix"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_dir() { local d="$1"; echo "Z:${d//\//\\}"; }
WINEPATH="$(wine_dir "$VELT_QT_MINGW_DIR/bin");$(wine_dir /usr/lib/gcc/x86_64-w64-mingw32/12-posix)"
WINEPATH+=";$(wine_dir /usr/x86_64-w64-mingw32/lib)"
export WINEPATH
unset WAYLAND_DISPLAY
work="$win/wine-run"
sim_pid=""
boot_pid=""
xvfb_pid=""

cleanup() {
  exec 3>&- 2>/dev/null || true
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  if [ -n "$boot_pid" ]; then wait "$boot_pid" 2>/dev/null || true; fi
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

rm -rf "$WINEPREFIX" "$work"
mkdir -p "$WINEPREFIX" "$work"

# A virtual X server of this run for every Wine program (the desktop process
# the prefix starts keeps the display it was started with); it picks a free
# display number and writes it to fd 4.
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "windows: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -1 "$work/display")"

# The prefix is made while the Windows tree builds. Its wineserver stays up
# between the programs below (-p) and is ended by cleanup.
wineserver -p >/dev/null 2>&1
wineboot -i >/dev/null 2>&1 &
boot_pid=$!
velt_build windows
zip="$("$VELT_ROOT/scripts/package-windows.sh" "$win")"
wait "$boot_pid"
boot_pid=""

status=0
# Now and then Wine ends a test program before it prints a line (no output,
# a few ms), when many start at once: a failed test runs once more here. The
# same tests run natively, and under the sanitizers, without a second try.
velt_test windows --repeat until-pass:2 || status=1

# The simulated drive, its control lines on fd 3, its COMn entry in a ports
# folder of this run only.
mkfifo "$work/control"
VELT_PORTS_DIR="$work/ports" "$native/sim/velt-drive-sim" --port COM5 --state "$work/drive.state" \
  <"$work/control" >"$work/sim.out" 2>&1 &
sim_pid=$!
exec 3<>"$work/control" # read-write: never waits for a simulator that did not start
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
wine_tcp_checks "$win/cli/velt-cli.exe" "$native/sim/velt-drive-sim" "$work" || status=1

# velt-host.exe as the user gets it: the zip unpacked, nothing on WINEPATH.
mkdir -p "$work/unzipped"
unzip -q "$zip" -d "$work/unzipped"
ln -sfn "$device" "$WINEPREFIX/dosdevices/com3"
wine_gui_checks "$(echo "$work/unzipped"/velt-host-*-win64)" "$native" "$work" || status=1
cp "$work/wine.png" "$win/velt-host-wine.png" 2>/dev/null || true
exit $status
