#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# A second, ThreadSanitizer build runs the Qt-free core tests; a Windows
# build (mingw-w64) runs the core tests and velt-cli under Wine; a build with
# clang and libFuzzer runs the fuzz targets briefly.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

if [ "${VELT_SKIP_WINDOWS:-0}" != "1" ]; then
  VELT_PACKAGES+=("${VELT_WINDOWS_PACKAGES[@]}")
fi
velt_install_packages
velt_build "$VELT_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON

export QT_QPA_PLATFORM=offscreen
status=0
ctest --test-dir "$VELT_ROOT/build" --output-on-failure -j 2 --timeout 300 || status=1

# The Debian package, built from build/ and checked (VELT_SKIP_PACKAGE=1 leaves it out).
if [ "${VELT_SKIP_PACKAGE:-0}" != "1" ]; then
  "$VELT_ROOT/scripts/check-package.sh" "$VELT_ROOT/build" || status=1
fi

if [ "${VELT_SKIP_TSAN:-0}" != "1" ]; then
  velt_build "$VELT_ROOT/build-tsan" -DCMAKE_BUILD_TYPE=Debug -DVELT_TSAN=ON -DVELT_GUI=OFF -DVELT_BENCH=OFF
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$VELT_ROOT/build-tsan" --output-on-failure -j 2 --timeout 300 -L core || status=1
fi

if [ "${VELT_SKIP_WINDOWS:-0}" != "1" ]; then
  "$VELT_ROOT/scripts/windows-test.sh" "$VELT_ROOT/build" "$VELT_ROOT/build-windows" || status=1
fi

# Fuzz targets (clang): the seed corpora plus a few thousand mutated inputs
# each. VELT_SKIP_FUZZ=1 leaves them out.
if [ "${VELT_SKIP_FUZZ:-0}" != "1" ]; then
  velt_build_fuzz
  ctest --test-dir "$VELT_ROOT/build-fuzz" --output-on-failure -j 2 --timeout 300 -L fuzz || status=1
fi
exit $status
