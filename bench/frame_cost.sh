#!/usr/bin/env bash
# Whole-process CPU per frame of the real program on software OpenGL (Mesa
# llvmpipe under Xvfb, 1280x720), for the script workloads in workloads/:
#   empty        an SQUpdate that does nothing
#   sprites1000  1,000 32x32 sprites bounced at the edges (SQ_AppendSprite2)
#   sprites10000 10,000 of them
#   text2000     2,000 glyphs of debug text
# CPU per frame = (CPU of an N-frame run - CPU of a 1-frame run) / (N - 1),
# so start-up and shut-down cancel out; each figure is the median of 3 pairs
# of runs. Each workload runs with LP_NUM_THREADS=0 (one rasteriser thread)
# and with llvmpipe's default threads. Peak memory is the N-frame run's
# maximum resident set size.
#
# Usage: bench/frame_cost.sh <build dir with vornakle and USRDIR> [frames]
#        PROFILE=1 adds a perf profile (top functions) of each
#        LP_NUM_THREADS=0 workload; PROFILE_ONLY=1 gives the profiles alone.
set -euo pipefail

build=$(cd "${1:?usage: frame_cost.sh <build dir> [frames]}" && pwd)
frames=${2:-151}
here=$(cd "$(dirname "$0")" && pwd)
program="$build/vornakle"
[[ -x "$program" && -d "$build/USRDIR" ]] || { echo "no vornakle or USRDIR in $build" >&2; exit 1; }

if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1920x1200x24" "$0" "$@"
fi

# "default" means llvmpipe picks its thread count: nothing inherited.
unset LP_NUM_THREADS
work=$(mktemp -d /tmp/frame_cost.XXXXXX)
trap 'rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 QZ_NO_MESSAGE_BOX=1
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# A data tree whose start-up script defines gSpriteCount and whose game
# script is the workload.
make_tree() {  # name script count
  local tree="$work/$1"
  mkdir -p "$tree"
  cp -r "$build/USRDIR" "$tree/USRDIR"
  rm -rf "$tree/USRDIR/scriptsConv" "$tree/USRDIR/SAVEDATA/SAVE00.BIN"
  mkdir -p "$tree/USRDIR/scriptsConv"
  { cat "$here/workloads/start.nut"; echo "::gSpriteCount <- $3;"; } > "$tree/start.nut"
  squirrel3 -o "$tree/USRDIR/scriptsConv/all_StartCmd.cnut" -c "$tree/start.nut"
  squirrel3 -o "$tree/USRDIR/scriptsConv/all.cnut" -c "$here/workloads/$2"
}

# "user+system seconds peak-kB" of one run of n frames.
run_once() {  # tree n threads
  local out="$work/time.txt" threads=()
  [[ "$3" == default ]] || threads=(LP_NUM_THREADS="$3")
  (cd "$1" && env "${threads[@]}" QZ_QUIT_AFTER_FRAMES="$2" \
     /usr/bin/time -o "$out" -f "%U %S %M" "$program" >/dev/null 2>&1) || true
  awk '{ printf "%.3f %d\n", $1 + $2, $3 }' "$out"
}

median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

measure() {  # tree threads -> "ms-per-frame peak-MB"
  local per=() peak=0
  for _ in 1 2 3; do
    read -r long kb < <(run_once "$1" "$frames" "$2")
    read -r short _ < <(run_once "$1" 1 "$2")
    per+=("$(awk -v a="$long" -v b="$short" -v n="$frames" 'BEGIN { printf "%.1f", (a - b) * 1000 / (n - 1) }')")
    (( kb > peak )) && peak=$kb
  done
  echo "$(median3 "${per[@]}") $(awk -v k="$peak" 'BEGIN { printf "%.0f", k / 1024 }')"
}

profile() {  # tree name
  local data="$work/$2.perf"
  (cd "$1" && LP_NUM_THREADS=0 QZ_QUIT_AFTER_FRAMES="$frames" \
     perf record -q -F 499 -o "$data" "$program" >/dev/null 2>&1) || true
  # The rasteriser's generated code shows as [JIT] (no symbols); llvmpipe's
  # own code is swrast_dri.so.
  echo "where the time goes, $2, LP_NUM_THREADS=0 (share by library):"
  perf report -i "$data" --no-children --sort dso --stdio 2>/dev/null |
    grep -E '^ +[0-9]' | head -6 || true
  echo "top named functions:"
  perf report -i "$data" --no-children --sort dso,symbol --stdio 2>/dev/null |
    grep -E '^ +[0-9]' | grep -v -e '\[JIT\]' -e ' 0x0000' | head -8 | sed -e 's/  */ /g' || true
}

echo "machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "program: $program, $frames frames against 1"
printf '%-14s %-10s %12s %10s\n' workload threads "ms/frame" "peak MB"
workloads=("empty empty.nut 0" "sprites1000 sprites.nut 1000"
           "sprites10000 sprites.nut 10000" "text2000 text.nut 0")
for w in "${workloads[@]}"; do
  read -r name script count <<< "$w"
  make_tree "$name" "$script" "$count"
  [[ "${PROFILE_ONLY:-0}" == 1 ]] && continue
  for threads in 0 default; do
    read -r ms mb < <(measure "$work/$name" "$threads")
    printf '%-14s %-10s %12s %10s\n' "$name" "$threads" "$ms" "$mb"
  done
done
if [[ "${PROFILE:-0}" == 1 || "${PROFILE_ONLY:-0}" == 1 ]]; then
  for w in "${workloads[@]}"; do
    read -r name _ _ <<< "$w"
    profile "$work/$name" "$name"
  done
fi
