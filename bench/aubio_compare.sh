#!/usr/bin/env bash
# Tamboro beside Debian's aubioonset (aubio-tools), one run, one file: a long
# stereo drum groove from our drum synthesiser. Reports each one's real-time
# factor (seconds of audio per second) and its ratio to aubioonset's:
#   - the plug-in alone, per processing path (bench/file_bench: CPU time of
#     the processing calls only, the file already in memory);
#   - the command-line host `tamboro convert` with each engine (wall clock:
#     decoding, learning the three drums, detection, writing the MIDI file;
#     one job);
#   - aubioonset with its defaults (wall clock: decoding and onset detection).
#
# usage: bench/aubio_compare.sh [BUILD_DIR] [SECONDS]    (defaults: build, 600)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-600}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/tamboro_make_demo" --long "$seconds" "$work/long.wav"
"$build/tools/tamboro_make_demo" "$work"

wall_factor() {  # command...: seconds of audio per second of wall-clock time
    local start end
    start=$(date +%s.%N)
    "$@" >"$work/last.log" 2>&1 || { cat "$work/last.log" >&2; exit 1; }
    end=$(date +%s.%N)
    awk -v s="$seconds" -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", s / (b - a) }'
}

plugin32=$("$build/bench/file_bench" --file="$work/long.wav" --benchmark_format=csv \
    --benchmark_filter=processReplacing 2>/dev/null | awk -F, '/^"plugin/ { print $NF }')
plugin64=$("$build/bench/file_bench" --file="$work/long.wav" --benchmark_format=csv \
    --benchmark_filter=processDoubleReplacing 2>/dev/null | awk -F, '/^"plugin/ { print $NF }')
cli=$(wall_factor "$build/tamboro" convert --engine plugin "$work/long.wav" -o "$work/long.mid" --force -j 1 \
    --high 0.5 --low 0.2 --learn kick="$work/kick.flac" --learn snare="$work/snare.flac" \
    --learn hihat="$work/hihat.flac")
transcriber=$(wall_factor "$build/tamboro" convert "$work/long.wav" -o "$work/long.mid" --force -j 1 \
    --learn kick="$work/kick.flac" --learn snare="$work/snare.flac" --learn hihat="$work/hihat.flac")
aubio=$(wall_factor aubioonset -i "$work/long.wav")

echo "$seconds s of 44.1 kHz stereo drums, one core each:"
printf '%-54s %12s %16s\n' "" "x real time" "x aubioonset"
row() { printf '%-54s %12.0f %16.2f\n' "$1" "$2" "$(awk -v a="$2" -v b="$aubio" 'BEGIN { print a / b }')"; }
row "plug-in, processReplacing (32-bit)" "$plugin32"
row "plug-in, processDoubleReplacing (64-bit)" "$plugin64"
row "tamboro convert --engine plugin (whole command)" "$cli"
row "tamboro convert --engine transcriber (whole command)" "$transcriber"
row "aubioonset (defaults)" "$aubio"
