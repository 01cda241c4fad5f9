#!/usr/bin/env bash
# Writes a small Windows Media movie (ASF with WMV2 video) whose every frame
# is red in its top half and blue in its bottom half, optionally with a WMA
# tone track. Uses gst-launch-1.0 (GStreamer's libav encoders and asfmux).
# WMV2 needs an even width.
# usage: write_movie.sh OUT WIDTH HEIGHT FRAMES [FPS] [--audio]
set -euo pipefail
out=$1 width=$2 height=$3 frames=$4 fps=${5:-10} audio=${6:-}
top=$((height / 2))
bottom=$((height - top))
mkdir -p "$(dirname "$out")"
tmp="$out.part"
video_caps="video/x-raw,width=$width,framerate=$fps/1"
audio_branch=()
if [ "$audio" = "--audio" ]; then
  samples=$((44100 * frames / fps))
  audio_branch=(audiotestsrc num-buffers=$((samples / 1024)) samplesperbuffer=1024 freq=440
    ! audioconvert ! avenc_wmav2 ! queue ! mux.)
fi
gst-launch-1.0 -q \
  compositor name=mix sink_1::ypos="$top" \
  ! "video/x-raw,width=$width,height=$height,framerate=$fps/1" ! videoconvert ! avenc_wmv2 \
  ! queue ! asfmux name=mux ! filesink location="$tmp" \
  videotestsrc pattern=solid-color foreground-color=0xffff0000 num-buffers="$frames" \
  ! "$video_caps,height=$top" ! mix. \
  videotestsrc pattern=solid-color foreground-color=0xff0000ff num-buffers="$frames" \
  ! "$video_caps,height=$bottom" ! mix. \
  "${audio_branch[@]}"
mv "$tmp" "$out"
