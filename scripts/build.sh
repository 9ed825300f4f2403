#!/usr/bin/env bash
# Builds the plug-in (build/Vocoder.so) after installing what the build needs.
# Usage: scripts/build.sh [--install [PREFIX]]
#   --install         copies the plug-in to ~/.vst (a user install)
#   --install PREFIX  installs it to PREFIX/lib/vst
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOCODER_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
echo "built: $(pwd)/build/Vocoder.so and $(pwd)/build/vocoder-render"

if [[ "${1:-}" == "--install" ]]; then
    if [[ -n "${2:-}" ]]; then
        cmake --install build --prefix "$2"
    else
        mkdir -p "$HOME/.vst"
        cp build/Vocoder.so "$HOME/.vst/"
        echo "installed: $HOME/.vst/Vocoder.so"
    fi
fi
