#!/usr/bin/env bash
# Builds the plug-in (build/Vocoder.so) after installing what the build needs.
# Usage: scripts/build.sh [--install [PREFIX]]
#   --install         copies the plug-in to ~/.vst and the presets to
#                     ~/.local/share/vocoder/presets (a user install)
#   --install PREFIX  installs to PREFIX/lib/vst, PREFIX/bin and
#                     PREFIX/share/vocoder/presets
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
        presets="${XDG_DATA_HOME:-$HOME/.local/share}/vocoder/presets"
        mkdir -p "$presets"
        cp presets/*.fxp "$presets/"
        echo "installed: $HOME/.vst/Vocoder.so, and the presets in $presets"
    fi
fi
