#include "Vocoder.h"

#include "editor/VocoderGui.h"
#include "engine/Normalised.h"
#include "engine/SynthMapping.h"

#include <cstring>

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
}  // namespace

// Construction order: sample buffers, synthesiser, program, limiter and
// compressor, equaliser, spectral states, event queue. A part that fails to
// build throws; the members already built are released in reverse order.
Vocoder::Vocoder(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kNumParameters),
      synth_(std::make_unique<CarrierSynth>()),
      programs_(std::make_unique<ProgramRecord[]>(1)),
      limiter_(std::make_unique<SimpleLimit>()),
      compressor_(std::make_unique<SimpleCompRms>()),
      equaliser_(std::make_unique<Equaliser>(static_cast<int>(getSampleRate()))),
      spectral_(std::make_unique<SpectralBank>()),
      eventQueue_(std::make_unique<EventQueue>())
{
    limiter_->setSampleRate(getSampleRate());
    compressor_->setSampleRate(getSampleRate());
    limiter_->resetState();
    compressor_->resetState();
    active_ = &spectral_->forSize(sizes_.fftSize());
    hop_ = sizes_.hopSize();
    ready_ = true;
    reserveBuffers();
    resetBuffers();

    carrierSource_.store(CarrierSource::Audio2, relaxed);
    loadProgram(0);

    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    resume();
    new VocoderGui(this);  // attaches itself as this plug-in's editor
}

Vocoder::~Vocoder()
{
    AEffEditor* editor = editor_;
    setEditor(nullptr);
    delete editor;
    eventQueue_.reset();
    synth_.reset();
    limiter_.reset();
    compressor_.reset();
    equaliser_.reset();
    active_ = nullptr;
    spectral_.reset();
    programs_.reset();
    // The sample buffers go last, with the members: output, modulator, carrier.
}

// The host calls resume while processing is stopped, so the hand-overs can
// be taken here as well as at a block start.
void Vocoder::resume()
{
    AudioEffectX::resume();
    reserveBuffers();
    takeOverChanges();
    resetBuffers();
    limiter_->resetState();
    compressor_->resetState();
}

void Vocoder::setSampleRate(float sampleRate)
{
    AudioEffectX::setSampleRate(sampleRate);
    if (sampleRate >= kLowestSampleRate && sampleRate <= kHighestSampleRate)
        hostSampleRate_.store(sampleRate, relaxed);
}

void Vocoder::setBlockSize(VstInt32 blockSize)
{
    AudioEffectX::setBlockSize(blockSize);
    if (blockSize > largestBlock_.load(relaxed))
        largestBlock_.store(blockSize, relaxed);
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
        if (change.apply)
            sizeGeneration_.fetch_add(1, std::memory_order_release);
        return;
    }

    const float x = clampNormalised(value);
    values_[index].store(x, relaxed);
    const auto synthChange = [this](unsigned change) {
        synthChanges_.fetch_or(change, std::memory_order_release);
    };
    switch (index) {
    case kOsc1: synthChange(kSynthOsc1); break;
    case kOsc2:
    case kOsc2Volume:
    case kOsc2Octave: synthChange(kSynthOsc2); break;
    case kAttack: synthChange(kSynthAttack); break;
    case kRelease: synthChange(kSynthRelease); break;
    case kPitchbend: synthChange(kSynthBendRange); break;
    case kTranspose: synthChange(kSynthTranspose); break;
    case kLowCut: equaliser_->setLowCutFrequency(x); break;
    case kPeak1Freq: equaliser_->setPeak1Frequency(x); break;
    case kPeak1Q: equaliser_->setPeak1Q(x); break;
    case kPeak1Gain: equaliser_->setPeak1Gain(x); break;
    case kPeak2Freq: equaliser_->setPeak2Frequency(x); break;
    case kPeak2Q: equaliser_->setPeak2Q(x); break;
    case kPeak2Gain: equaliser_->setPeak2Gain(x); break;
    case kHighCut: equaliser_->setHighCutFrequency(x); break;
    case kCarrierVolume:
        carrierVolume_.store(params::gain(x), relaxed);
        break;
    case kAudioLimiter:
        limiter_->setThreshold(params::thresholdDb(x));
        break;
    case kAudioGain:
        audioGain_.store(params::gain(x), relaxed);
        break;
    case kVocoderRatio:
        compressor_->setRatio(params::ratio(x));
        break;
    case kVocoderThreshold:
        compressor_->setThreshold(params::thresholdDb(x));
        break;
    case kVocoderAttack:
        compressor_->setAttack(params::attackMs(x));
        break;
    case kVocoderRelease:
        compressor_->setRelease(params::releaseMs(x));
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

float Vocoder::getParameter(VstInt32 index)
{
    return index >= 0 && index < kNumParameters ? values_[index].load(relaxed) : 0.0f;
}

DisplayState Vocoder::displayState() const
{
    return {synth::bendRangeSemitones(values_[kPitchbend].load(relaxed)), mode(), carrierSource(), sizes_.fftSize(),
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
    eventQueue_->store(*events);
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
