#!/usr/bin/env bash
# Runs every built fuzzer for a few seconds over its seed corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?fuzzer folder}
seconds=${QZ_FUZZ_SECONDS:-10}
[ -d "$dir" ] || exit 0
for fuzzer in "$dir"/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer"); name=${name#fuzz_}
  corpus="$root/tests/fuzz/corpus/$name"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "fuzzing $name for ${seconds}s"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=0 "$work" >"$work.log" 2>&1 ||
    { tail -n 40 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
