#!/usr/bin/env bash
# Prints a digest of what a build does as users and hosts see it: the audio
# and texts of the VST 2 library (golden_record) and the editor's picture for
# a range of settings. Compare the digests of two builds with diff.
#
#     scripts/golden.sh BUILD_DIR [GOLDEN_RECORD] > digest.txt
set -euo pipefail
build=$1
record=${2:-$build/tests/golden_record}
"$record" "$build/Vocoder.so"
picture=$(mktemp --suffix=.png)
trap 'rm -f "$picture"' EXIT
settings=(
    ""
    "--set Mode=Carrier --set Carrier=Synth"
    "--set Mode=Audio1 --set \"FFT SIZE=1024\" --set \"HOP SIZE=32\""
    "--set \"OSC 1=Square\" --set \"OSC 2=Sawtooth\" --set Pitchbend=1 --set \"Low Cut=0.7\" --set \"High Cut=0.1\""
    "--set \"Peak1 Gain=1\" --set \"Peak2 Gain=0\" --set \"Vocoder Ratio=0.2\" --set \"Audio Limiter=0\""
    "--set \"Carrier Volume=0\" --set \"Vocoder Release=1\" --set \"HOP SIZE=0.6\" --set \"FFT SIZE=0.1\""
)
for s in "${settings[@]}"; do
    eval "\"$build/vocoder-render\" --quiet --plugin \"$build/Vocoder.so\" --editor-png \"$picture\" $s"
    echo "picture [$s] $(sha256sum < "$picture" | cut -c1-16)"
done
