// The engine linked in, as LV2, CLAP and the standalone program play it:
// every parameter (the Clear engine's among them), both outputs, the
// latency reported.
#pragma once

#include "Renderer.h"
#include "StoreAccess.h"
#include "engine/Engine.h"

#include <vector>

class EngineHost final : public Renderer {
public:
    EngineHost(float sampleRate, int blockSize);

    int parameterCount() const override { return access_.parameterCount(); }
    std::string parameterName(int index) const override { return access_.parameterName(index); }
    std::string parameterDisplay(int index) const override { return access_.parameterDisplay(index); }
    std::string parameterLabel(int index) const override { return access_.parameterLabel(index); }
    float parameter(int index) const override { return access_.parameter(index); }
    void setParameter(int index, float value) override { access_.setParameter(index, value); }
    std::string programName() const override { return access_.programName(); }
    void setProgramName(const std::string& name) override { access_.setProgramName(name); }

    std::int32_t pluginId() const override;
    std::int32_t pluginVersion() const override;
    float sampleRate() const override { return engine_.parameters().sampleRate(); }
    long long reportedLatency() const override { return engine_.latency(); }
    bool stereo() const override;
    void resume() override { engine_.reset(); }
    void suspend() override {}
    void process(float* in1, float* in2, float* out1, float* out2, int frames, long long start,
                 const std::vector<TimedEvent>& events, size_t& nextEvent) override;

private:
    Engine engine_{Dialect::extended};
    StoreAccess access_{engine_.parameters()};
    std::vector<MidiEvent> midi_;
};
