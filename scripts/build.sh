#!/usr/bin/env bash
# Builds the plug-ins (build/Vocoder.so, build/Vocoder.lv2, build/Vocoder.clap)
# after installing what the build needs.
# Usage: scripts/build.sh [--install [PREFIX]]
#   --install         copies the VST 2 plug-in to ~/.vst, the LV2 bundle to
#                     ~/.lv2, the CLAP plug-in to ~/.clap, the programs
#                     (vocoder, vocoder-render) to ~/.local/bin and the presets
#                     to ~/.local/share/vocoder/presets (a user install)
#   --install PREFIX  installs to PREFIX/lib/vst, PREFIX/lib/lv2,
#                     PREFIX/lib/clap, PREFIX/bin and PREFIX/share/vocoder/presets
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOCODER_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
echo "built: $(pwd)/build/Vocoder.so, $(pwd)/build/Vocoder.lv2, $(pwd)/build/Vocoder.clap, $(pwd)/build/vocoder and $(pwd)/build/vocoder-render"

if [[ "${1:-}" == "--install" ]]; then
    if [[ -n "${2:-}" ]]; then
        cmake --install build --prefix "$2"
    else
        mkdir -p "$HOME/.vst" "$HOME/.lv2" "$HOME/.clap" "$HOME/.local/bin"
        cp build/Vocoder.so "$HOME/.vst/"
        cp build/Vocoder.clap "$HOME/.clap/"
        cp build/vocoder build/vocoder-render "$HOME/.local/bin/"
        rm -rf "$HOME/.lv2/Vocoder.lv2"
        cp -r build/Vocoder.lv2 "$HOME/.lv2/"
        presets="${XDG_DATA_HOME:-$HOME/.local/share}/vocoder/presets"
        mkdir -p "$presets"
        cp presets/*.fxp "$presets/"
        echo "installed: $HOME/.vst/Vocoder.so, $HOME/.lv2/Vocoder.lv2, $HOME/.clap/Vocoder.clap," \
             "$HOME/.local/bin/vocoder and vocoder-render, and the presets in $presets"
    fi
fi
