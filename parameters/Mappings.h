// What plays for a normalised parameter value x: the one home of every
// mapping from [0, 1] into the units the engine, the displays and the typed
// texts share (Hz, dB, ms, semitones, factors, steps). The tools take these
// units and nothing normalised. Every function takes any float: it is
// clamped to [0, 1] first where a step or a size is derived from it.
#pragma once

#include "Normalised.h"

#include <algorithm>
#include <cmath>

enum class CarrierSource { Synth, Audio2 };

namespace mapping {

// A straight line from `Low` at 0 to `High` at 1 (whole numbers, which
// every compiler takes as template arguments), for a new parameter's range:
// linear<mapping::line<-12, 12>> in its descriptor.
// Rounded to float, as the value was stored: a value typed as 35 or 120
// plays, and shows, as 35 or 120 rather than a hair below.
template <int Low, int High>
constexpr double line(float x) { return static_cast<float>(Low + static_cast<double>(High - Low) * x); }

// ---- Equaliser, in double (the displays truncate these; the filters keep floats).
constexpr double lowCutHz(float x) { return 2980.0 * x + 20.0; }
constexpr double peakHz(float x) { return 19980.0 * x + 20.0; }
constexpr double peakQ(float x) { return 11.9 * x + 0.1; }
constexpr double peakGainDb(float x) { return (x - 0.5) * 36.0; }
constexpr double highCutHz(float x) { return 16000.0 * x + 4000.0; }
// The VST 2 display's range (3000 to 20000), not the filter's.
constexpr double highCutDisplayHz(float x) { return 17000.0 * x + 3000.0; }

// ---- Gains, limiter and compressor.
constexpr float gain(float x) { return static_cast<float>(1.5 * x); }  // a factor, 0 to 1.5
constexpr double gainFactor(float x) { return gain(x); }
constexpr double amplitude(float x) { return x; }                      // OSC 2 Volume, 0 to 1
constexpr double thresholdDb(float x) { return 40.0 * x - 40.0 - 0.01; }
constexpr double ratio(float x) { return 0.99 * x + 0.01; }
constexpr double compressorAttackMs(float x) { return 99.0 * x + 1.0; }
constexpr double compressorReleaseMs(float x) { return 399.0 * x + 1.0; }
// The VST 2 display shows the ratio parameter itself.
constexpr double normalisedRatio(float x) { return x; }

// ---- Steps.
inline int mode(float x) { return static_cast<int>(2.99 * clampNormalised(x)); }  // 0 to 2
inline CarrierSource carrier(float x) { return clampNormalised(x) < 0.5f ? CarrierSource::Synth : CarrierSource::Audio2; }
inline bool on(float x) { return clampNormalised(x) >= 0.5f; }  // an Off / On switch (Freeze, Track)
inline int bands(float x) { return 10 + static_cast<int>(70.0f * clampNormalised(x) + 0.5f); }  // 10 to 80
constexpr double bandCount(float x) { return 10 + static_cast<int>(70.0f * x + 0.5f); }

// ---- The Clear engine's continuous settings.
constexpr double fraction(float x) { return x; }  // Flatten, Sibilance, Mix, Width: 0 to 1
constexpr double percent(float x) { return static_cast<float>(100.0 * x); }  // rounded as line's
constexpr double unisonCount(float x) { return 1 + static_cast<int>(3.0f * x + 0.5f); }  // 1 to 4
constexpr double formantSemitones(float x) { return 24.0 * x - 12.0; }  // -12 to +12

// ---- The synthesiser.
// 0 sine, 1 sawtooth, 2 square, 3 white noise: trunc(3.99 x).
inline int waveformIndex(float x) { return static_cast<int>(clampNormalised(x) * 3.99); }

// OSC 2 frequency factor; x is compared as a 32-bit float.
inline float octaveMultiplier(float x)
{
    x = clampNormalised(x);
    if (x < 0.2f) return 0.5f;
    if (x < 0.4f) return 1.0f;
    if (x < 0.6f) return 2.0f;
    if (x < 0.8f) return 4.0f;
    if (x < 1.0f) return 6.0f;
    return 8.0f;
}
// The value at the start of a factor's step, where the editor's button
// shows that factor's face whole: x0.5 at 0, x1 at 0.2, … x8 at 1.
constexpr float octaveNormalised(double factor)
{
    return factor <= 0.5 ? 0.0f : factor <= 1 ? 0.2f : factor <= 2 ? 0.4f : factor <= 4 ? 0.6f : factor < 8 ? 0.8f : 1.0f;
}
constexpr double octaveFactor(float x) { return x < 0.2f ? 0.5 : x < 0.4f ? 1 : x < 0.6f ? 2 : x < 0.8f ? 4 : x < 1.0f ? 6 : 8; }

// OSC 2 transposition, 0 to 12 semitones, halves upward.
inline int transposeSemitones(float x) { return static_cast<int>(std::floor(12.0 * clampNormalised(x) + 0.5)); }
constexpr double transposeSteps(float x) { return static_cast<int>(12.0 * x + 0.5); }

// Pitch-bend range, 1 to 12 semitones.
inline int bendRangeSemitones(float x) { return static_cast<int>(11.99 * clampNormalised(x) + 1.0); }
constexpr double bendSteps(float x) { return static_cast<int>(11.99 * x + 1.0); }

// The envelope's ramps, in seconds as the voices take them (float, as they
// are computed): attack (0.999 a + 0.001) s for the attack setting a, release
// (0.999 x + 0.001) s.
constexpr float attackSetting(float x) { return static_cast<float>((200.0 * x + 0.001) / 1000.0 + 0.0001); }
constexpr float attackSeconds(float x) { return attackSetting(x) * 0.999f + 0.001f; }
constexpr float releaseSeconds(float x) { return x * 0.999f + 0.001f; }
constexpr double attackMs(float x) { return static_cast<double>(attackSeconds(x)) * 1000.0; }
constexpr double releaseMs(float x) { return static_cast<double>(releaseSeconds(x)) * 1000.0; }
// The VST 2 displays: the attack within a tenth of a millisecond of the ramp,
// the release not the ramp's length.
constexpr double attackDisplayMs(float x) { return 199.9f * x + 1; }
constexpr double releaseDisplayMs(float x) { return 599.9f * x + 1; }

// The attack setting for a ramp of `ms`, by the ramp's own formula (a line
// through its rounded ends would miss the default by a float step); exact
// at both ends.
constexpr float attackNormalised(double ms)
{
    if (!(ms > attackMs(0.0f)))
        return 0.0f;
    if (ms >= attackMs(1.0f))
        return 1.0f;
    const double setting = (ms / 1000.0 - 0.001) / 0.999;
    return static_cast<float>(std::clamp(((setting - 0.0001) * 1000.0 - 0.001) / 200.0, 0.0, 1.0));
}

// The inverse of a plain function that is linear in x (or steps along a
// line), clamped to [0, 1] and exact at both ends.
template <double (*Plain)(float)>
constexpr float inverse(double plain)
{
    const double low = Plain(0.0f);
    const double high = Plain(1.0f);
    const double x = (plain - low) / (high - low);
    return x > 0.0 ? (x < 1.0 ? static_cast<float>(x) : 1.0f) : 0.0f;
}

// A value in ms as the voices take it: the float seconds it was made from
// (ms = seconds × 1000 is exact in double, and so is the way back).
inline float secondsOf(double ms) { return static_cast<float>(ms / 1000.0); }

}  // namespace mapping
