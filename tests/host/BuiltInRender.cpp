#include "BuiltInRender.h"

#include "engine/Engine.h"

#include <algorithm>
#include <cmath>

Stereo renderBuiltIn(const Scenario& s, const Signals& in, int block, float rate)
{
    Engine engine(Dialect::extended);
    engine.prepare(rate, block);
    for (const auto& [index, value] : s.settings)
        engine.parameters().set(index, value);
    engine.reset();
    const auto frames = static_cast<long>(in.voice.size());
    Stereo out{std::vector<float>(in.voice.size()), std::vector<float>(in.voice.size())};
    for (long start = 0; start < frames; start += block) {
        const int length = static_cast<int>(std::min<long>(block, frames - start));
        for (const Change& c : s.changes)
            if (c.sample >= start && c.sample < start + length)
                engine.parameters().set(c.parameter, c.value);
        std::vector<MidiEvent> events;
        for (const Note& n : s.notes)
            if (n.sample >= start && n.sample < start + length)
                events.push_back({static_cast<std::int32_t>(n.sample - start), {n.bytes[0], n.bytes[1], n.bytes[2]}});
        engine.process(in.voice.data() + start, in.carrier.data() + start, out.left.data() + start,
                       out.right.data() + start, length, events);
    }
    return out;
}

Scenario clearScenario()
{
    return {{{kCarrier, 1.0f},
             {kEngine, 1.0f},
             {kBands, 0.3f},
             {kFlatten, 0.7f},
             {kFormant, 0.6f},
             {kSibilance, 1.0f},
             {kMix, 0.75f},
             {kWidth, 0.6f}},
            {},
            {}};
}

Scenario trackingScenario()
{
    Scenario s = clearScenario();
    s.settings.front() = {kCarrier, 0.0f};
    s.settings.insert(s.settings.end(), {{kTrack, 1.0f}, {kScale, 2 / 8.0f}, {kHarmony, 2 / 6.0f}});
    return s;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size())
        return INFINITY;
    float largest = 0.0f;
    for (size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::fabs(a[i] - b[i]));
    return largest;
}

size_t firstAudibleDifference(const std::vector<float>& a, const std::vector<float>& reference)
{
    float peak = 0.0f;
    for (const float x : reference)
        peak = std::max(peak, std::fabs(x));
    size_t i = 0;
    while (i < a.size() && i < reference.size() && std::fabs(a[i] - reference[i]) <= 1e-3f * peak)
        ++i;
    return i;
}
