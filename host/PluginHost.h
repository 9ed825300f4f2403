// A host for one VST 2.4 effect library: loads it as hosts do, reaches the
// effect only through its record, and renders blocks with MIDI.
#pragma once

#include "Renderer.h"
#include "formats/vst2/aeffectx.h"

#include <string>
#include <vector>

class PluginHost final : public Renderer {
public:
    using Entry = AEffect* (*)(audioMasterCallback);

    // dlopen with RTLD_NOW | RTLD_LOCAL, VSTPluginMain (or main), effOpen,
    // sample rate and block size. Throws HostError with the loader's message.
    PluginHost(const std::string& libraryPath, float sampleRate, int blockSize);
    // The same with an entry point linked into this program; `name` for messages.
    PluginHost(Entry entry, const std::string& name, float sampleRate, int blockSize);
    ~PluginHost() override;  // suspend, close, unload
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    AEffect* effect() const { return effect_; }
    int parameterCount() const override { return effect_->numParams; }
    std::string parameterName(int index) const override;
    std::string parameterDisplay(int index) const override;
    std::string parameterLabel(int index) const override;
    float parameter(int index) const override { return effect_->getParameter(effect_, index); }
    void setParameter(int index, float value) override { effect_->setParameter(effect_, index, value); }

    // The current program's name as stored (without the number some
    // plug-ins add to a default name), and a new one for it.
    std::string programName() const override;
    void setProgramName(const std::string& name) override;

    std::int32_t pluginId() const override { return effect_->uniqueID; }
    std::int32_t pluginVersion() const override { return effect_->version; }
    long long reportedLatency() const override { return effect_->initialDelay; }
    bool stereo() const override { return false; }
    void resume() override;
    void suspend() override;

    // One block: the events whose samples fall in [start, start + frames)
    // go to effProcessEvents with their offsets, then processReplacing.
    void process(float* in1, float* in2, float* out1, float* out2, int frames, long long start,
                 const std::vector<TimedEvent>& events, size_t& nextEvent) override;

    float sampleRate() const override { return sampleRate_; }
    int blockSize() const { return blockSize_; }

private:
    void start(Entry entry, const std::string& name);
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                              float opt);
    std::string text(VstInt32 opcode, int index) const;

    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    float sampleRate_;
    int blockSize_;
    bool resumed_ = false;
    std::vector<VstMidiEvent> midi_;
    std::vector<unsigned char> eventList_;
};
