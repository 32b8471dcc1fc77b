#!/bin/sh
# Rebuilds the image generator in a private build dir and redraws every
# bitmap into resources/img/. Usage: tools/imagegen/regenerate.sh
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${ORVO_IMAGEGEN_BUILD_DIR:-/tmp/orvo_imagegen_build}
out="$repo/resources/img"

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target orvo_imagegen -j2
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build/orvo_imagegen" "$out"
