// What the render loop drives: a plug-in's parameters and program name, and
// blocks of audio with MIDI.
#pragma once

#include "Settings.h"

#include <cstdint>
#include <vector>

// A MIDI message of up to three bytes at an absolute sample position.
struct TimedEvent {
    long long sample;
    unsigned char bytes[3];
};

class Renderer : public ParameterAccess {
public:
    virtual ~Renderer() = default;
    virtual std::int32_t pluginId() const = 0;
    virtual std::int32_t pluginVersion() const = 0;
    virtual float sampleRate() const = 0;
    // The delay the plug-in reports, in samples (0 if none).
    virtual long long reportedLatency() const = 0;
    // Whether the two outputs may differ, for the settings in effect.
    virtual bool stereo() const = 0;
    virtual void resume() = 0;
    virtual void suspend() = 0;
    // One block: the events whose samples fall in [start, start + frames)
    // at their offsets, then the audio.
    virtual void process(float* in1, float* in2, float* out1, float* out2, int frames, long long start,
                         const std::vector<TimedEvent>& events, size_t& nextEvent) = 0;
};
