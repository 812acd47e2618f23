#!/bin/sh
# Runs a fuzz target as a test: every input of its seed corpus, then
# mutations up to RUNS inputs in all, with a fixed seed. New inputs go to a
# scratch folder that is emptied first, never into the committed corpus.
# Usage: regression.sh TARGET CORPUS SCRATCH RUNS
set -eu
target=$1 corpus=$2 scratch=$3 runs=$4
rm -rf "$scratch"
mkdir -p "$scratch/new" "$scratch/artifacts"
exec "$target" -runs="$runs" -seed=1 -timeout=30 -print_final_stats=1 \
  -artifact_prefix="$scratch/artifacts/" "$scratch/new" "$corpus"
