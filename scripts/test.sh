#!/usr/bin/env bash
# Installs what the tests need, starts an X server of its own (Xvfb) for the
# window tests and a JACK server of its own (the dummy driver) for the
# standalone program's tests, then builds and runs the tests three ways: a release build
# (and from fresh builds the packages, which are checked),
# an AddressSanitizer + UndefinedBehaviorSanitizer build, and a
# ThreadSanitizer build of the tests where threads meet, then 30 s of
# fuzzing for each reader of outside data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)

# Xvfb on the first free display from :90; stopped when this script ends.
# -noreset: the server would otherwise reset, refusing connections for a
# moment, each time its last client leaves.
start_display() {
    local n i
    for n in $(seq 90 160); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        xvfb_pid=$!
        for i in $(seq 50); do
            [[ -e /tmp/.X11-unix/X$n ]] && break
            sleep 0.1
        done
        if kill -0 "$xvfb_pid" 2>/dev/null && [[ -e /tmp/.X11-unix/X$n ]]; then
            export DISPLAY=":$n" VOCODER_REQUIRE_DISPLAY=1
            return 0
        fi
    done
    echo "could not start Xvfb" >&2
    return 1
}
# A JACK server under a name of its own, so that a user's server is left
# alone; the dummy driver runs without sound hardware, and synchronously
# (-S): a late cycle is waited for rather than dropped, so recordings are
# exact however loaded the machine.
start_jack() {
    local i
    export JACK_DEFAULT_SERVER="vocoder-tests-$$" VOCODER_REQUIRE_JACK=1 JACK_NO_AUDIO_RESERVATION=1
    jackd -S -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 256 >/dev/null 2>&1 &
    jack_pid=$!
    for i in $(seq 100); do
        [[ "$(jack_wait -c 2>/dev/null)" == running ]] && return 0
        kill -0 "$jack_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "could not start jackd" >&2
    return 1
}
xvfb_pid="" jack_pid=""
trap 'kill $xvfb_pid $jack_pid 2>/dev/null || true' EXIT
start_display
echo "== X server for the window tests: $DISPLAY"
start_jack
echo "== JACK server for the standalone tests: $JACK_DEFAULT_SERVER"

run() {  # build directory, then extra CMake arguments
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

echo "== release build"
run build/test-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build/test-release --output-on-failure -j"$jobs"

echo "== packages: the .deb and the tarball, built and checked"
scripts/package.sh
tests/package/check_packages.sh build/test-release/tests/package_probe

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
run build/test-asan -DCMAKE_BUILD_TYPE=Debug -DVOCODER_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$(pwd)/scripts/lsan.supp" \
    ctest --test-dir build/test-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer"
cmake -S . -B build/test-tsan -DCMAKE_BUILD_TYPE=Debug -DVOCODER_SANITIZE=thread >/dev/null
cmake --build build/test-tsan -j"$jobs" --target thread_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/test-tsan --output-on-failure -R Threads

echo "== every reader of outside data under libFuzzer (30 s each)"
fuzzers=(png_fuzzer clap_state_fuzzer program_file_fuzzer midi_file_fuzzer typed_text_fuzzer lv2_fuzzer)
cmake -S . -B build/test-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVOCODER_TESTS=OFF -DVOCODER_FUZZ=ON >/dev/null
cmake --build build/test-fuzz -j"$jobs" --target "${fuzzers[@]}" png_seeds
# Each starts from seeds of its kind and the inputs that once found a fault
# (fuzz/regressions/<name>/), kept so that the fault stays mended.
seed() {  # target, then files
    local dir=build/test-fuzz/corpus/$1
    shift
    mkdir -p "$dir"
    [[ $# -gt 0 ]] && cp "$@" "$dir/"
    return 0
}
rm -rf build/test-fuzz/corpus
seed png_fuzzer && build/test-fuzz/png_seeds build/test-fuzz/corpus/png_fuzzer
seed clap_state_fuzzer tests/data/clap-state-v1.bin
seed program_file_fuzzer presets/*.fxp tests/data/settings-1.0.fxp
seed midi_file_fuzzer demo/chords.mid
seed typed_text_fuzzer
seed lv2_fuzzer
for name in "${fuzzers[@]}"; do
    regressions=fuzz/regressions/${name%_fuzzer}
    [[ -d $regressions ]] && cp "$regressions"/* "build/test-fuzz/corpus/$name/"
    log=build/test-fuzz/$name.log
    # The log holds what the target prints; its last line is shown, and its
    # end when a run fails.
    if ! ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$(pwd)/scripts/lsan.supp" \
        "build/test-fuzz/$name" -max_total_time=30 -rss_limit_mb=2048 -print_final_stats=1 \
        "build/test-fuzz/corpus/$name" >"$log" 2>&1; then
        tail -n 80 "$log"
        echo "$name: failed" >&2
        exit 1
    fi
    echo "$name: $(grep -E '^Done' "$log")"
done
