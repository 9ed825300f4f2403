#!/usr/bin/env bash
# Regenerates the demo's inputs, which are committed: a spoken phrase of our
# own (espeak-ng) and the chord progression (make_chords.py).
set -euo pipefail
cd "$(dirname "$0")"
espeak-ng -v en-gb -s 140 -w phrase.wav "Every voice becomes an instrument: this is the vocoder speaking."
python3 make_chords.py
