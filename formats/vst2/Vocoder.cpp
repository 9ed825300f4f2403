#include "Vocoder.h"

#include "AEffGUIEditor.h"
#include "parameters/TextFormat.h"

#include <algorithm>
#include <cstring>

ProgramRecord::ProgramRecord()
{
    for (int i = 0; i < kVst2Parameters; ++i)
        values[static_cast<size_t>(i)] = kParameterTable[static_cast<size_t>(i)].defaultValue;
    copyText(name, "Init", kVstMaxProgNameLen - 1);
}

// The engine first, then the program, whose values reach the engine through
// setParameter.
Vocoder::Vocoder(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kVst2Parameters),
      engine_(std::make_unique<Engine>()),
      programs_(std::make_unique<ProgramRecord[]>(1))
{
    loadProgram(0);
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    resume();
    new AEffGUIEditor(this);  // attaches itself as this plug-in's editor
}

Vocoder::~Vocoder()
{
    AEffEditor* editor = editor_;
    setEditor(nullptr);
    delete editor;
    programs_.reset();
}

// The host calls resume while processing is stopped, so the changes can be
// taken over here as well as at a block start.
void Vocoder::resume()
{
    AudioEffectX::resume();
    engine_->reset();
}

void Vocoder::setSampleRate(float sampleRate)
{
    AudioEffectX::setSampleRate(sampleRate);
    engine_->setSampleRate(sampleRate);
}

void Vocoder::setBlockSize(VstInt32 blockSize)
{
    AudioEffectX::setBlockSize(blockSize);
    engine_->setLargestBlock(blockSize);
}

void Vocoder::loadProgram(VstInt32 index)
{
    curProgram_ = index;
    for (VstInt32 i = 0; i < kVst2Parameters; ++i)
        setParameter(i, programs_[index].values[static_cast<size_t>(i)]);
}

void Vocoder::setParameter(VstInt32 index, float value)
{
    if (index >= 0 && index < kVst2Parameters)
        engine_->parameters().set(index, value);
    if (editor_)
        editor_->setParameter(index, value);
}

void Vocoder::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || !outputs || !outputs[0] || !outputs[1])
        return;
    if (!inputs || !inputs[0] || !inputs[1]) {
        std::fill(outputs[0], outputs[0] + sampleFrames, 0.0f);
        std::fill(outputs[1], outputs[1] + sampleFrames, 0.0f);
        return;
    }
    engine_->process(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames);
}

float Vocoder::getParameter(VstInt32 index)
{
    return index >= 0 && index < kVst2Parameters ? engine_->parameters().value(index) : 0.0f;
}

void Vocoder::getParameterDisplay(VstInt32 index, char* text)
{
    if (index >= 0 && index < kVst2Parameters)
        engine_->parameters().display(index, text);
}

void Vocoder::getParameterName(VstInt32 index, char* text)
{
    if (index >= 0 && index < kVst2Parameters && kParameterTable[static_cast<size_t>(index)].name)
        std::strcpy(text, kParameterTable[static_cast<size_t>(index)].name);
}

void Vocoder::getParameterLabel(VstInt32 index, char* label)
{
    if (index >= 0 && index < kVst2Parameters && kParameterTable[static_cast<size_t>(index)].label)
        std::strcpy(label, kParameterTable[static_cast<size_t>(index)].label);
}

// Keeps the first 23 characters of a longer name.
void Vocoder::setProgramName(char* name)
{
    copyText(programs_[curProgram_].name, name, kVstMaxProgNameLen - 1);
}

void Vocoder::getProgramName(char* name)
{
    const char* stored = programs_[curProgram_].name;
    if (std::strcmp(stored, "Init") == 0) {
        // "%s %d" of the name and the program number.
        char number[16];
        int2string(curProgram_ + 1, number, 8);
        std::strcpy(name, "Init ");
        std::strcat(name, number);
    } else {
        std::strcpy(name, stored);
    }
}

bool Vocoder::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text)
{
    if (index != 0)
        return false;
    std::strcpy(text, programs_[0].name);
    return true;
}

// The MIDI events are queued for the block; every list, unchanged, goes back
// to the host (MIDI thru).
VstInt32 Vocoder::processEvents(VstEvents* events)
{
    for (VstInt32 e = 0; e < events->numEvents; ++e) {
        const VstEvent* event = events->events[e];
        if (!event || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        engine_->queueEvent({midi->deltaFrames,
                             {static_cast<std::uint8_t>(midi->midiData[0]), static_cast<std::uint8_t>(midi->midiData[1]),
                              static_cast<std::uint8_t>(midi->midiData[2])}});
    }
    sendVstEventsToHost(events);
    return 1;
}

bool Vocoder::getEffectName(char* name)
{
    copyText(name, identity::kName, kVstMaxEffectNameLen - 1);
    return true;
}

bool Vocoder::getVendorString(char* text)
{
    copyText(text, identity::kVendor, kVstMaxVendorStrLen - 1);
    return true;
}

bool Vocoder::getProductString(char* text)
{
    copyText(text, identity::kName, kVstMaxProductStrLen - 1);
    return true;
}

VstInt32 Vocoder::canDo(const char* text)
{
    static constexpr struct {
        const char* text;
        VstInt32 answer;
    } kCanDo[] = {
        {"sendVstEvents", 1},      {"sendVstMidiEvent", 1},      {"sendVstTimeInfo", 0},
        {"receiveVstEvents", 1},   {"receiveVstMidiEvent", 1},   {"receiveVstTimeInfo", 0},
        {"offline", -1},           {"midiProgramNames", -1},     {"conformsToWindowRules", -1},
        {"bypass", -1},
    };
    for (const auto& entry : kCanDo)
        if (std::strcmp(text, entry.text) == 0)
            return entry.answer;
    return -1;
}
