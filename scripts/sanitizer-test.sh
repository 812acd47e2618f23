#!/usr/bin/env bash
# Runs the whole suite of an AddressSanitizer + UBSan build (VELT_ASAN=ON):
# the first report of either ends the program, so its test fails with the
# report in its output. Leak reports are left to the soak (scripts/soak.sh):
# Qt and the font libraries keep allocations until the process ends.
# Usage: scripts/sanitizer-test.sh BUILD_DIR
set -euo pipefail
build="${1:?usage: $0 BUILD_DIR}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=0:detect_stack_use_after_return=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
start=$SECONDS
status=0
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 600 || status=1
echo "sanitizer-test: $((SECONDS - start)) s"
exit $status
