#!/usr/bin/env bash
# Real-time factor of the whole `tamboro convert` command: a long groove made
# by our drum synthesiser is converted by the transcriber (taught, and with its
# built-in hits) and by the plug-in engine with auto thresholds (two passes
# through the plug-in) and with taught drums and fixed thresholds. The factor
# is seconds of audio per second of wall-clock time.
#
# usage: bench/cli_speed.sh [BUILD_DIR] [SECONDS]    (defaults: build, 600)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/tamboro_make_demo" --long "$seconds" "$work/long.wav"
"$build/tools/tamboro_make_demo" "$work"

measure() {
    local label=$1
    shift
    local start end
    start=$(date +%s.%N)
    "$build/tamboro" convert "$work/long.wav" -o "$work/long.mid" --force -j 1 "$@" >"$work/summary" 2>&1
    end=$(date +%s.%N)
    awk -v s="$seconds" -v a="$start" -v b="$end" -v l="$label" \
        'BEGIN { printf "%-44s %6.2f s for %d s of audio: real-time factor %.0f\n", l, b - a, s, s / (b - a) }'
}

echo "tamboro convert, $seconds s of 44.1 kHz stereo drums ($(nproc) cores):"
measure "transcriber, taught drums" --learn kick="$work/kick.flac" --learn snare="$work/snare.flac" \
    --learn hihat="$work/hihat.flac"
measure "transcriber, built-in hits"
measure "plug-in, auto thresholds, 32-bit" --engine plugin
measure "plug-in, taught drums, fixed thresholds, 32-bit" --engine plugin --high 0.4 --low 0.2 \
    --learn kick="$work/kick.flac" --learn snare="$work/snare.flac" --learn hihat="$work/hihat.flac"
measure "plug-in, taught drums, fixed thresholds, 64-bit" --engine plugin --high 0.4 --low 0.2 --precision 64 \
    --learn kick="$work/kick.flac" --learn snare="$work/snare.flac" --learn hihat="$work/hihat.flac"
tail -n 1 "$work/summary"
