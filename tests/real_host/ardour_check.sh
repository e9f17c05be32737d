#!/usr/bin/env bash
# The plug-in inside a real third-party host: Ardour 7 from Debian, headless.
# Its VST scanner must list the plug-in as we describe it; a Lua-scripted
# session on the Dummy audio backend must load it, report its I/O, latency and
# parameters, take thresholds and modes through the host's own parameter
# controls, learn the demo drums and turn the demo loop into the very MIDI
# events (sample, status, note, velocity) that our own host gets from the same
# input. Prints one line per check and ends with "ardour: N passed, N failed".
#
#   tests/real_host/ardour_check.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: ardour_check.sh BUILD_DIR}" && pwd)
ardour_lib=/usr/lib/ardour7
unique_id=808726582  # '0406' as the host prints it
transcriber_id=1415730290  # 'TbTr'

# Thresholds a user might set, exact in binary so that host and reference agree.
high=0.3125
low=0.5

passed=0
failed=0
check() {  # description, then a command that succeeds when the check holds
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        echo "PASS: $what"
        passed=$((passed + 1))
    else
        echo "FAIL: $what"
        failed=$((failed + 1))
    fi
}
finish() {
    echo "ardour: $passed passed, $failed failed"
    exit 0
}

check "Ardour 7 is installed" test -x "$ardour_lib/luasession"
[ -x "$ardour_lib/luasession" ] || finish

scratch=$(mktemp -d)
trap '[ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"' EXIT  # KEEP_SCRATCH=1 to look inside
mkdir -p "$scratch/vst" "$scratch/home/.config/ardour7/scripts" "$scratch/out"
cp "$build/tamboro.so" "$scratch/vst/"
# The scanner stamps its cache with the plug-in's time + 1 s; a plug-in from
# the current second is then often not listed. An older copy always is.
touch -d '-1 hour' "$scratch/vst/tamboro.so"
cp "$here"/tamboro_player.lua "$here"/tamboro_recorder.lua "$scratch/home/.config/ardour7/scripts/"
export HOME="$scratch/home" LD_LIBRARY_PATH="$ardour_lib"

# The scanner: exit status 0 even when the plug-in fails, so read its cache.
timeout 120 "$ardour_lib/ardour-vst-scanner" -f "$scratch/vst/tamboro.so"
cache=$(grep -lF '/tamboro.so' "$HOME"/.cache/ardour7/vst/*.v2i 2>/dev/null | head -1)
check "scanner wrote a cache entry" test -n "$cache"
for field in "id=\"$unique_id\"" 'name="Tamboro"' 'creator="Quillon"' 'n_inputs="2"' \
             'n_outputs="2"' 'n_midi_outputs="1"' 'is_instrument="0"' \
             'can_process_replace="1"' 'has_editor="1"'; do
    check "scanner: $field" grep -qF "$field" "${cache:-/dev/null}"
done

# Tamboro Transcriber, the second plug-in, as the scanner lists it.
cp "$build/tamboro-transcriber.so" "$scratch/vst/"
touch -d '-1 hour' "$scratch/vst/tamboro-transcriber.so"
timeout 120 "$ardour_lib/ardour-vst-scanner" -f "$scratch/vst/tamboro-transcriber.so"
cache2=$(grep -lF 'tamboro-transcriber.so' "$HOME"/.cache/ardour7/vst/*.v2i 2>/dev/null | head -1)
check "scanner wrote a cache entry for Tamboro Transcriber" test -n "$cache2"
for field in "id=\"$transcriber_id\"" 'name="Tamboro Transcriber"' 'creator="Quillon"' 'n_inputs="2"' \
             'n_outputs="2"' 'n_midi_outputs="1"' 'is_instrument="0"' 'can_process_replace="1"'; do
    check "scanner, Tamboro Transcriber: $field" grep -qF "$field" "${cache2:-/dev/null}"
done

if [ ! -f "$root/tests/data/synth_demo/loop.flac" ]; then
    echo "SKIP: session check (no demo recordings yet)"
    finish
fi
mkdir -p "$scratch/demo"
for drum in kick snare hihat loop; do
    "$build/tests/real_host_reference" --wav "$root/tests/data/synth_demo/$drum.flac" "$scratch/demo/$drum.wav"
done
check "demo recordings converted for the session" test -s "$scratch/demo/loop.wav"

# The session, driven by session.lua with the environment of Ardour's own
# ardour7-lua wrapper (which would overwrite ARDOUR_DATA_PATH).
ARDOUR_DATA_PATH=/usr/share/ardour7 ARDOUR_CONFIG_PATH=/etc/ardour7 ARDOUR_DLL_PATH="$ardour_lib" \
LXVST_PATH="$scratch/vst" TAMBORO_ID=$unique_id TAMBORO_DEMO="$scratch/demo" \
TAMBORO_HIGH=$high TAMBORO_LOW=$low TAMBORO_SESSION="$scratch/session" TAMBORO_OUT="$scratch/out" \
    timeout 300 "$ardour_lib/luasession" "$here/session.lua" 2>&1 | tee "$scratch/seen.txt"

seen() { grep -qxF "seen $1" "$scratch/seen.txt"; }
check "session loads the plug-in" seen "loaded=yes"
for fact in name=Tamboro maker=Quillon unique_id=$unique_id latency=100 audio_in=2 audio_out=2 \
            midi_out=1 parameters=5 "parameter0=High Threshold" "parameter1=Low Threshold" \
            "parameter2=Drum Select" "parameter3=Function" "parameter4=Template Inst" \
            get0=$high get1=$low get3=1 get2=0; do
    check "session sees $fact" seen "$fact"
done

"$build/tests/real_host_reference" "$build/tamboro.so" "$scratch/out/schedule.txt" \
    > "$scratch/out/expected.txt"
notes=$(grep -c ' 153 ' "$scratch/out/expected.txt" || true)
check "our host received notes ($notes note-ons)" test "$notes" -gt 0
check "Ardour received notes" test -s "$scratch/out/events.txt"
check "same events in Ardour as in our host (sample, status, note, velocity)" \
    diff "$scratch/out/expected.txt" "$scratch/out/events.txt"
diff "$scratch/out/expected.txt" "$scratch/out/events.txt" | head -20

# Tamboro Transcriber in a session: learning through Ardour's own parameter
# controls, notes from the loop, and the same notes after the session was
# saved and opened again (the learned templates travel in its chunk).
mkdir -p "$scratch/out2"
ARDOUR_DATA_PATH=/usr/share/ardour7 ARDOUR_CONFIG_PATH=/etc/ardour7 ARDOUR_DLL_PATH="$ardour_lib" \
LXVST_PATH="$scratch/vst" TAMBORO_PLUGIN=transcriber TAMBORO_ID=$transcriber_id TAMBORO_DEMO="$scratch/demo" \
TAMBORO_SESSION="$scratch/session2" TAMBORO_OUT="$scratch/out2" \
    timeout 300 "$ardour_lib/luasession" "$here/session.lua" 2>&1 | tee "$scratch/seen2.txt"
seen2() { grep -qxF "seen $1" "$scratch/seen2.txt"; }
check "session loads Tamboro Transcriber" seen2 "loaded=yes"
for fact in "name=Tamboro Transcriber" maker=Quillon unique_id=$transcriber_id latency=1024 audio_in=2 \
            audio_out=2 midi_out=1 parameters=6 "parameter3=Kick Learn" "reopened=Tamboro Transcriber"; do
    check "session sees $fact" seen2 "$fact"
done
notes=$(grep -c ' 153 ' "$scratch/out2/events.txt" || true)
check "Tamboro Transcriber sent notes in Ardour ($notes note-ons)" test "$notes" -gt 0
check "the same notes after the session was saved and opened again" \
    diff "$scratch/out2/events.txt" "$scratch/out2/events_reopened.txt"
diff "$scratch/out2/events.txt" "$scratch/out2/events_reopened.txt" | head -20

# Our host, given the state Ardour saved and the loop from its first sample
# on, must send the notes Ardour received after reopening.
python3 - "$scratch/session2/tamboro.ardour" "$scratch/out2/chunk.bin" <<'PY'
import base64, re, sys
xml = open(sys.argv[1]).read()
open(sys.argv[2], 'wb').write(base64.b64decode(re.search(r'<chunk[^>]*>([^<]*)</chunk>', xml).group(1)))
PY
loop_frames=$(tail -1 "$scratch/out2/schedule.txt" | awk '{print $4 - $3}')
printf 'chunk %s\nplay %s 0 %s\n' "$scratch/out2/chunk.bin" "$scratch/demo/loop.wav" "${loop_frames:-0}" \
    > "$scratch/out2/reference_schedule.txt"
"$build/tests/real_host_reference" "$build/tamboro-transcriber.so" "$scratch/out2/reference_schedule.txt" \
    > "$scratch/out2/expected.txt"
check "Tamboro Transcriber: same events in Ardour as in our host (sample, status, note, velocity)" \
    diff "$scratch/out2/expected.txt" "$scratch/out2/events_reopened.txt"
diff "$scratch/out2/expected.txt" "$scratch/out2/events_reopened.txt" | head -20
finish
