// The engine as the formats we design run it, and as vocoder-render's
// built-in engine does: every parameter, both outputs.
#pragma once

#include "Vst2Render.h"

#include <cstddef>
#include <vector>

struct Stereo {
    std::vector<float> left, right;
};

// Settings before the first block, blocks of `block` samples, notes at their
// offsets, changes at the start of the block they fall in.
Stereo renderBuiltIn(const Scenario& s, const Signals& in, int block, float rate = 44100.0f);

// The audio carrier through the Clear engine with every control of its own
// away from its default (Freeze off).
Scenario clearScenario();
// The same with the synthesiser following the voice (no notes), a fifth
// above it in C major.
Scenario trackingScenario();

// The largest difference between two signals of one length (infinity for
// lengths that differ).
float largestDifference(const std::vector<float>& a, const std::vector<float>& b);
// Where `a` first differs from `reference` by more than 1e-3 of the
// reference's peak (−60 dB), or the shorter length: the formats we design
// run the equaliser in another filter form than the VST 2 library, with the
// same responses, so their outputs agree to rounding, not to the bit (−70 dB
// at worst, with every filter at the end of its range, the library's float
// sections the less exact; −95 dB and below as a rule).
size_t firstAudibleDifference(const std::vector<float>& a, const std::vector<float>& reference);
