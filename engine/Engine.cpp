// The engine's per-block work: the three modes, the sample buffers, the hop
// loop with overlap-add, and the output chain.
//
// Real-time rules: after reset nothing here allocates, locks or waits for
// blocks up to the largest block. Parameter changes are taken over at the
// start of a block (takeOverChanges).
#include "Engine.h"

#include "SpectralKernels.h"
#include "parameters/SynthMapping.h"

#include <algorithm>
#include <cmath>

namespace {

// The guard that keeps the buffers out of the denormal range, as a float.
constexpr float kGuardFloat = static_cast<float>(DENORMAL_GUARD);

// Largest input magnitude taken as it is; far above any real signal, and low
// enough that products of spectra stay finite in float.
constexpr float kLargestInput = 1.0e9f;

// Non-finite input (NaN or infinity) would poison every recursive state for
// the rest of the session: it counts as silence. Huge values are clamped.
inline float sanitised(float x)
{
    const float magnitude = std::fabs(x);
    if (magnitude <= kLargestInput)
        return x;
    if (magnitude > kLargestInput && magnitude != INFINITY)
        return std::copysign(kLargestInput, x);
    return 0.0f;
}

}  // namespace

// Construction order: sample buffers, synthesiser, limiter and compressor,
// equaliser, spectral states, event queue. Then the settings are taken over
// and the buffers sized for the default FFT size.
Engine::Engine()
{
    limiter_.setSampleRate(sampleRate_);
    compressor_.setSampleRate(sampleRate_);
    active_ = &spectral_.forSize(parameters_.sizes().fftSize());
    hop_ = parameters_.sizes().hopSize();
    reset();
}

Engine::~Engine() = default;

void Engine::reset()
{
    reserveBuffers();
    takeOverChanges();
    resetBuffers();
    limiter_.resetState();
    compressor_.resetState();
}

void Engine::process(const float* modulator, const float* carrier, float* out1, float* out2, int frames)
{
    if (frames <= 0 || !out1 || !out2)
        return;
    if (!modulator || !carrier) {
        std::fill(out1, out1 + frames, 0.0f);
        std::fill(out2, out2 + frames, 0.0f);
        return;
    }
    takeOverChanges();
    switch (mode_) {
    case 0: processVocoder(modulator, carrier, out1, out2, frames); break;
    case 1: processCarrier(carrier, out1, out2, frames); break;
    case 2: processModulator(modulator, out1, out2, frames); break;
    default: break;
    }
}

int Engine::latency() const
{
    switch (params::mode(parameters_.value(kMode))) {
    case 0: return parameters_.sizes().fftSize() + parameters_.sizes().hopSize() - 2;
    case 2: return static_cast<int>(SimpleLimit::holdFor(kLimiterAttackMs, parameters_.sampleRate()));
    default: return 0;
    }
}

// Everything that changed since the last block, in index order; the
// synthesiser's settings in a fixed order after them.
void Engine::takeOverChanges()
{
    const std::uint32_t changes = parameters_.takeChanges();
    if (changes == 0)
        return;
    if (changes & ParameterStore::kSampleRateChanged) {
        const float rate = parameters_.sampleRate();
        if (rate != sampleRate_)
            applySampleRate(rate);
    }
    if (changes & ParameterStore::kCarrierSwitched)
        carrierSwitched_ = true;
    for (int index = 0; index < kNumParameters; ++index)
        if (changes & (1u << index))
            apply(index, parameters_.value(index));

    const auto value = [this](int index) { return parameters_.value(index); };
    const auto changed = [changes](auto... index) { return ((changes & (1u << index)) || ...); };
    if (changed(kOsc1)) synth_.setOsc1Waveform(value(kOsc1));
    if (changed(kOsc2, kOsc2Volume, kOsc2Octave)) synth_.setOsc2(value(kOsc2), value(kOsc2Volume), value(kOsc2Octave));
    if (changed(kTranspose)) synth_.setTranspose(value(kTranspose));
    if (changed(kAttack)) synth_.setAttack(value(kAttack));
    if (changed(kRelease)) synth_.setRelease(value(kRelease));
    if (changed(kPitchbend)) synth_.setBendRange(value(kPitchbend));

    if (changed(kFftSize, kHopSize)) {
        // Two threads racing on FFT SIZE and HOP SIZE could leave a pair
        // without hop < N for a moment: the pair's fall-back covers it.
        const SpectralSizes::Pair sizes = SpectralSizes::pairFor(value(kFftSize), value(kHopSize));
        active_ = &spectral_.forSize(sizes.fftSize);
        hop_ = sizes.hopSize;
        resetBuffers();
    }
}

// One parameter's value into the setting it drives (the synthesiser's and
// the sizes are taken over together, above).
void Engine::apply(int index, float x)
{
    switch (index) {
    case kLowCut: equaliser_.setLowCutFrequency(x); break;
    case kPeak1Freq: equaliser_.setPeak1Frequency(x); break;
    case kPeak1Q: equaliser_.setPeak1Q(x); break;
    case kPeak1Gain: equaliser_.setPeak1Gain(x); break;
    case kPeak2Freq: equaliser_.setPeak2Frequency(x); break;
    case kPeak2Q: equaliser_.setPeak2Q(x); break;
    case kPeak2Gain: equaliser_.setPeak2Gain(x); break;
    case kHighCut: equaliser_.setHighCutFrequency(x); break;
    case kCarrierVolume: carrierVolume_ = params::gain(x); break;
    case kAudioLimiter: limiter_.setThreshold(params::thresholdDb(x)); break;
    case kAudioGain: audioGain_ = params::gain(x); break;
    case kVocoderRatio: compressor_.setRatio(params::ratio(x)); break;
    case kVocoderThreshold: compressor_.setThreshold(params::thresholdDb(x)); break;
    case kVocoderAttack: compressor_.setAttack(params::attackMs(x)); break;
    case kVocoderRelease: compressor_.setRelease(params::releaseMs(x)); break;
    case kVocoderGain: vocoderGain_ = params::gain(x); break;
    case kMode: mode_ = params::mode(x); break;
    case kCarrier: carrier_ = params::carrier(x); break;
    default: break;
    }
}

// The host's rate reaches every part that depends on it; at 44100 Hz nothing
// changes. The limiter's peak hold follows its 1 ms attack.
void Engine::applySampleRate(float rate)
{
    sampleRate_ = rate;
    synth_.setSampleRate(rate);
    limiter_.setSampleRate(rate);
    limiter_.setAttack(kLimiterAttackMs);
    compressor_.setSampleRate(rate);
    equaliser_.setSampleRate(static_cast<int>(rate));
}

void Engine::refill(SampleBuffer& buffer)
{
    buffer.clear();
    buffer.appendFill(static_cast<size_t>(active_->fftSize() - 1), kGuardFloat);
}

void Engine::resetBuffers()
{
    active_->clear();
    refill(outputBuffer_);
    refill(modulatorBuffer_);
    refill(carrierBuffer_);
}

// Room for the largest FFT size, the largest block and a hop, so that no
// block of a known length makes a buffer grow.
void Engine::reserveBuffers()
{
    const auto block = static_cast<size_t>(std::max(parameters_.largestBlock(), 1));
    const size_t room = 2 * SpectralBank::kLargestSize + block + 128;
    carrierBuffer_.reserve(room);
    modulatorBuffer_.reserve(room);
    outputBuffer_.reserve(room);
}

// The output chain for one chunk of at most kChunk samples: equaliser (which
// adds its noise to `in`), compressor, gain, both outputs.
void Engine::outputStage(float* in, double gain, float* out1, float* out2, int length)
{
    equaliser_.process(in, scratch_.data(), length);
    SimpleCompRms& compressor = compressor_;
    double* x = wide_.data();
    for (int i = 0; i < length; ++i)
        x[i] = scratch_[static_cast<size_t>(i)];
    compressor.processBlock(x, length);
    for (int i = 0; i < length; ++i)
        out1[i] = out2[i] = static_cast<float>(x[i] * gain);
}

// Synthesiser samples for block positions first … first + count − 1, each
// after the events due at its position; without pending events in one run.
void Engine::renderSynth(int first, float* out, int count)
{
    CarrierSynth& synth = synth_;
    int i = 0;
    for (; i < count && eventQueue_.pendingCount() > 0; ++i) {
        eventQueue_.deliverDueEvents(first + i, synth);
        out[i] = synth.render();
    }
    synth.renderBlock(out + i, count - i);
}

void Engine::processVocoder(const float* in1, const float* in2, float* out1, float* out2, int frames)
{
    carrierModeReset_ = false;
    const auto count = static_cast<size_t>(frames);
    SimpleLimit& limiter = limiter_;
    const double audioGain = audioGain_;
    float* modulator = modulatorBuffer_.append(count);
    double* x = wide_.data();
    for (int start = 0; start < frames; start += kChunk) {
        const int length = std::min(kChunk, frames - start);
        for (int i = 0; i < length; ++i)
            x[i] = static_cast<double>(sanitised(in1[start + i])) + DENORMAL_GUARD;
        limiter.processBlock(x, length);
        for (int i = 0; i < length; ++i)
            modulator[start + i] = static_cast<float>(x[i] * audioGain);
    }

    if (carrierSwitched_) {
        carrierSwitched_ = false;
        refill(carrierBuffer_);
    }
    const float volume = carrierVolume_;
    float* carrier = carrierBuffer_.append(count);
    if (carrier_ == CarrierSource::Synth) {
        for (int start = 0; start < frames; start += kChunk) {
            const int length = std::min(kChunk, frames - start);
            float* synthesised = block_.data();
            renderSynth(start, synthesised, length);
            for (int i = 0; i < length; ++i)
                carrier[start + i] = static_cast<float>(synthesised[i] * volume + DENORMAL_GUARD);
        }
    } else {
        for (int i = 0; i < frames; ++i) {
            deliverEvents(i);
            carrier[i] = static_cast<float>(sanitised(in2[i]) * volume + DENORMAL_GUARD);
        }
    }
    ageEvents(frames);

    // One frame per hop: window, transform, impose, transform back, window
    // again and overlap-add (1/N undoes the transforms' scaling; N is a power
    // of two, so multiplying by it is exact).
    SpectralState& spectral = *active_;
    const int n = spectral.fftSize();
    const auto fftSize = static_cast<size_t>(n);
    const auto hop = static_cast<size_t>(hop_);
    const double inverseN = 1.0 / n;
    const double* window = spectral.window();
    const double* resynthesised = spectral.output();
    while (modulatorBuffer_.size() >= fftSize && carrierBuffer_.size() >= fftSize) {
        const size_t appendPos = outputBuffer_.size() + hop - fftSize;
        outputBuffer_.appendFill(hop, kGuardFloat);
        spectral.frame(carrierBuffer_.data(), modulatorBuffer_.data());
        kernels::overlapAdd(outputBuffer_.data() + appendPos, window, resynthesised, inverseN, n);
        modulatorBuffer_.removeFront(hop);
        carrierBuffer_.removeFront(hop);
    }
    if (outputBuffer_.size() < count)
        return;

    const double gain = vocoderGain_;
    float* pending = outputBuffer_.data();
    for (int start = 0; start < frames; start += kChunk) {
        const int length = std::min(kChunk, frames - start);
        outputStage(pending + start, gain, out1 + start, out2 + start, length);
    }
    outputBuffer_.removeFront(count);
}

void Engine::processCarrier(const float* in2, float* out1, float* out2, int frames)
{
    if (!carrierModeReset_) {
        refill(carrierBuffer_);
        refill(modulatorBuffer_);
        refill(outputBuffer_);
        carrierModeReset_ = true;
    }
    const float volume = carrierVolume_;
    const bool synthCarrier = carrier_ == CarrierSource::Synth;
    const double gain = vocoderGain_;
    float* carrier = block_.data();
    for (int start = 0; start < frames; start += kChunk) {
        const int length = std::min(kChunk, frames - start);
        if (synthCarrier) {
            renderSynth(start, carrier, length);
            for (int i = 0; i < length; ++i)
                carrier[i] = volume * carrier[i];
        } else {
            for (int i = 0; i < length; ++i) {
                deliverEvents(start + i);
                carrier[i] = sanitised(in2[start + i]) * volume;
            }
        }
        outputStage(carrier, gain, out1 + start, out2 + start, length);
    }
    ageEvents(frames);
}

void Engine::processModulator(const float* in1, float* out1, float* out2, int frames)
{
    refill(carrierBuffer_);
    refill(modulatorBuffer_);
    refill(outputBuffer_);
    // The synthesiser is not rendered: events only change its state, so they
    // can be delivered ahead of the limiter's pass over the same samples.
    for (int i = 0; i < frames; ++i)
        deliverEvents(i);
    ageEvents(frames);
    const double gain = audioGain_;
    SimpleLimit& limiter = limiter_;
    double* x = wide_.data();
    for (int start = 0; start < frames; start += kChunk) {
        const int length = std::min(kChunk, frames - start);
        for (int i = 0; i < length; ++i)
            x[i] = sanitised(in1[start + i]);
        limiter.processBlock(x, length);
        for (int i = 0; i < length; ++i)
            out1[start + i] = out2[start + i] = static_cast<float>(x[i] * gain);
    }
}
