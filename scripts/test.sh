#!/usr/bin/env bash
# Installs what the tests need, then builds and runs them three ways: a
# release build, an AddressSanitizer + UndefinedBehaviorSanitizer build, and
# a ThreadSanitizer build of the tests where threads meet.
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
