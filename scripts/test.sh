#!/usr/bin/env bash
# Installs what the tests need, then builds and runs them three ways: a
# release build, an AddressSanitizer + UndefinedBehaviorSanitizer build, and
# a ThreadSanitizer build of the tests where threads meet, then 30 s of
# fuzzing the PNG decoder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
jobs=$(nproc)

run() {  # build directory, then extra CMake arguments
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
}

echo "== release build"
run build/test-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build/test-release --output-on-failure -j"$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
run build/test-asan -DCMAKE_BUILD_TYPE=Debug -DVOCODER_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$(pwd)/scripts/lsan.supp" \
    ctest --test-dir build/test-asan --output-on-failure -j"$jobs"

echo "== ThreadSanitizer"
cmake -S . -B build/test-tsan -DCMAKE_BUILD_TYPE=Debug -DVOCODER_SANITIZE=thread >/dev/null
cmake --build build/test-tsan -j"$jobs" --target thread_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/test-tsan --output-on-failure -R Threads

echo "== PNG decoder under libFuzzer (30 s)"
cmake -S . -B build/test-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DVOCODER_TESTS=OFF -DVOCODER_FUZZ=ON >/dev/null
cmake --build build/test-fuzz -j"$jobs" --target png_fuzzer png_seeds
rm -rf build/test-fuzz/corpus && mkdir -p build/test-fuzz/corpus
build/test-fuzz/png_seeds build/test-fuzz/corpus
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$(pwd)/scripts/lsan.supp" \
    build/test-fuzz/png_fuzzer -max_total_time=30 -rss_limit_mb=2048 -print_final_stats=1 build/test-fuzz/corpus
