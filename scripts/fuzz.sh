#!/usr/bin/env bash
# Runs one fuzz target for as long as asked, at the lowest priority:
#   scripts/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS...]
# TARGET is a name under fuzz/corpus (modbus_reply, par_file, ...). The fuzz
# build (clang, build-fuzz/) is made first when needed. New inputs collect in
# build-fuzz/fuzz/campaign/TARGET; crashing inputs land beside them as
# crash-*: minimise one, add it to fuzz/corpus/TARGET with the fix.
set -euo pipefail
VELT_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
source "$VELT_ROOT/scripts/setup.sh"

if [ $# -lt 2 ] || [ ! -d "$VELT_ROOT/fuzz/corpus/$1" ]; then
  echo "usage: scripts/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS...]" >&2
  echo "targets: $(ls "$VELT_ROOT/fuzz/corpus" | tr '\n' ' ')" >&2
  exit 64
fi
target=$1 seconds=$2
shift 2

velt_install_packages "${VELT_FUZZ_PACKAGES[@]}"
velt_build fuzz
work="$VELT_ROOT/build-fuzz/fuzz/campaign/$target"
mkdir -p "$work/corpus"
exec nice -n 19 "$VELT_ROOT/build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/" "$@" "$work/corpus" "$VELT_ROOT/fuzz/corpus/$target"
