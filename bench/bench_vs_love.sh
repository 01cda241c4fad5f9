#!/usr/bin/env bash
# Our script-node workload and LOVE 11's drawing of the same scene, side by
# side in one run: N textured 32 x 32 sprites moved by the script plus 2,000
# glyphs of text, 1,000 and 10,000 sprites, under Xvfb at 1280 x 720 with
# llvmpipe on the calling thread (LP_NUM_THREADS=0; LP_THREADS= in the
# environment overrides it, empty for llvmpipe's default threads). The three
# programs (ours in "batch" and "append" mode, LOVE) take turns within each of
# 3 rounds, so the machine's load falls on all of them alike. CPU per frame is
# whole-process user + system CPU, (an N-frame run - a 1-frame run) / (N - 1);
# each figure is the median of the rounds, peak memory the median of the
# N-frame runs' largest resident sets. Prints the ratios ours / LOVE.
#   bench/bench_vs_love.sh [frames] [rounds]   (default 61 and 3)
# Needs: xvfb-run, the distribution's love package (LOVE 11.4), bc.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames=${1:-61}
rounds=${2:-3}
threads=${LP_THREADS-0}
build=${QZ_BENCH_BUILD:-$root/build/release}
command -v love >/dev/null || {
  echo "bench_vs_love.sh: needs LOVE 11 (apt-get install love)" >&2
  exit 1
}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQZ_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j 4 --target vornakle demo_data >/dev/null
compiler=$(grep -E '^SQUIRREL_COMPILER:' "$build/CMakeCache.txt" | cut -d= -f2)
compiler=${compiler:-squirrel3}

work=$(mktemp -d /tmp/qzvsloveXXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/runtime"
scenes="1000 10000"

# A data tree per scene and mode, and LOVE's game folder with the same atlas.
for n in $scenes; do
  for mode in batch append; do
    dir="$work/$mode$n"
    mkdir -p "$dir"
    cp -r "$build/USRDIR" "$dir/USRDIR"
    { echo "::gBenchMode <- \"$mode\";"
      sed -e "s/^const kSprites = 10000;/const kSprites = $n;/" "$root/bench/script_nodes/all.nut"; } >"$dir/all.nut"
    "$compiler" -o "$dir/USRDIR/scriptsConv/all.cnut" -c "$dir/all.nut"
    "$compiler" -o "$dir/USRDIR/scriptsConv/all_StartCmd.cnut" \
      -c "$root/bench/script_nodes/all_StartCmd.nut"
  done
done
mkdir -p "$work/love"
cp "$root/bench/love_peer/main.lua" "$root/bench/love_peer/conf.lua" "$work/love/"
cp "$build/USRDIR/images/demo_atlas.tga" "$work/love/atlas.tga"

# run <program: batch|append|love> <sprites> <frames> -> "user_s sys_s maxrss_kb"
run() {
  local prog=$1 n=$2 f=$3 dir cmd
  if [ "$prog" = love ]; then
    dir="$work/love"
    cmd=(love "$work/love")
  else
    dir="$work/$prog$n"
    rm -rf "$dir/Log" "$dir/USRDIR/SAVEDATA/SAVE00.BIN"
    cmd=("$build/vornakle")
  fi
  (
    cd "$dir"
    env ${threads:+LP_NUM_THREADS=$threads} XDG_RUNTIME_DIR="$work/runtime" SDL_AUDIODRIVER=dummy \
      QZ_NO_MESSAGE_BOX=1 QZ_QUIT_AFTER_FRAMES="$f" BENCH_SPRITES="$n" BENCH_FRAMES="$f" \
      xvfb-run -a -s "-screen 0 1280x720x24" \
      /usr/bin/time -f "%U %S %M" -o "$dir/time.txt" "${cmd[@]}" >/dev/null 2>&1
  )
  tail -n 1 "$dir/time.txt"
}

median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

for r in $(seq "$rounds"); do
  for n in $scenes; do
    for prog in batch love append; do
      read -r u1 s1 _ < <(run "$prog" "$n" 1)
      read -r un sn mn < <(run "$prog" "$n" "$frames")
      per=$(echo "scale=3; (($un + $sn) - ($u1 + $s1)) * 1000 / ($frames - 1)" | bc)
      echo "$per" >>"$work/cpu.$prog.$n"
      echo "$((mn / 1024))" >>"$work/rss.$prog.$n"
      echo "round $r: $n sprites, $prog: $per ms/frame, $((mn / 1024)) MiB" >&2
    done
  done
done

echo "LP_NUM_THREADS=${threads:-default}, $frames frames, medians of $rounds interleaved rounds"
printf "%-8s %-8s %12s %10s %12s %10s\n" sprites program "CPU ms/fr" "ratio" "peak MiB" "vs LOVE"
for n in $scenes; do
  lc=$(median <"$work/cpu.love.$n")
  lm=$(median <"$work/rss.love.$n")
  for prog in batch append love; do
    c=$(median <"$work/cpu.$prog.$n")
    m=$(median <"$work/rss.$prog.$n")
    printf "%-8s %-8s %12s %10s %12s %+10d\n" "$n" "$prog" "$c" \
      "$(echo "scale=2; $c / $lc" | bc)" "$m" "$((m - lm))"
  done
done
