#include "PluginHost.h"

#include <dlfcn.h>

#include <cstring>

PluginHost::PluginHost(const std::string& libraryPath, float sampleRate, int blockSize)
    : sampleRate_(sampleRate), blockSize_(blockSize)
{
    library_ = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_)
        throw HostError("cannot load the plug-in: " + std::string(dlerror()));
    auto entry = reinterpret_cast<Entry>(dlsym(library_, "VSTPluginMain"));
    if (!entry)
        entry = reinterpret_cast<Entry>(dlsym(library_, "main"));
    if (!entry) {
        dlclose(library_);
        throw HostError(libraryPath + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main");
    }
    try {
        start(entry, libraryPath);
    } catch (...) {
        dlclose(library_);
        throw;
    }
}

PluginHost::PluginHost(Entry entry, const std::string& name, float sampleRate, int blockSize)
    : sampleRate_(sampleRate), blockSize_(blockSize)
{
    start(entry, name);
}

void PluginHost::start(Entry entry, const std::string& name)
{
    effect_ = entry(&PluginHost::callback);
    if (!effect_ || effect_->magic != kEffectMagic)
        throw HostError(name + ": the plug-in refused to start (its entry point returned no effect)");
    effect_->resvd1 = reinterpret_cast<VstIntPtr>(this);
    effect_->dispatcher(effect_, effOpen, 0, 0, nullptr, 0.0f);
    effect_->dispatcher(effect_, effSetSampleRate, 0, 0, nullptr, sampleRate_);
    effect_->dispatcher(effect_, effSetBlockSize, 0, blockSize_, nullptr, 0.0f);
    if (!(effect_->flags & effFlagsCanReplacing) || effect_->numInputs < 1 || effect_->numOutputs < 1) {
        effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
        throw HostError(name + ": the plug-in has no replacing audio process");
    }
}

PluginHost::~PluginHost()
{
    suspend();
    effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    if (library_)
        dlclose(library_);
}

VstIntPtr PluginHost::callback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
    const auto* host = effect ? reinterpret_cast<const PluginHost*>(effect->resvd1) : nullptr;
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterWantMidi: return 1;
    case audioMasterGetSampleRate: return host ? static_cast<VstIntPtr>(host->sampleRate_) : 0;
    case audioMasterGetBlockSize: return host ? host->blockSize_ : 0;
    case audioMasterGetCurrentProcessLevel: return 4;  // offline
    case audioMasterGetProductString:
        if (ptr)
            std::strcpy(static_cast<char*>(ptr), "vocoder-render");
        return 1;
    default: return 0;
    }
}

std::string PluginHost::text(VstInt32 opcode, int index) const
{
    char buffer[256] = {};
    effect_->dispatcher(effect_, opcode, index, 0, buffer, 0.0f);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

std::string PluginHost::parameterName(int index) const { return text(effGetParamName, index); }
std::string PluginHost::parameterDisplay(int index) const { return trimmed(text(effGetParamDisplay, index)); }
std::string PluginHost::parameterLabel(int index) const { return text(effGetParamLabel, index); }

std::string PluginHost::programName() const
{
    char buffer[256] = {};
    const auto program = static_cast<VstInt32>(effect_->dispatcher(effect_, effGetProgram, 0, 0, nullptr, 0.0f));
    if (!effect_->dispatcher(effect_, effGetProgramNameIndexed, program, -1, buffer, 0.0f))
        effect_->dispatcher(effect_, effGetProgramName, 0, 0, buffer, 0.0f);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

void PluginHost::setProgramName(const std::string& name)
{
    char buffer[kVstMaxProgNameLen] = {};
    std::strncpy(buffer, name.c_str(), sizeof buffer - 1);
    effect_->dispatcher(effect_, effSetProgramName, 0, 0, buffer, 0.0f);
}

void PluginHost::resume()
{
    effect_->dispatcher(effect_, effMainsChanged, 0, 1, nullptr, 0.0f);
    resumed_ = true;
}

void PluginHost::suspend()
{
    if (resumed_)
        effect_->dispatcher(effect_, effMainsChanged, 0, 0, nullptr, 0.0f);
    resumed_ = false;
}

void PluginHost::process(float* in1, float* in2, float* out1, float* out2, int frames, long long start,
                         const std::vector<TimedEvent>& events, size_t& nextEvent)
{
    midi_.clear();
    for (; nextEvent < events.size() && events[nextEvent].sample < start + frames; ++nextEvent) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = static_cast<VstInt32>(std::max(events[nextEvent].sample - start, 0LL));
        for (int b = 0; b < 3; ++b)
            e.midiData[b] = static_cast<char>(events[nextEvent].bytes[b]);
        midi_.push_back(e);
    }
    if (!midi_.empty()) {
        eventList_.assign(sizeof(VstEvents) + midi_.size() * sizeof(VstEvent*), 0);
        auto* list = reinterpret_cast<VstEvents*>(eventList_.data());
        list->numEvents = static_cast<VstInt32>(midi_.size());
        for (size_t i = 0; i < midi_.size(); ++i)
            list->events[i] = reinterpret_cast<VstEvent*>(&midi_[i]);
        effect_->dispatcher(effect_, effProcessEvents, 0, 0, list, 0.0f);
    }
    float* inputs[] = {in1, in2};
    float* outputs[] = {out1, out2};
    effect_->processReplacing(effect_, inputs, outputs, frames);
}
