#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# A second, ThreadSanitizer build runs the Qt-free core tests; a third,
# AddressSanitizer + UBSan build runs the whole suite; a Windows build
# (mingw-w64) runs the core tests and velt-cli under Wine; a build with
# clang and libFuzzer runs the fuzz targets briefly. Each step tells its time.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

if [ "${VELT_SKIP_WINDOWS:-0}" != "1" ]; then
  VELT_PACKAGES+=("${VELT_WINDOWS_PACKAGES[@]}")
fi
velt_install_packages
# Each step says how long it took, so the whole run can be kept near 15 minutes on 2 cores.
step_start=$SECONDS
took() { echo "test.sh: $1: $((SECONDS - step_start)) s"; step_start=$SECONDS; }

velt_build "$VELT_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
took "build"

export QT_QPA_PLATFORM=offscreen
# Most tests wait on a serial line or a timer rather than compute (the suite
# keeps about a quarter of two cores busy): eight at a time here. The
# sanitizer builds cost several times the CPU per test, and real-time checks
# such as the soak's "no failed request" need the cores: four at a time there.
status=0
ctest --test-dir "$VELT_ROOT/build" --output-on-failure -j "${VELT_TEST_JOBS:-8}" --timeout 300 || status=1
export VELT_SANITIZER_TEST_JOBS="${VELT_SANITIZER_TEST_JOBS:-4}"
took "tests"

# The Debian package, built from build/ and checked (VELT_SKIP_PACKAGE=1 leaves it out).
if [ "${VELT_SKIP_PACKAGE:-0}" != "1" ]; then
  "$VELT_ROOT/scripts/check-package.sh" "$VELT_ROOT/build" || status=1
  took "package check"
fi

if [ "${VELT_SKIP_TSAN:-0}" != "1" ]; then
  velt_build "$VELT_ROOT/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DVELT_TSAN=ON -DVELT_GUI=OFF -DVELT_BENCH=OFF
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$VELT_ROOT/build-tsan" --output-on-failure -j "$VELT_SANITIZER_TEST_JOBS" --timeout 300 -L core || status=1
  took "ThreadSanitizer build and core tests"
fi

# The whole suite, GUI tests included, with AddressSanitizer and UBSan; the
# first report ends the program and fails its test (VELT_SKIP_ASAN=1 leaves it out).
if [ "${VELT_SKIP_ASAN:-0}" != "1" ]; then
  # -O1, as usual for sanitizer builds: far quicker than -O0; line tables
  # (-g1) are all the reports need to name file and line.
  velt_build "$VELT_ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
    -DVELT_ASAN=ON -DVELT_BENCH=OFF
  "$VELT_ROOT/scripts/sanitizer-test.sh" "$VELT_ROOT/build-asan" || status=1
  took "AddressSanitizer build and tests"
fi

if [ "${VELT_SKIP_WINDOWS:-0}" != "1" ]; then
  "$VELT_ROOT/scripts/windows-test.sh" "$VELT_ROOT/build" "$VELT_ROOT/build-windows" || status=1
  took "Windows build and Wine run"
fi

# Fuzz targets (clang): the seed corpora plus a few thousand mutated inputs
# each. VELT_SKIP_FUZZ=1 leaves them out.
if [ "${VELT_SKIP_FUZZ:-0}" != "1" ]; then
  velt_build_fuzz
  ctest --test-dir "$VELT_ROOT/build-fuzz" --output-on-failure -j 2 --timeout 300 -L fuzz || status=1
  took "fuzz build and targets"
fi
echo "test.sh: whole run: $SECONDS s"
exit $status
