#!/usr/bin/env bash
# Installs what is missing, builds and runs the tests.
#
#   ./test.sh        the whole suite (unit, window, end-to-end, fault drills)
#                    in build/, and the format check: about 5 minutes on 2 cores
#   ./test.sh --all  then a 3-minute fault soak with a fixed seed, the
#                    benchmarks built, the Debian package checked, the
#                    Qt-free core under ThreadSanitizer, the whole suite under
#                    AddressSanitizer and UBSan, the Windows build under Wine
#                    and the fuzz targets' regression runs: what CI runs
#
# Each step prints its time; the exit status is non-zero when any step failed.
# In --all, VELT_SKIP_SOAK, VELT_SKIP_PACKAGE, VELT_SKIP_TSAN, VELT_SKIP_ASAN,
# VELT_SKIP_WINDOWS and VELT_SKIP_FUZZ set to 1 leave that step out.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

all=0
case "${1:-}" in
  "") ;;
  --all) all=1 ;;
  *) echo "usage: ./test.sh [--all]" >&2; exit 64 ;;
esac
skip() { [ "${!1:-0}" = "1" ]; }

extra=()
if [ $all = 1 ]; then
  skip VELT_SKIP_PACKAGE || extra+=("${VELT_PACKAGE_PACKAGES[@]}")
  skip VELT_SKIP_WINDOWS || extra+=("${VELT_WINDOWS_PACKAGES[@]}")
  skip VELT_SKIP_FUZZ || extra+=("${VELT_FUZZ_PACKAGES[@]}")
fi
velt_install_packages "${extra[@]}"

step_start=$SECONDS
took() { echo "test.sh: $1: $((SECONDS - step_start)) s"; step_start=$SECONDS; }
status=0
run() { "$@" || status=1; }

run "$VELT_ROOT/scripts/check-format.sh"
took "format check"
velt_build plain
took "build"
run velt_test plain
took "tests"

if [ $all = 1 ]; then
  if ! skip VELT_SKIP_SOAK; then
    # Seed 16: the simulator killed and started again after 6 s, the drive
    # silent for 10 s, then answering at 19200 bit/s.
    run env VELT_BUILD_DIR="$VELT_ROOT/build" "$VELT_ROOT/scripts/soak.sh" 3 --faults --seed 16
    took "fault soak (3 minutes)"
  fi
  velt_build plain bench
  took "benchmarks built"
  if ! skip VELT_SKIP_PACKAGE; then
    run "$VELT_ROOT/scripts/check-package.sh" "$VELT_ROOT/build"
    took "package check"
  fi
  if ! skip VELT_SKIP_TSAN; then
    velt_build tsan
    run velt_test tsan
    took "ThreadSanitizer build and core tests"
  fi
  if ! skip VELT_SKIP_ASAN; then
    velt_build asan
    run velt_test asan
    took "AddressSanitizer build and tests"
  fi
  if ! skip VELT_SKIP_WINDOWS; then
    run "$VELT_ROOT/scripts/windows-test.sh" "$VELT_ROOT/build"
    took "Windows build and Wine run"
  fi
  if ! skip VELT_SKIP_FUZZ; then
    velt_build fuzz
    run velt_test fuzz
    took "fuzz build and targets"
  fi
fi
echo "test.sh: whole run: $SECONDS s"
exit $status
