// The rules the two band engines (Clear, on transforms, and Live, on
// filters) share, so that a setting sounds the same in both.
#pragma once

namespace bandrules {

// The carrier's broadband level rises within about 10 ms and falls within
// about 50 ms: notes and envelopes still act, chords' beating does not.
inline constexpr double kLevelRiseMs = 10.0;
inline constexpr double kLevelFallMs = 50.0;
// A band divided out never gains more than 60 dB over the broadband level.
inline constexpr double kDeepestBand = 1.0e-6;
// Sibilance: the share of the voice's power above 3 kHz that marks a frame
// as noise-like rises from 0.3 (none) to 0.6 (all); the weight follows it
// within about 5 ms. The voice passes above 3 kHz, fully from 5 kHz.
inline constexpr double kSibilanceFromHz = 3000.0;
inline constexpr double kSibilanceFullHz = 5000.0;
inline constexpr double kNoiseShareLow = 0.3;
inline constexpr double kNoiseShareHigh = 0.6;
inline constexpr double kSibilanceMs = 5.0;

}  // namespace bandrules
