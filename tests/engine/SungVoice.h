// A sung-like voice with a known pitch contour, for testing what follows a
// singer: glottal pulses (one shaped pulse a period, its derivative rich in
// harmonics) through three moving formants, vibrato of ±30 cents at 5.5 Hz,
// period jitter and breath noise; notes (a pitch in MIDI numbers, which may
// glide to another), unvoiced bursts (noise, as consonants) and pauses.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

struct SungPart {
    enum Kind { note, burst, pause } kind;
    double seconds;
    double from = 0.0, to = 0.0;  // MIDI numbers, fractions included (note only)
};

struct SungVoice {
    std::vector<float> samples;
    std::vector<float> pitch;       // Hz sung at each sample, 0 where nothing is sung
    std::vector<float> noteStart;   // seconds since the note began (-1 outside notes)
};

inline SungVoice sing(const std::vector<SungPart>& parts, double rate, std::uint32_t seed = 7)
{
    SungVoice v;
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    double phase = 0.0, jitter = 1.0, vowel = 0.0;
    double y1[3] = {}, y2[3] = {};
    for (const SungPart& part : parts) {
        const auto n = static_cast<size_t>(part.seconds * rate);
        for (size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / rate;
            double excitation = 0.0, hz = 0.0;
            if (part.kind == SungPart::note) {
                const double glide = part.to != part.from ? std::min(1.0, t / std::min(0.3, part.seconds)) : 0.0;
                const double midi = part.from + (part.to - part.from) * glide + 0.3 * std::sin(2.0 * M_PI * 5.5 * t);
                hz = 440.0 * std::exp2((midi - 69.0) / 12.0);
                const double previous = phase;
                phase += hz * jitter / rate;
                if (phase >= 1.0) {
                    phase -= 1.0;
                    jitter = 1.0 + 0.004 * gauss(random);
                }
                // The pulse's derivative: open for 60 % of the period.
                const auto pulse = [](double p) { return p < 0.6 ? std::pow(std::sin(M_PI * p / 0.6), 2.0) : 0.0; };
                excitation = (pulse(phase) - pulse(previous < phase ? previous : previous - 1.0)) * 20.0;
                excitation += 0.02 * gauss(random);  // breath
                const double onset = std::min(1.0, t / 0.02) * std::min(1.0, (part.seconds - t) / 0.02);
                excitation *= onset;
            } else if (part.kind == SungPart::burst) {
                excitation = 0.3 * gauss(random) * std::min(1.0, (part.seconds - t) / 0.01);
            }
            vowel += 2.0 * M_PI * 0.7 / rate;  // the formants move slowly
            const double formants[3] = {550.0 + 150.0 * std::sin(vowel), 1400.0 + 400.0 * std::sin(1.3 * vowel), 2600.0};
            double out = 0.0;
            for (int f = 0; f < 3; ++f) {
                const double r = std::exp(-M_PI * 90.0 / rate), w = 2.0 * M_PI * formants[f] / rate;
                const double y = (1.0 - r) * excitation + 2.0 * r * std::cos(w) * y1[f] - r * r * y2[f];
                y2[f] = y1[f];
                y1[f] = y;
                out += y / (f + 1);
            }
            v.samples.push_back(static_cast<float>(0.5 * out));
            v.pitch.push_back(static_cast<float>(hz));
            v.noteStart.push_back(part.kind == SungPart::note ? static_cast<float>(t) : -1.0f);
        }
    }
    // The level of a voice at about −6 dBFS.
    float peak = 0.0f;
    for (float s : v.samples)
        peak = std::max(peak, std::fabs(s));
    for (float& s : v.samples)
        s *= 0.5f / peak;
    return v;
}
