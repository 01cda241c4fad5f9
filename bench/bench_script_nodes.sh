#!/usr/bin/env bash
# The script-node workload in the real program (bench/script_nodes/all.nut):
# builds an optimised program and the demo's data tree, swaps in the
# benchmark's scripts, and runs it under Xvfb for N frames and for 1 frame in
# each mode ("batch": one sprite buffer; "append": SQ_AppendSprite2 and text
# nodes on their own), with llvmpipe on the calling thread (LP_NUM_THREADS=0)
# and with its default threads. Reports whole-process CPU milliseconds per
# frame ((CPU of N frames - CPU of 1 frame) / (N - 1)), peak resident memory,
# and the top functions of a perf profile of the batch run on one thread.
#   bench/bench_script_nodes.sh [frames]      (default 300)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=${1:-300}
build=${QZ_BENCH_BUILD:-$root/build/release}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQZ_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 4 --target vornakle demo_data >/dev/null
compiler=$(grep -E '^SQUIRREL_COMPILER:' "$build/CMakeCache.txt" | cut -d= -f2)
compiler=${compiler:-squirrel3}

work=$(mktemp -d /tmp/qzbenchXXXXXX)
trap 'rm -rf "$work"' EXIT

# A data tree per mode: the demo's assets with the benchmark's images.
for mode in batch append; do
  mkdir -p "$work/$mode"
  cp -r "$build/USRDIR" "$work/$mode/USRDIR"
  { echo "::gBenchMode <- \"$mode\";"; cat "$root/bench/script_nodes/all.nut"; } >"$work/$mode/all.nut"
  "$compiler" -o "$work/$mode/USRDIR/scriptsConv/all.cnut" -c "$work/$mode/all.nut"
  "$compiler" -o "$work/$mode/USRDIR/scriptsConv/all_StartCmd.cnut" \
    -c "$root/bench/script_nodes/all_StartCmd.nut"
done

# run <mode> <frames> <LP_NUM_THREADS or ""> -> "user_s sys_s maxrss_kb"
run() {
  local mode=$1 n=$2 threads=$3
  local dir="$work/$mode"
  rm -rf "$dir/Log" "$dir/USRDIR/SAVEDATA/SAVE00.BIN"
  mkdir -p "$work/runtime"
  (
    cd "$dir"
    env ${threads:+LP_NUM_THREADS=$threads} XDG_RUNTIME_DIR="$work/runtime" SDL_AUDIODRIVER=dummy \
      QZ_NO_MESSAGE_BOX=1 QZ_QUIT_AFTER_FRAMES="$n" \
      xvfb-run -a -s "-screen 0 1920x1080x24" \
      /usr/bin/time -f "%U %S %M" -o "$dir/time.txt" "$build/vornakle" >/dev/null 2>&1
  )
  cat "$dir/time.txt"
}

printf "%-7s %-9s %14s %14s\n" mode llvmpipe "CPU ms/frame" "peak RSS MiB"
for threads in 0 ""; do
  for mode in batch append; do
    read -r u1 s1 m1 < <(run "$mode" 1 "$threads")
    read -r un sn mn < <(run "$mode" "$frames" "$threads")
    per=$(echo "scale=3; (($un + $sn) - ($u1 + $s1)) * 1000 / ($frames - 1)" | bc)
    printf "%-7s %-9s %14s %14s\n" "$mode" "${threads:-default}" "$per" "$((mn / 1024))"
  done
done

if command -v perf >/dev/null; then
  dir="$work/batch"
  rm -rf "$dir/Log" "$dir/USRDIR/SAVEDATA/SAVE00.BIN"
  (
    cd "$dir"
    LP_NUM_THREADS=0 XDG_RUNTIME_DIR="$work/runtime" SDL_AUDIODRIVER=dummy QZ_NO_MESSAGE_BOX=1 \
      QZ_QUIT_AFTER_FRAMES="$frames" xvfb-run -a -s "-screen 0 1920x1080x24" \
      perf record -F 499 -o "$dir/perf.data" "$build/vornakle" >/dev/null 2>&1 || true
  )
  if [ -s "$dir/perf.data" ]; then
    # The rasteriser's generated code shows as [JIT]; llvmpipe's own code
    # lives in swrast_dri.so.
    echo
    echo "where the time goes, batch mode, LP_NUM_THREADS=0 (share by library):"
    perf report -i "$dir/perf.data" --stdio --no-children --sort dso 2>/dev/null |
      grep -E '^ +[0-9]' | sed -n 1,10p || true
    echo
    echo "top functions outside the rasteriser:"
    perf report -i "$dir/perf.data" --stdio --no-children --sort dso,symbol 2>/dev/null |
      grep -E '^ +[0-9]' | grep -v -e '\[JIT\]' -e swrast_dri | sed -n 1,15p |
      sed -e 's/  */ /g' || true
  fi
fi
