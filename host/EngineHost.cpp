#include "EngineHost.h"

#include "parameters/Identity.h"

#include <algorithm>

EngineHost::EngineHost(float sampleRate, int blockSize)
{
    engine_.prepare(sampleRate, blockSize);
    midi_.reserve(256);
}

std::int32_t EngineHost::pluginId() const { return kVocoderUniqueId; }
std::int32_t EngineHost::pluginVersion() const { return kVocoderVersion; }

bool EngineHost::stereo() const
{
    const ParameterStore& p = engine_.parameters();
    // Width spreads the bands of the Clear and Live engines.
    return mapping::mode(p.value(kMode)) == 0 && static_cast<int>(played(kEngine, p.value(kEngine))) != kClassicEngine &&
           p.value(kWidth) > 0.0f;
}

void EngineHost::process(float* in1, float* in2, float* out1, float* out2, int frames, long long start,
                         const std::vector<TimedEvent>& events, size_t& nextEvent)
{
    midi_.clear();
    for (; nextEvent < events.size() && events[nextEvent].sample < start + frames; ++nextEvent) {
        const TimedEvent& e = events[nextEvent];
        midi_.push_back({static_cast<std::int32_t>(std::max(e.sample - start, 0LL)), {e.bytes[0], e.bytes[1], e.bytes[2]}});
    }
    engine_.process(in1, in2, out1, out2, frames, midi_);
}
