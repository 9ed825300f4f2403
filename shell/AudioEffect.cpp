#include "AudioEffect.h"

#include "editor/AEffEditor.h"

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

namespace {

void copyCut(char* text, const char* source, VstInt32 limit)
{
    VstInt32 n = 0;
    for (; n < limit && source[n]; ++n)
        text[n] = source[n];
    text[n > 0 ? n : 0] = 0;
}

}  // namespace

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 limit)
{
    if (value >= 100000000) {
        copyCut(text, "Huge!", limit);
        return;
    }
    char digits[16];
    int count = 0;
    // Magnitude in 64 bits: the most negative 32-bit value has no 32-bit magnitude.
    long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    char result[16];
    int length = 0;
    if (value < 0)
        result[length++] = '-';
    while (count > 0)
        result[length++] = digits[--count];
    result[length] = 0;
    copyCut(text, result, limit);
}

// Eight characters before cutting: sign, integer digits, point, fraction.
// Digits are cut, never rounded. Magnitudes of 10^7 and more, and infinities,
// show "Huge!"; NaN shows "NaN".
void AudioEffect::float2string(float value, char* text, VstInt32 limit)
{
    if (std::isnan(value)) {
        copyCut(text, "NaN", limit);
        return;
    }
    const double magnitude = std::fabs(static_cast<double>(value));
    if (magnitude >= 1e7) {
        copyCut(text, value < 0 ? "-Huge!" : "Huge!", limit);
        return;
    }
    char result[9];
    int used = 0;
    if (value < 0)
        result[used++] = '-';

    char integer[8];
    int integerDigits = 0;
    double i = magnitude;
    do {
        integer[integerDigits++] = static_cast<char>('0' + static_cast<int>(std::fmod(i, 10.0)));
        i /= 10.0;
    } while (i >= 1.0 && used + 1 + integerDigits < 8);
    while (integerDigits > 0)
        result[used++] = integer[--integerDigits];
    result[used++] = '.';

    const int k = 8 - used;
    double m = std::fmod(magnitude, 1.0) * std::pow(10.0, k);
    for (int d = k - 1; d >= 0; --d) {
        result[used + d] = m <= 0.0 ? '0' : static_cast<char>('0' + static_cast<int>(std::fmod(m, 10.0)));
        m /= 10.0;
    }
    result[8] = 0;
    copyCut(text, result, limit);
}

// The logarithm and the product are each rounded to 32-bit floats.
void AudioEffect::dB2string(float value, char* text, VstInt32 limit)
{
    if (value <= 0.0f) {
        copyCut(text, "-oo", limit);
        return;
    }
    const auto logarithm = static_cast<float>(std::log10(static_cast<double>(value)));
    float2string(static_cast<float>(20.0 * logarithm), text, limit);
}
