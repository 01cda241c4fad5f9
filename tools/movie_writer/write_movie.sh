#!/usr/bin/env bash
# Writes a small Windows Media movie (ASF with WMV2 video) whose every frame
# is red in its top half and blue in its bottom half, optionally with a WMA
# tone track. Uses ffmpeg's lavfi sources and its WMV2/WMA encoders.
# WMV2 needs an even width.
# usage: write_movie.sh OUT WIDTH HEIGHT FRAMES [FPS] [--audio]
set -euo pipefail
out=$1 width=$2 height=$3 frames=$4 fps=${5:-10} audio=${6:-}
top=$((height / 2))
bottom=$((height - top))
seconds=$(awk -v f="$frames" -v r="$fps" 'BEGIN { printf "%.3f", f / r }')
mkdir -p "$(dirname "$out")"
inputs=(-f lavfi -i "color=c=red:s=${width}x${top}:r=$fps:d=$seconds"
  -f lavfi -i "color=c=blue:s=${width}x${bottom}:r=$fps:d=$seconds")
maps=(-map "[v]")
if [ "$audio" = "--audio" ]; then
  inputs+=(-f lavfi -i "sine=frequency=440:duration=$seconds")
  maps+=(-map 2:a -c:a wmav2)
fi
ffmpeg -v error -nostdin -y "${inputs[@]}" -filter_complex "[0:v][1:v]vstack[v]" \
  "${maps[@]}" -c:v wmv2 -frames:v "$frames" -f asf "$out.part"
mv "$out.part" "$out"
