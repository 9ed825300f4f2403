// The VST 2 library's output for a scenario, the reference every other
// format's build is compared with: test signals, settings, MIDI notes and
// parameter changes at samples.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

struct Note {
    long sample;
    std::array<std::uint8_t, 3> bytes;
};

// A change of one parameter at a sample: its normalised value.
struct Change {
    long sample;
    int parameter;
    float value;
};

struct Signals {
    std::vector<float> voice, carrier;
};

// A voiced tone with a little noise, and a sawtooth carrier at 110 Hz.
Signals testSignals(int frames, double rate = 44100.0);

// A noise voice and one impulse on the carrier at sample `at`: where the
// impulse comes out tells a build's delay.
Signals impulseProbe(int frames, int at);
// Samples from `at` to the loudest sample of `out`.
long delayOf(const std::vector<float>& out, int at);

// One impulse on the voice at `at` under a steady 5 kHz carrier: in the
// Vocoder mode the output is the carrier under an envelope whose centre of
// energy is where the voice comes out (within a sample when a frame is
// centred on the impulse, or with four frames or more to a hop).
Signals voiceProbe(int frames, int at);
// The voice sample near `near` whose frame, counted from a buffer reset, is
// centred on it once the limiter's look-ahead has delayed it.
int centredVoiceSample(int near, int fftSize, int hop, int lookAhead = 44);
// Samples from `at` to the centre of energy of `out`.
double voiceDelayOf(const std::vector<float>& out, int at);

struct Scenario {
    std::vector<std::pair<int, float>> settings;  // normalised, FFT SIZE and HOP SIZE as a pair
    std::vector<Note> notes;
    std::vector<Change> changes;
};

// Settings go in index order, the sizes as a pair (hop 32 first, so that
// any pair with hop < N is taken). Blocks of `block` samples, also split at
// every change, so that each takes effect at its sample.
std::vector<float> renderVst2(const Scenario& s, const Signals& in, int block, float rate = 44100.0f);

// The audio carrier with every continuous parameter at its lower end (the
// gains left where they are, so that something sounds) or at its upper end.
Scenario continuousParametersAt(float end);

// The VST 2 library's output as the formats we design play the same
// scenario: every stretch in the Carrier or Audio1 mode delayed to the
// voice's latency, from silence at its start (changes on block starts).
std::vector<float> delayedAsExtended(const std::vector<float>& vst2, const Scenario& s, float rate = 44100.0f);
