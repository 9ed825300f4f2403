#include "Vocoder.h"

#include "editor/AEffEditor.h"
#include "engine/Normalised.h"
#include "engine/SynthMapping.h"

#include <cstring>

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
}  // namespace

Vocoder::Vocoder(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kNumParameters),
      programs_(std::make_unique<ProgramRecord[]>(1)),
      equaliser_(static_cast<int>(getSampleRate()))
{
    limiter_.setSampleRate(getSampleRate());
    compressor_.setSampleRate(getSampleRate());
    limiter_.resetState();
    compressor_.resetState();

    carrierSource_.store(CarrierSource::Audio2, relaxed);
    loadProgram(0);

    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    resume();
}

Vocoder::~Vocoder()
{
    AEffEditor* editor = editor_;
    setEditor(nullptr);
    delete editor;
}

void Vocoder::resume()
{
    AudioEffectX::resume();
    limiter_.resetState();
    compressor_.resetState();
}

void Vocoder::loadProgram(VstInt32 index)
{
    curProgram_ = index;
    for (VstInt32 i = 0; i < kNumParameters; ++i)
        setParameter(i, programs_[index].values[i]);
}

void Vocoder::setParameter(VstInt32 index, float value)
{
    if (index >= 0 && index < kNumParameters)
        applyParameter(index, value);
    if (editor_)
        editor_->setParameter(index, value);
}

// Every value is brought into [0, 1] first (NaN to 0); values already there
// are used exactly as received. FFT SIZE and HOP SIZE take values above 1 and
// NaN to their size rules, which fall back to 256 and 32.
void Vocoder::applyParameter(VstInt32 index, float value)
{
    if (index == kFftSize || index == kHopSize) {
        const float v = value < 0.0f ? 0.0f : value;
        const SpectralSizes::Change change =
            index == kFftSize ? sizes_.setFftSize(v) : sizes_.setHopSize(v);
        values_[index].store(change.stored, relaxed);
        return;
    }

    const float x = clampNormalised(value);
    values_[index].store(x, relaxed);
    switch (index) {
    case kOsc1:
        synth_.osc1Waveform.store(synth::waveformIndex(x), relaxed);
        break;
    case kOsc2:
    case kOsc2Volume:
    case kOsc2Octave:
        applyOsc2();
        break;
    case kAttack:
        synth_.attack.store(synth::attackSetting(x), relaxed);
        break;
    case kRelease:
        synth_.release.store(x, relaxed);
        break;
    case kPitchbend:
        synth_.bendRange.store(synth::bendRangeSemitones(x), relaxed);
        break;
    case kTranspose:
        synth_.transposition.store(synth::transposeSemitones(x), relaxed);
        break;
    case kLowCut: equaliser_.setLowCutFrequency(x); break;
    case kPeak1Freq: equaliser_.setPeak1Frequency(x); break;
    case kPeak1Q: equaliser_.setPeak1Q(x); break;
    case kPeak1Gain: equaliser_.setPeak1Gain(x); break;
    case kPeak2Freq: equaliser_.setPeak2Frequency(x); break;
    case kPeak2Q: equaliser_.setPeak2Q(x); break;
    case kPeak2Gain: equaliser_.setPeak2Gain(x); break;
    case kHighCut: equaliser_.setHighCutFrequency(x); break;
    case kCarrierVolume:
        carrierVolume_.store(params::gain(x), relaxed);
        break;
    case kAudioLimiter:
        limiter_.setThreshold(params::thresholdDb(x));
        break;
    case kAudioGain:
        audioGain_.store(params::gain(x), relaxed);
        break;
    case kVocoderRatio:
        compressor_.setRatio(params::ratio(x));
        break;
    case kVocoderThreshold:
        compressor_.setThreshold(params::thresholdDb(x));
        break;
    case kVocoderAttack:
        compressor_.setAttack(params::attackMs(x));
        break;
    case kVocoderRelease:
        compressor_.setRelease(params::releaseMs(x));
        break;
    case kVocoderGain:
        vocoderGain_.store(params::gain(x), relaxed);
        break;
    case kMode:
        mode_.store(params::mode(x), relaxed);
        break;
    case kCarrier: {
        const CarrierSource source = params::carrier(x);
        if (carrierSource_.exchange(source, relaxed) != source)
            carrierChanged_.store(true, std::memory_order_release);
        break;
    }
    default:
        break;
    }
}

// OSC 2's waveform, level and octave always go to the voices together.
void Vocoder::applyOsc2()
{
    synth_.osc2Waveform.store(synth::waveformIndex(values_[kOsc2].load(relaxed)), relaxed);
    synth_.osc2Volume.store(values_[kOsc2Volume].load(relaxed), relaxed);
    synth_.octaveMultiplier.store(synth::octaveMultiplier(values_[kOsc2Octave].load(relaxed)),
                                  relaxed);
}

float Vocoder::getParameter(VstInt32 index)
{
    return index >= 0 && index < kNumParameters ? values_[index].load(relaxed) : 0.0f;
}

DisplayState Vocoder::displayState() const
{
    return {synth_.bendRange.load(relaxed), mode(), carrierSource(), sizes_.fftSize(),
            sizes_.hopSize()};
}

void Vocoder::getParameterDisplay(VstInt32 index, char* text)
{
    if (index >= 0 && index < kNumParameters)
        formatParameterDisplay(index, values_[index].load(relaxed), displayState(), text);
}

void Vocoder::getParameterName(VstInt32 index, char* text)
{
    if (index >= 0 && index < kNumParameters && kParameterTable[index].name)
        std::strcpy(text, kParameterTable[index].name);
}

void Vocoder::getParameterLabel(VstInt32 index, char* label)
{
    if (index >= 0 && index < kNumParameters && kParameterTable[index].label)
        std::strcpy(label, kParameterTable[index].label);
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
    eventQueue_.store(*events);
    sendVstEventsToHost(events);
    return 1;
}

bool Vocoder::getEffectName(char* name)
{
    copyText(name, "Vocoder", kVstMaxEffectNameLen - 1);
    return true;
}

bool Vocoder::getVendorString(char* text)
{
    copyText(text, "Velmora", kVstMaxVendorStrLen - 1);
    return true;
}

bool Vocoder::getProductString(char* text)
{
    copyText(text, "Vocoder", kVstMaxProductStrLen - 1);
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
