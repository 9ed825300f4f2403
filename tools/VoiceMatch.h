// How closely an output follows a spoken voice, in numbers: the voice's and
// the output's third-octave band envelopes (315 Hz to 5 kHz, 32 ms frames
// every 8 ms, levels in dB) over the frames where the voice speaks, correlated
// frame by frame across the bands (the spectral shape) and band by band over
// the frames (the contour), at the lag where the contour matches best; the
// share of energy above 1 kHz in both; how far pauses stay below speech.
#pragma once

#include <span>

struct VoiceMatch {
    double shape = 0.0;        // mean over the frames of the correlation across the bands
    double correlation = 0.0;  // mean over the bands of the correlation over the frames, at the best lag
    int lag = 0;               // samples the output is late by, at that lag
    double voiceHighShare = 0.0;   // of the voice's energy in speech, the share above 1 kHz
    double outputHighShare = 0.0;  // the same of the output, at the lag
    double pauseDb = 0.0;  // the output's mean level in the voice's pauses below its level in speech (dB, positive)
    double peak = 0.0;     // the output's largest magnitude
};

// Lags from 0 to maxLag samples are tried. Rates of 8 kHz and more. An
// output whose formants were moved by `formantSemitones` is measured in
// bands moved as far, so the shift itself costs nothing.
VoiceMatch matchVoice(std::span<const float> voice, std::span<const float> output, double sampleRate,
                      int maxLag = 4096, double formantSemitones = 0.0);
