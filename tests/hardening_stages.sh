# Stages of `./run test`, sourced by ./run. After the main suite: the Windows
# plug-ins cross-built and tested under wine, the whole suite again built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded tests under ThreadSanitizer, one
# conversion under valgrind, bounded libFuzzer runs, and the check inside a
# real third-party host. Each stage adds its counts; stage_summary prints them
# and the closing "N passed, N failed" line, and fails the run on any failure.

FUZZ_SECONDS=${FUZZ_SECONDS:-60}
CHUNK_FUZZ_SECONDS=${CHUNK_FUZZ_SECONDS:-30}
TRANSCRIBER_FUZZ_SECONDS=${TRANSCRIBER_FUZZ_SECONDS:-30}
TRANSCRIBER_PLUGIN_FUZZ_SECONDS=${TRANSCRIBER_PLUGIN_FUZZ_SECONDS:-30}
ASAN_BUILD_DIR=${ASAN_BUILD_DIR:-build-asan}
TSAN_BUILD_DIR=${TSAN_BUILD_DIR:-build-tsan}

# Sanitizers stop at the first report and leaks count. The one suppression
# is fontconfig's process-wide cache (filled by any text drawing: the editor,
# the command's plots), never our code.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
LEAK_SUPPRESSIONS="suppressions=$PWD/tests/hardening_lsan.supp"

STAGE_PASSED=0
STAGE_FAILED=0
STAGE_NAMES=()
STAGE_RESULTS=()

stage_count() {  # name passed failed [note]
    STAGE_PASSED=$((STAGE_PASSED + $2))
    STAGE_FAILED=$((STAGE_FAILED + $3))
    STAGE_NAMES+=("$1")
    STAGE_RESULTS+=("$(printf '%5d passed, %d failed%s' "$2" "$3" "${4:+  $4}")")
}

stage_banner() { printf '\n=== %s ===\n' "$1"; }

# ctest in a build folder, counted from its closing line.
stage_ctest() {  # name dir [ctest arguments...]
    local name=$1 dir=$2 log line failed total
    shift 2
    stage_banner "$name"
    log="$dir/stage.log"
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "$@" 2>&1 | tee "$log" || true
    line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -1 || true)
    if [ -z "$line" ]; then stage_count "$name" 0 1 "(no test ran)"; return; fi
    failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    stage_count "$name" $((total - failed)) "$failed"
}

# A GoogleTest program run directly, counted from its summary.
stage_gtest() {  # name program
    local name=$1 log passed failed
    log=$(mktemp)
    "$2" 2>&1 | tee "$log" || true
    passed=$(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
    failed=$(grep -oE '^\[  FAILED  \] [0-9]+ test' "$log" | grep -oE '[0-9]+' || echo 0)
    # A sanitizer report ends the program before gtest's summary.
    if grep -qE 'ThreadSanitizer|AddressSanitizer|runtime error' "$log" || [ "${passed:-0}" -eq 0 ]; then
        failed=$((${failed:-0} + 1))
    fi
    stage_count "$name" "${passed:-0}" "${failed:-0}"
    rm -f "$log"
}

# The Windows DLLs and their tests under wine (tests/windows.cmake), which
# compare with the Linux build just made.
stage_windows() {
    stage_banner "build: Windows (MinGW-w64)"
    if ! build_windows; then
        stage_count "Windows build" 0 1
        return
    fi
    stage_ctest "Windows build under wine" "$WINDOWS_BUILD_DIR"
}

clang_configure() {  # dir sanitizers [cmake options...]
    local dir=$1 sanitize=$2
    shift 2
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTAMBORO_SANITIZE="$sanitize" -DTAMBORO_BENCH=OFF -DTAMBORO_KISSFFT_SOURCE="$(kissfft_source)" \
        "$@" >/dev/null
}

stage_address_sanitizer() {
    stage_banner "build: clang, AddressSanitizer + UndefinedBehaviorSanitizer, fuzzer"
    clang_configure "$ASAN_BUILD_DIR" address,undefined -DTAMBORO_FUZZ=ON
    if ! cmake --build "$ASAN_BUILD_DIR" -j"$(nproc)"; then
        stage_count "ASan+UBSan build" 0 1
        return 1
    fi
    LSAN_OPTIONS=$LEAK_SUPPRESSIONS stage_ctest "suite under ASan+UBSan" "$ASAN_BUILD_DIR"
}

# The tests that drive the plug-in from several threads at once (the
# transcriber's editor: host automation and hits from the audio thread), and the
# command converting several files in parallel, one instance per thread.
THREADED_TESTS=(validator_threads_test validator_lifecycle_test transcriber_plugin_test
                transcriber_editor_parts_test transcriber_editor_test)

stage_thread_sanitizer() {
    local out
    stage_banner "build: clang, ThreadSanitizer"
    clang_configure "$TSAN_BUILD_DIR" thread
    if ! cmake --build "$TSAN_BUILD_DIR" -j"$(nproc)" --target tamboro tamboro_cli "${THREADED_TESTS[@]}"; then
        stage_count "TSan build" 0 1
        return
    fi
    for t in "${THREADED_TESTS[@]}"; do
        stage_banner "$t under TSan"
        stage_gtest "$t under TSan" "$TSAN_BUILD_DIR/tests/$t"
    done
    stage_banner "tamboro convert -j 4 under TSan"
    out=$(mktemp -d)
    if "$TSAN_BUILD_DIR/tamboro" convert demo/*.flac -o "$out" -j 4; then
        stage_count "tamboro convert -j 4 under TSan" 1 0
    else
        stage_count "tamboro convert -j 4 under TSan" 0 1
    fi
    rm -rf "$out"
}

# One conversion, learning included, with no memory error and no leak.
stage_valgrind() {
    local name="convert under valgrind" out
    stage_banner "$name"
    if [ ! -f demo/loop.flac ]; then
        stage_count "$name" 0 0 "(skipped: no demo recordings yet)"
        return
    fi
    out=$(mktemp -d)
    if valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
            --errors-for-leak-kinds=definite,indirect,possible \
            "$BUILD_DIR/tamboro" convert demo/loop.flac -o "$out/loop.mid" --jobs 1 \
            --learn kick=demo/kick.flac --learn snare=demo/snare.flac --learn hihat=demo/hihat.flac; then
        stage_count "$name" 1 0
    else
        stage_count "$name" 0 1
    fi
    rm -rf "$out"
}

# libFuzzer for a bounded time from the committed seeds; any finding fails
# the stage and is kept for a regression test.
stage_fuzz() {  # fuzzer seconds corpus
    local fuzzer=$1 seconds=$2 corpus=$3 name work runs
    name="libFuzzer $fuzzer ${seconds} s"
    stage_banner "$name"
    work=$(mktemp -d)
    mkdir "$work/corpus"
    if LSAN_OPTIONS=$LEAK_SUPPRESSIONS \
        "$ASAN_BUILD_DIR/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=20 \
            -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$ASAN_BUILD_DIR/" \
            "$work/corpus" "$corpus" 2>&1 | tee "$work/log"; then
        runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$work/log" | grep -oE '[0-9]+$' || true)
        stage_count "$name" 1 0 "(${runs:-?} inputs run, no finding)"
    else
        stage_count "$name" 0 1 "(finding kept in $ASAN_BUILD_DIR/; add it to fuzz/regressions/)"
    fi
    rm -rf "$work"
}

stage_real_host() {
    local name="Ardour 7 as host" log line
    stage_banner "$name"
    log=$(mktemp)
    tests/real_host/ardour_check.sh "$BUILD_DIR" 2>&1 | tee "$log" || true
    line=$(grep -E '^ardour: [0-9]+ passed, [0-9]+ failed$' "$log" | tail -1 || true)
    if [ -z "$line" ]; then
        stage_count "$name" 0 1 "(check did not finish)"
    else
        stage_count "$name" "$(awk '{print $2}' <<<"$line")" "$(awk '{print $4}' <<<"$line")"
    fi
    rm -f "$log"
}

robustness_stages() {
    stage_windows
    if stage_address_sanitizer; then
        stage_fuzz tamboro_fuzz "$FUZZ_SECONDS" fuzz/corpus
        stage_fuzz chunk_fuzz "$CHUNK_FUZZ_SECONDS" fuzz/chunk_corpus
        stage_fuzz transcriber_fuzz "$TRANSCRIBER_FUZZ_SECONDS" fuzz/transcriber_corpus
        stage_fuzz transcriber_plugin_fuzz "$TRANSCRIBER_PLUGIN_FUZZ_SECONDS" fuzz/corpus
    fi
    stage_thread_sanitizer
    stage_valgrind
    stage_real_host
}

stage_summary() {
    local width=0 i
    for i in "${!STAGE_NAMES[@]}"; do
        [ ${#STAGE_NAMES[i]} -gt "$width" ] && width=${#STAGE_NAMES[i]}
    done
    printf '\n=== summary ===\n'
    # The name column is as wide as the longest name, so the counts line up.
    for i in "${!STAGE_NAMES[@]}"; do
        printf '  %-*s %s\n' "$width" "${STAGE_NAMES[i]}" "${STAGE_RESULTS[i]}"
    done
    echo "$STAGE_PASSED passed, $STAGE_FAILED failed"
    [ "$STAGE_FAILED" -eq 0 ]
}
