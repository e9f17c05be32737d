#!/usr/bin/env bash
# Tamboro beside Debian's aubioonset (aubio-tools), one run, one file: a long
# stereo drum groove from our drum synthesiser. Reports each one's real-time
# factor (seconds of audio per second) and its ratio to aubioonset's:
#   - the plug-in alone, per processing path (bench/file_bench: CPU time of
#     the processing calls only, the file already in memory);
#   - the command-line host `tamboro convert` with each engine (wall clock:
#     decoding, learning the three drums, detection, writing the MIDI file;
#     one job; the transcriber's decodes the file on a second thread);
#   - aubioonset with its defaults (wall clock: decoding and onset detection).
# The commands run in turn, ROUNDS times, and each one's median is reported,
# with the median of its CPU time (user and system) beside it: on a shared
# machine one run says little.
#
# usage: bench/aubio_compare.sh [BUILD_DIR] [SECONDS] [ROUNDS]    (defaults: build, 600, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-600}
rounds=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/tamboro_make_demo" --long "$seconds" "$work/long.wav"
"$build/tools/tamboro_make_demo" "$work"

# command...: appends "wall-clock-seconds cpu-seconds" of one run to $work/times.NAME
timed() {
    local name=$1
    shift
    local TIMEFORMAT="%R %U %S"
    { time "$@" >"$work/last.log" 2>&1 || { cat "$work/last.log" >&2; exit 1; }; } 2>>"$work/raw"
    tail -n 1 "$work/raw" | awk '{ print $1, $2 + $3 }' >>"$work/times.$name"
}

median() {  # column of $work/times.NAME: seconds of audio per median second
    sort -n -k"$2" "$work/times.$1" | awk -v c="$2" -v s="$seconds" '{ v[NR] = $c }
        END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", s / m }'
}

plugin32=$("$build/bench/file_bench" --file="$work/long.wav" --benchmark_format=csv \
    --benchmark_filter=processReplacing 2>/dev/null | awk -F, '/^"plugin/ { print $NF }')
plugin64=$("$build/bench/file_bench" --file="$work/long.wav" --benchmark_format=csv \
    --benchmark_filter=processDoubleReplacing 2>/dev/null | awk -F, '/^"plugin/ { print $NF }')
learn=(--learn kick="$work/kick.flac" --learn snare="$work/snare.flac" --learn hihat="$work/hihat.flac")
for _ in $(seq "$rounds"); do
    timed cli "$build/tamboro" convert --engine plugin "$work/long.wav" -o "$work/long.mid" --force -j 1 \
        --high 0.5 --low 0.2 "${learn[@]}"
    timed transcriber "$build/tamboro" convert "$work/long.wav" -o "$work/long.mid" --force -j 1 "${learn[@]}"
    timed aubio aubioonset -i "$work/long.wav"
done
aubio=$(median aubio 1)
aubioCpu=$(median aubio 2)

echo "$seconds s of 44.1 kHz stereo drums; commands: median of $rounds runs (wall clock, and CPU time)"
printf '%-54s %12s %16s %10s %16s\n' "" "x real time" "x aubioonset" "x CPU time" "x aubioonset"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() {
    printf '%-54s %12.0f %16.2f' "$1" "$2" "$(ratio "$2" "$aubio")"
    if [ -n "${3:-}" ]; then printf ' %10.0f %16.2f' "$3" "$(ratio "$3" "$aubioCpu")"; fi
    echo
}
row "plug-in, processReplacing (32-bit)" "$plugin32"
row "plug-in, processDoubleReplacing (64-bit)" "$plugin64"
row "tamboro convert --engine plugin (whole command)" "$(median cli 1)" "$(median cli 2)"
row "tamboro convert --engine transcriber (whole command)" "$(median transcriber 1)" "$(median transcriber 2)"
row "aubioonset (defaults)" "$aubio" "$aubioCpu"
