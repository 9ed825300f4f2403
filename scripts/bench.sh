#!/usr/bin/env bash
# Builds the plug-in optimised with its benchmarks and runs them, five
# repetitions each (the table shows medians); arguments go to Google
# Benchmark (for example --benchmark_filter=vocoder/audio). The last part of
# the output is the Markdown table the README keeps.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVOCODER_TESTS=OFF -DVOCODER_BENCHMARKS=ON >/dev/null
cmake --build build/bench -j"$(nproc)" --target process_bench
exec build/bench/bench/process_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
