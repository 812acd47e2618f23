#!/usr/bin/env bash
# Checks that every C++ source of the repository is formatted as .clang-format
# says. Prints the files that are not and exits 1; `scripts/check-format.sh
# --fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
# One run over all files; each difference is reported as "FILE:LINE:COL: error: ...".
mapfile -t bad < <(clang-format --dry-run "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: \(error\|warning\): code should be clang-formatted.*/\1/p' | sort -u)
if [ ${#bad[@]} -gt 0 ]; then
  echo "check-format: ${#bad[@]} of ${#files[@]} files are not formatted as .clang-format says:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  echo "check-format: scripts/check-format.sh --fix formats them" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
