// Settings of the carrier synthesiser from normalised parameter values.
// Each takes any float: the value is clamped to [0, 1] first.
#pragma once

#include "Normalised.h"

#include <cmath>

namespace synth {

// 0 sine, 1 sawtooth, 2 square, 3 white noise: trunc(3.99 v).
inline int waveformIndex(float v) { return static_cast<int>(clampNormalised(v) * 3.99); }

// OSC 2 frequency factor; v is compared as a 32-bit float.
inline float octaveMultiplier(float v)
{
    v = clampNormalised(v);
    if (v < 0.2f) return 0.5f;
    if (v < 0.4f) return 1.0f;
    if (v < 0.6f) return 2.0f;
    if (v < 0.8f) return 4.0f;
    if (v < 1.0f) return 6.0f;
    return 8.0f;
}

// OSC 2 transposition, 0 to 12 semitones, halves upward.
inline int transposeSemitones(float v)
{
    return static_cast<int>(std::floor(12.0 * clampNormalised(v) + 0.5));
}

// Scaled "Attack" value handed to every voice.
inline float attackSetting(float v)
{
    return static_cast<float>((200.0 * clampNormalised(v) + 0.001) / 1000.0 + 0.0001);
}

// Pitch-bend range, 1 to 12 semitones.
inline int bendRangeSemitones(float v) { return static_cast<int>(11.99 * clampNormalised(v) + 1.0); }

}  // namespace synth
