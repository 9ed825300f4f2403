#include "Vst2Render.h"

#include "TestHost.h"
#include "parameters/ParameterTable.h"
#include "parameters/SpectralSizes.h"

#include <algorithm>
#include <array>
#include <cmath>

Signals testSignals(int frames, double rate)
{
    Signals s{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))};
    unsigned noise = 7;
    for (int i = 0; i < frames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double t = i / rate;
        s.voice[static_cast<size_t>(i)] = static_cast<float>(0.4 * std::sin(2 * M_PI * 180 * t) * std::sin(2 * M_PI * 3 * t) +
                                                             0.02 * ((noise >> 8) / 16777216.0 - 0.5));
        s.carrier[static_cast<size_t>(i)] = static_cast<float>(0.5 * std::fmod(110.0 * t, 1.0) - 0.25);
    }
    return s;
}

Signals impulseProbe(int frames, int at)
{
    Signals s{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))};
    unsigned noise = 1;
    for (float& v : s.voice) {
        noise = noise * 1664525u + 1013904223u;
        v = static_cast<float>(noise >> 8) / 16777216.0f - 0.5f;
    }
    s.carrier[static_cast<size_t>(at)] = 1.0f;
    return s;
}

long delayOf(const std::vector<float>& out, int at)
{
    const auto peak = std::max_element(out.begin(), out.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    return static_cast<long>(peak - out.begin()) - at;
}

Signals voiceProbe(int frames, int at)
{
    Signals s{std::vector<float>(static_cast<size_t>(frames)), std::vector<float>(static_cast<size_t>(frames))};
    for (int i = 0; i < frames; ++i)
        s.carrier[static_cast<size_t>(i)] = static_cast<float>(0.25 * std::sin(2 * M_PI * 5000.0 / 44100.0 * i));
    s.voice[static_cast<size_t>(at)] = 1.0f;
    return s;
}

// Frame k holds the samples k·hop − N + 1 … k·hop; its centre is k·hop − N/2 + 1.
int centredVoiceSample(int near, int fftSize, int hop, int lookAhead)
{
    return (near + lookAhead + fftSize / 2) / hop * hop - fftSize / 2 + 1 - lookAhead;
}

double voiceDelayOf(const std::vector<float>& out, int at)
{
    double sum = 0, weighted = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double energy = static_cast<double>(out[i]) * out[i];
        sum += energy;
        weighted += energy * static_cast<double>(i);
    }
    return sum > 0 ? weighted / sum - at : -1e9;
}

Scenario continuousParametersAt(float end)
{
    Scenario s{{{kCarrier, 1.0f}}, {}, {}};
    for (int i = 0; i < kVst2Parameters; ++i)
        if (kParameterTable[static_cast<size_t>(i)].choices.empty() &&
            !(end == 0.0f && (i == kCarrierVolume || i == kAudioGain || i == kVocoderGain)))
            s.settings.emplace_back(i, end);
    return s;
}

std::vector<float> delayedAsExtended(const std::vector<float>& vst2, const Scenario& s, float rate)
{
    std::array<float, kNumParameters> values;
    for (int i = 0; i < kNumParameters; ++i)
        values[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
    for (const auto& [index, value] : s.settings)
        values[static_cast<size_t>(index)] = value;
    const int lookAhead = static_cast<int>(rate / 1000.0f);
    std::vector<float> out(vst2.size());
    long stretchStart = 0;
    int delay = -1;
    for (long t = 0; t < static_cast<long>(vst2.size()); ++t) {
        for (const Change& c : s.changes)
            if (c.sample == t)
                values[static_cast<size_t>(c.parameter)] = c.value;
        const int mode = mapping::mode(values[kMode]);
        const SpectralPair sizes = spectralsizes::pairFor(values[kFftSize], values[kHopSize]);
        const int wanted = mode == 0 ? -1 : sizes.fftSize + sizes.hopSize - 2 + (mode == 1 ? lookAhead : 0);
        if (wanted != delay) {
            delay = wanted;
            stretchStart = t;
        }
        const auto i = static_cast<size_t>(t);
        out[i] = delay < 0 ? vst2[i] : t - delay >= stretchStart ? vst2[static_cast<size_t>(t - delay)] : 0.0f;
    }
    return out;
}

std::vector<float> renderVst2(const Scenario& s, const Signals& in, int block, float rate)
{
    TestHost host;
    AEffect* e = host.create();
    host.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    host.dispatch(effSetBlockSize, 0, block);
    const auto set = [e](int index, float value) { e->setParameter(e, index, value); };
    float fft = -1.0f, hop = -1.0f;
    for (const auto& [index, value] : s.settings) {
        if (index == kFftSize)
            fft = value;
        else if (index == kHopSize)
            hop = value;
        else
            set(index, value);
    }
    if (fft >= 0.0f || hop >= 0.0f) {
        set(kHopSize, 0.0f);
        set(kFftSize, fft >= 0.0f ? fft : e->getParameter(e, kFftSize));
        set(kHopSize, hop >= 0.0f ? hop : 1.0f);
    }
    host.dispatch(effMainsChanged, 0, 1);
    const auto frames = static_cast<long>(in.voice.size());
    std::vector<float> out(in.voice.size()), other(in.voice.size());
    for (long start = 0; start < frames;) {
        long end = std::min<long>(start + block, frames);
        for (const Change& c : s.changes)
            if (c.sample > start && c.sample < end)
                end = c.sample;
        const int length = static_cast<int>(end - start);
        for (const Change& c : s.changes)
            if (c.sample == start)
                set(c.parameter, c.value);
        std::vector<VstMidiEvent> midi;
        for (const Note& n : s.notes)
            if (n.sample >= start && n.sample < end) {
                VstMidiEvent m{};
                m.type = kVstMidiType;
                m.byteSize = sizeof m;
                m.deltaFrames = static_cast<VstInt32>(n.sample - start);
                for (int b = 0; b < 3; ++b)
                    m.midiData[b] = static_cast<char>(n.bytes[static_cast<size_t>(b)]);
                midi.push_back(m);
            }
        if (!midi.empty()) {
            std::vector<std::uint8_t> list(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*));
            auto* events = reinterpret_cast<VstEvents*>(list.data());
            events->numEvents = static_cast<VstInt32>(midi.size());
            for (size_t i = 0; i < midi.size(); ++i)
                events->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            host.dispatch(effProcessEvents, 0, 0, events);
        }
        float* inputs[] = {const_cast<float*>(in.voice.data() + start), const_cast<float*>(in.carrier.data() + start)};
        float* outputs[] = {out.data() + start, other.data() + start};
        e->processReplacing(e, inputs, outputs, length);
        start = end;
    }
    return out;
}
