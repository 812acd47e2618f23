#!/usr/bin/env bash
# Runs the whole suite of an AddressSanitizer + UBSan build (VELT_ASAN=ON):
# the first report of either ends the program, so its test fails with the
# report in its output; LeakSanitizer reports what is left at exit.
# Usage: scripts/sanitizer-test.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
start=$SECONDS
status=0
ctest --test-dir "$build" --output-on-failure -j "${VELT_SANITIZER_TEST_JOBS:-4}" --timeout 600 || status=1
echo "sanitizer-test: $((SECONDS - start)) s"
exit $status
