#!/usr/bin/env bash
# How long the batch runner takes to make animations of a thirty-second
# workflow (bench/animation_workflow.txt), each run on a fresh copy of the
# image: the whole device as GIF, WebM and MP4, and the LCD alone as GIF.
# usage: bench/animation_time.sh [BUILD_DIR]   (needs hyperfine)
set -euo pipefail
build=$(realpath "${1:-build}")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
batch="$build/batch/klx80-batch --flash run.hex --script $here/animation_workflow.txt"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
hyperfine -w 1 -r 10 --prepare "cp $build/fontData.hex run.hex" \
  "$batch --animation a.gif --animation-device" "$batch --animation a.webm --animation-device" \
  "$batch --animation a.mp4 --animation-device" "$batch --animation a.gif"
cp "$build/fontData.hex" run.hex
"$build/batch/klx80-batch" --flash run.hex --script "$here/animation_workflow.txt" --animation a.gif 2>&1 | tail -1
