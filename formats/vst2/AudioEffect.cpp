#include "AudioEffect.h"

#include "formats/vst2/AEffEditor.h"
#include "parameters/TextFormat.h"

#include <cmath>
#include <cstring>

namespace {

AudioEffect* objectOf(AEffect* effect) { return static_cast<AudioEffect*>(effect->object); }

// No exception may reach the host: a failing request answers 0.
VstIntPtr dispatchEffClass(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                           void* ptr, float opt)
{
    AudioEffect* object = objectOf(effect);
    try {
        if (opcode == effClose) {
            object->dispatcher(opcode, index, value, ptr, opt);
            delete object;
            return 1;
        }
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void setParameterClass(AEffect* effect, VstInt32 index, float value)
{
    try {
        objectOf(effect)->setParameter(index, value);
    } catch (...) {
    }
}

float getParameterClass(AEffect* effect, VstInt32 index)
{
    return objectOf(effect)->getParameter(index);
}

void processClass(AEffect*, float**, float**, VstInt32) {}

void processReplacingClass(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    objectOf(effect)->processReplacing(inputs, outputs, frames);
}

void processDoubleReplacingClass(AEffect* effect, double** inputs, double** outputs,
                                 VstInt32 frames)
{
    objectOf(effect)->processDoubleReplacing(inputs, outputs, frames);
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster_(audioMaster), numPrograms_(numPrograms), numParams_(numParams)
{
    cEffect_.magic = kEffectMagic;
    cEffect_.dispatcher = dispatchEffClass;
    cEffect_.process = processClass;
    cEffect_.setParameter = setParameterClass;
    cEffect_.getParameter = getParameterClass;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.flags = effFlagsCanReplacing;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.uniqueID = 0x4E6F4566;
    cEffect_.version = 1;
    cEffect_.processReplacing = processReplacingClass;
    cEffect_.processDoubleReplacing = processDoubleReplacingClass;
}

AudioEffect::~AudioEffect() { delete editor_; }

void AudioEffect::processReplacing(float** /*inputs*/, float** outputs, VstInt32 sampleFrames)
{
    if (!outputs || sampleFrames <= 0)
        return;
    for (VstInt32 channel = 0; channel < cEffect_.numOutputs; ++channel)
        if (outputs[channel])
            std::memset(outputs[channel], 0, sizeof(float) * static_cast<size_t>(sampleFrames));
}

void AudioEffect::setEditor(AEffEditor* editor)
{
    editor_ = editor;
    if (editor)
        cEffect_.flags |= effFlagsHasEditor;
    else
        cEffect_.flags &= ~effFlagsHasEditor;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt)
{
    return audioMaster_ ? audioMaster_(&cEffect_, opcode, index, value, ptr, opt) : 0;
}

// Only the plug-in's own indices are announced: a host may index its
// parameter table with what it receives here.
void AudioEffect::setParameterAutomated(VstInt32 index, float value)
{
    setParameter(index, value);
    if (isOwnParameter(index))
        callHost(audioMasterAutomate, index, 0, nullptr, value);
}

bool AudioEffect::beginEdit(VstInt32 index)
{
    return isOwnParameter(index) && callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffect::endEdit(VstInt32 index)
{
    return isOwnParameter(index) && callHost(audioMasterEndEdit, index) != 0;
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt)
{
    auto* text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 1;
    case effSetProgram:
        if (value >= 0 && value < numPrograms_)
            setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text)
            setProgramName(text);
        return 0;
    case effGetProgramName:
        if (text)
            getProgramName(text);
        return 0;
    case effGetParamLabel:
        if (text)
            getParameterLabel(index, text);
        return 0;
    case effGetParamDisplay:
        if (text)
            getParameterDisplay(index, text);
        return 0;
    case effGetParamName:
        if (text)
            getParameterName(index, text);
        return 0;
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effEditGetRect:
        return editor_ && ptr && editor_->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        return editor_ && editor_->open(ptr) ? 1 : 0;
    case effEditClose:
        if (editor_)
            editor_->close();
        return 0;
    case effEditIdle:
        if (editor_)
            editor_->idle();
        return 0;
    case effIdentify:
        return 0x4E764566;  // 'NvEf'
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 limit) { formatInteger(value, text, limit); }
