#!/usr/bin/env bash
# Runs every fuzzer for a few seconds over a copy of its seed corpus and
# prints the coverage it reached. Every tests/fuzz/fuzz_<name>.cpp must have
# its program in the given folder: a missing one fails the run.
# QZ_FUZZ_KEEP=1 merges the inputs that reached new code, minimized, back into
# tests/fuzz/corpus/<name> (a developer's step; CI leaves the tree alone).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?fuzzer folder}
seconds=${QZ_FUZZ_SECONDS:-10}
keep=${QZ_FUZZ_KEEP:-0}
[ -d "$dir" ] || { echo "no fuzzer folder: $dir" >&2; exit 1; }

status=0
for source in "$root"/tests/fuzz/fuzz_*.cpp; do
  name=$(basename "$source" .cpp); name=${name#fuzz_}
  fuzzer="$dir/fuzz_$name"
  if [ ! -x "$fuzzer" ]; then
    echo "fuzz_$name: not built ($fuzzer)" >&2
    status=1
    continue
  fi
  corpus="$root/tests/fuzz/corpus/$name"
  if [ ! -d "$corpus" ] || [ -z "$(ls -A "$corpus")" ]; then
    echo "fuzz_$name: no seeds in $corpus" >&2
    status=1
    continue
  fi
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/
  # -print_final_stats gives the closing counts; the last "cov:" line is the
  # coverage the run reached (edges, features, corpus size).
  # A fuzzer that drives FAudio needs the full unwinder, so that the locks
  # FAudio loses with every engine match their named entry in lsan.supp.
  unwind=()
  case $name in
    xact_bank_check) unwind=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0") ;;
  esac
  if ! "${unwind[@]}" "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$work" >"$work.log" 2>&1; then
    tail -n 40 "$work.log"
    echo "fuzz_$name: found a failing input (above)" >&2
    rm -rf "$work" "$work.log"
    exit 1
  fi
  start=$(grep -m1 -oE 'INITED cov: [0-9]+ ft: [0-9]+' "$work.log" | sed 's/INITED //' || true)
  final=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$work.log" | tail -n 1 || true)
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$work.log" | grep -oE '[0-9]+$' || true)
  echo "fuzz_$name: ${seconds}s, ${runs:-?} runs; seeds ${start:-?}; reached ${final:-?}"
  if [ "$keep" = 1 ]; then
    "$fuzzer" -merge=1 "$corpus" "$work" >"$work.log" 2>&1 ||
      { tail -n 20 "$work.log"; status=1; }
  fi
  rm -rf "$work" "$work.log"
done
exit "$status"
