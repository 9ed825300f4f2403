// The engine's per-block work: the three modes, the sample buffers, the hop
// loop with overlap-add, and the output chain.
//
// Real-time rules: after the first blocks of a length nothing here allocates,
// locks or waits. Parameter changes arrive as atomics and are taken over at
// the start of a block (takeOverChanges).
#include "shell/Vocoder.h"

#include "SpectralKernels.h"

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

void Vocoder::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames)
{
    if (sampleFrames <= 0 || !outputs || !outputs[0] || !outputs[1])
        return;
    float* out1 = outputs[0];
    float* out2 = outputs[1];
    if (!ready_ || !inputs || !inputs[0] || !inputs[1]) {
        std::fill(out1, out1 + sampleFrames, 0.0f);
        std::fill(out2, out2 + sampleFrames, 0.0f);
        return;
    }
    takeOverChanges();
    switch (mode_.load(std::memory_order_relaxed)) {
    case 0: processVocoder(inputs[0], inputs[1], out1, out2, sampleFrames); break;
    case 1: processCarrier(inputs[1], out1, out2, sampleFrames); break;
    case 2: processModulator(inputs[0], out1, out2, sampleFrames); break;
    default: break;
    }
}

void Vocoder::takeOverChanges()
{
    const float rate = hostSampleRate_.load(std::memory_order_relaxed);
    if (rate != engineSampleRate_)
        applySampleRate(rate);

    if (const unsigned changes = synthChanges_.exchange(0, std::memory_order_acquire))
        applySynthChanges(changes);

    const unsigned generation = sizeGeneration_.load(std::memory_order_acquire);
    if (generation != appliedSizeGeneration_) {
        appliedSizeGeneration_ = generation;
        const int fftSize = sizes_.fftSize();
        int hop = sizes_.hopSize();
        // Two parameter threads racing on FFT SIZE and HOP SIZE could leave a
        // pair without hop < N for a moment; the smallest hop fits every size.
        if (hop >= fftSize)
            hop = 32;
        active_ = &spectral_->forSize(fftSize);
        hop_ = hop;
        resetBuffers();
    }
}

void Vocoder::applySynthChanges(unsigned changes)
{
    const auto value = [this](int index) { return values_[index].load(std::memory_order_relaxed); };
    CarrierSynth& synth = *synth_;
    if (changes & kSynthOsc1) synth.setOsc1Waveform(value(kOsc1));
    if (changes & kSynthOsc2) synth.setOsc2(value(kOsc2), value(kOsc2Volume), value(kOsc2Octave));
    if (changes & kSynthTranspose) synth.setTranspose(value(kTranspose));
    if (changes & kSynthAttack) synth.setAttack(value(kAttack));
    if (changes & kSynthRelease) synth.setRelease(value(kRelease));
    if (changes & kSynthBendRange) synth.setBendRange(value(kPitchbend));
}

// The host's rate reaches every part that depends on it; at 44100 Hz nothing
// changes. The limiter's peak hold follows its 1 ms attack.
void Vocoder::applySampleRate(float rate)
{
    engineSampleRate_ = rate;
    synth_->setSampleRate(rate);
    limiter_->setSampleRate(rate);
    limiter_->setAttack(limiter_->attack());
    compressor_->setSampleRate(rate);
    equaliser_->setSampleRate(static_cast<int>(rate));
}

void Vocoder::refill(SampleBuffer& buffer)
{
    buffer.clear();
    buffer.appendFill(static_cast<size_t>(active_->fftSize() - 1), kGuardFloat);
}

void Vocoder::resetBuffers()
{
    active_->clear();
    refill(outputBuffer_);
    refill(modulatorBuffer_);
    refill(carrierBuffer_);
}

// Room for the largest FFT size, the largest block and a hop, so that no
// block of a known length makes a buffer grow.
void Vocoder::reserveBuffers()
{
    const auto block = static_cast<size_t>(std::max(largestBlock_.load(std::memory_order_relaxed), 1));
    const size_t room = 2 * SpectralBank::kLargestSize + block + 128;
    carrierBuffer_.reserve(room);
    modulatorBuffer_.reserve(room);
    outputBuffer_.reserve(room);
}

// The output chain for one chunk of at most kChunk samples: equaliser (which
// adds its noise to `in`), compressor, gain, both outputs.
void Vocoder::outputStage(float* in, double gain, float* out1, float* out2, int length)
{
    equaliser_->process(in, scratch_.data(), length);
    SimpleCompRms& compressor = *compressor_;
    double* x = wide_.data();
    for (int i = 0; i < length; ++i)
        x[i] = scratch_[static_cast<size_t>(i)];
    compressor.processBlock(x, length);
    for (int i = 0; i < length; ++i)
        out1[i] = out2[i] = static_cast<float>(x[i] * gain);
}

// Synthesiser samples for block positions first … first + count − 1, each
// after the events due at its position; without pending events in one run.
void Vocoder::renderSynth(int first, float* out, int count)
{
    CarrierSynth& synth = *synth_;
    int i = 0;
    for (; i < count && eventQueue_->pendingCount() > 0; ++i) {
        eventQueue_->deliverDueEvents(first + i, synth);
        out[i] = synth.render();
    }
    synth.renderBlock(out + i, count - i);
}

void Vocoder::processVocoder(const float* in1, const float* in2, float* out1, float* out2, int frames)
{
    carrierModeReset_ = false;
    const auto count = static_cast<size_t>(frames);
    SimpleLimit& limiter = *limiter_;
    const double audioGain = audioGain_.load(std::memory_order_relaxed);
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

    if (carrierChanged_.exchange(false, std::memory_order_acq_rel))
        refill(carrierBuffer_);
    const float volume = carrierVolume_.load(std::memory_order_relaxed);
    float* carrier = carrierBuffer_.append(count);
    if (carrierSource_.load(std::memory_order_relaxed) == CarrierSource::Synth) {
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

    const double gain = vocoderGain_.load(std::memory_order_relaxed);
    float* pending = outputBuffer_.data();
    for (int start = 0; start < frames; start += kChunk) {
        const int length = std::min(kChunk, frames - start);
        outputStage(pending + start, gain, out1 + start, out2 + start, length);
    }
    outputBuffer_.removeFront(count);
}

void Vocoder::processCarrier(const float* in2, float* out1, float* out2, int frames)
{
    if (!carrierModeReset_) {
        refill(carrierBuffer_);
        refill(modulatorBuffer_);
        refill(outputBuffer_);
        carrierModeReset_ = true;
    }
    const float volume = carrierVolume_.load(std::memory_order_relaxed);
    const bool synthCarrier = carrierSource_.load(std::memory_order_relaxed) == CarrierSource::Synth;
    const double gain = vocoderGain_.load(std::memory_order_relaxed);
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

void Vocoder::processModulator(const float* in1, float* out1, float* out2, int frames)
{
    refill(carrierBuffer_);
    refill(modulatorBuffer_);
    refill(outputBuffer_);
    // The synthesiser is not rendered: events only change its state, so they
    // can be delivered ahead of the limiter's pass over the same samples.
    for (int i = 0; i < frames; ++i)
        deliverEvents(i);
    ageEvents(frames);
    const double gain = audioGain_.load(std::memory_order_relaxed);
    SimpleLimit& limiter = *limiter_;
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
