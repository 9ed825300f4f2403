// The engine's per-block work: the three modes, the sample buffers, the hop
// loop with overlap-add, and the output chain.
//
// Real-time rules: after reset nothing here allocates, locks or waits for
// blocks up to the largest block. Parameter changes are taken over at the
// start of a block (takeOverChanges).
#include "Engine.h"

#include "SpectralKernels.h"

#include <algorithm>
#include <cmath>

namespace {

// The guard that keeps the buffers out of the denormal range, as a float.
constexpr float kGuardFloat = static_cast<float>(DENORMAL_GUARD);

// Largest input magnitude taken as it is; far above any real signal, and low
// enough that products of spectra stay finite in float.
constexpr float kLargestInput = 1.0e9f;

// Runs `work(start, length)` over a block in chunks of at most kChunk
// samples, the length of the engine's scratch arrays.
template <int kChunk, typename Work>
inline void overChunks(int frames, Work&& work)
{
    for (int start = 0; start < frames; start += kChunk)
        work(start, std::min(kChunk, frames - start));
}

// The engines cross over in about this long.
constexpr double kEngineFadeMs = 20.0;
// The Live engine: where the voice comes out, and how much of the voice
// before a switch it hears at once, so that its filters and levels stand
// where they would had it run all along.
constexpr double kLiveLatencyMs = 6.0;
constexpr double kLivePrimeMs = 40.0;
// Its band levels for the display, about as often as the spectral path's.
constexpr double kLiveMeterMs = 6.0;
// The Clear engine's ceiling: nothing above −1.1 dBFS (a float's rounding
// stays under −1 dBFS), bending over from 3 dB below it; the gain recovers
// over 150 ms, slow enough not to follow a note's cycles.
constexpr double kCeilingDb = -1.1;
constexpr double kCeilingKneeDb = 3.0;
constexpr double kCeilingFallMs = 150.0;

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
Engine::Engine(Dialect dialect) : dialect_(dialect), parameters_(dialect)
{
    synth_.setPlayerControls(dialect == Dialect::extended);
    equaliser_.setGliding(dialect == Dialect::extended);
    equaliserRight_.setGliding(dialect == Dialect::extended);
    setRampLengths();
    limiter_.setSampleRate(sampleRate_);
    compressor_.setSampleRate(sampleRate_);
    tracker_.prepare(sampleRate_);
    ceiling_.prepare(sampleRate_, kCeilingDb, kCeilingKneeDb, kCeilingFallMs);
    live_.prepare(sampleRate_, liveDelay());
    const SpectralPair sizes = parameters_.sizes();
    active_ = &spectral_.forSize(sizes.fftSize);
    hop_ = sizes.hopSize;
    configureBands();
    if (dialect_ == Dialect::extended) {
        alignRing_.assign(kAlignRing, 0.0f);
        voiceRing_.assign(kAlignRing, 0.0f);
        historyVoice_.assign(kHistory, 0.0f);
        historyCarrier_.assign(kHistory, 0.0f);
    }
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
    ceiling_.reset();
    historyFilled_ = 0;
    tracker_.clear();
    follower_.clear();
    alignDelay_ = -1;
    settled_ = false;
}

void Engine::process(const float* modulator, const float* carrier, float* out1, float* out2, int frames)
{
    if (frames <= 0 || !out1 || !out2)
        return;
    takeOverChanges();
    if (!settled_ && dialect_ == Dialect::extended) {
        // Settings that arrived between the reset and this first block (the
        // ports or state a host gives a new instance) count as set before the
        // reset, as a VST 2 host sets them before resuming: the limiter
        // starts from its new threshold, the engine chosen plays without a
        // crossfade. The VST 2 library keeps the state its reset gave.
        limiter_.resetState();
        compressor_.resetState();
        equaliser_.settle();
        equaliserRight_.settle();
        blend_ = clearEngine_ ? 1.0 : 0.0;
        settled_ = true;
    }
    for (int at = 0; at < frames; at += reservedBlock_) {
        const int length = std::min(reservedBlock_, frames - at);
        processPiece(modulator ? modulator + at : silence_.data(), carrier ? carrier + at : silence_.data(),
                     out1 + at, out2 + at, length);
    }
}

void Engine::processPiece(const float* modulator, const float* carrier, float* out1, float* out2, int frames)
{
    switch (mode_) {
    case 0: processVocoder(modulator, carrier, out1, out2, frames); break;
    case 1: processCarrier(modulator, carrier, out1, out2, frames); break;
    case 2: processModulator(modulator, out1, out2, frames); break;
    default: break;
    }
    if (dialect_ == Dialect::extended) {
        if (mode_ != 0)
            alignToLatency(out1, out2, frames);
        else
            alignDelay_ = -1;  // the next Carrier or Audio1 block starts from silence
    }
}

int Engine::latency() const
{
    const float rate = parameters_.sampleRate();
    const int engine = static_cast<int>(played(kEngine, parameters_.value(kEngine)));
    if (engine == kLiveEngine && dialect_ == Dialect::extended)
        return liveLatency(rate);
    const SpectralPair sizes = playedSizes(engine == kClearEngine, rate);
    return latencyOf(dialect_, mapping::mode(parameters_.value(kMode)), sizes, rate);
}

int Engine::liveLatency(float sampleRate) { return static_cast<int>(kLiveLatencyMs * 1e-3 * sampleRate); }

// The Live engine's own share of its latency: the rest is the limiter's
// look-ahead and the buffering of a block (its length less one).
int Engine::liveDelay() const
{
    const int lookAhead = static_cast<int>(SimpleLimit::holdFor(kLimiterAttackMs, sampleRate_));
    return liveLatency(sampleRate_) - lookAhead - (LiveVocoder::blockFor(sampleRate_) - 1);
}

int Engine::pathLatency() const
{
    return pathLive_ ? liveLatency(sampleRate_) : latencyOf(Dialect::extended, 0, {active_->fftSize(), hop_}, sampleRate_);
}

SpectralPair Engine::playedSizes(bool clear, float sampleRate) const
{
    const SpectralPair sizes = parameters_.sizes();
    return clear && dialect_ == Dialect::extended ? spectralsizes::clearPair(sizes, sampleRate) : sizes;
}

int Engine::latencyOf(Dialect dialect, int mode, SpectralPair sizes, float sampleRate)
{
    const int lookAhead = static_cast<int>(SimpleLimit::holdFor(kLimiterAttackMs, sampleRate));
    const int voice = sizes.fftSize + sizes.hopSize - 2 + lookAhead;
    if (dialect == Dialect::extended)
        return voice;
    switch (mode) {
    case 0: return voice;
    case 2: return lookAhead;
    default: return 0;
    }
}

// The Carrier mode's output comes out the whole latency late, Audio1's (which
// has passed the limiter) the spectral path's delay late, as the Vocoder
// mode's voice does. A new delay starts from silence.
void Engine::alignToLatency(float* out1, float* out2, int frames)
{
    const int voice = pathLatency();
    const int delay = mode_ == 1 ? voice : voice - limiter_.latency();
    if (delay != alignDelay_) {
        std::fill(alignRing_.begin(), alignRing_.end(), 0.0f);
        alignDelay_ = delay;
    }
    constexpr unsigned kMask = kAlignRing - 1;
    float* ring = alignRing_.data();
    unsigned write = alignWrite_;
    for (int i = 0; i < frames; ++i, ++write) {
        ring[write & kMask] = out1[i];
        out1[i] = out2[i] = ring[(write - static_cast<unsigned>(delay)) & kMask];
    }
    alignWrite_ = write;
}

// Everything that changed since the last block, in index order; the
// synthesiser's settings in a fixed order after them.
void Engine::takeOverChanges()
{
    const ChangeMask changes = parameters_.takeChanges();
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
        if (changes & changeBit(index))
            apply(index, played(index, parameters_.value(index)));

    const auto plays = [this](int index) { return played(index, parameters_.value(index)); };
    const auto changed = [changes](auto... index) { return ((changes & changeBit(index)) || ...); };
    if (changed(kOsc1)) synth_.setOsc1Waveform(static_cast<int>(plays(kOsc1)));
    // Levels ramp once a block has run, in the formats we design.
    const bool ramp = dialect_ == Dialect::extended && settled_;
    if (changed(kOsc2, kOsc2Volume, kOsc2Octave))
        synth_.setOsc2(static_cast<int>(plays(kOsc2)), static_cast<float>(plays(kOsc2Volume)),
                       static_cast<float>(plays(kOsc2Octave)), ramp);
    if (changed(kTranspose)) synth_.setTranspose(static_cast<int>(plays(kTranspose)));
    if (changed(kAttack)) synth_.setAttack(mapping::secondsOf(plays(kAttack)));
    if (changed(kRelease)) synth_.setRelease(mapping::secondsOf(plays(kRelease)));
    if (changed(kPitchbend)) synth_.setBendRange(static_cast<int>(plays(kPitchbend)));
    if (changed(kVelocity)) synth_.setVelocityDepth(static_cast<float>(plays(kVelocity) / 100.0));
    if (changed(kVoiceMode)) synth_.setVoiceMode(static_cast<int>(plays(kVoiceMode)));
    if (changed(kGlide)) synth_.setGlide(static_cast<float>(plays(kGlide) / 1000.0));
    if (changed(kUnison, kDetune)) synth_.setUnison(static_cast<int>(plays(kUnison)), static_cast<float>(plays(kDetune)));
    if (changed(kNoise)) synth_.setNoise(static_cast<float>(plays(kNoise) / 100.0), ramp);

    const bool rated = changes & ParameterStore::kSampleRateChanged;
    if (changed(kFftSize, kHopSize, kEngine) || rated) {
        // The pair in force, read once: a change that selects the sizes in
        // place leaves the buffers alone, unless its rule asks for a reset.
        // An engine whose frames differ takes over in a lane of its own once
        // processing runs; before, it starts as a size change does.
        // The Live engine keeps the spectral sizes for a later switch.
        const SpectralPair sizes = playedSizes(clearEngine_, sampleRate_);
        const bool resized = sizes != SpectralPair{active_->fftSize(), hop_} || (changes & ParameterStore::kSizesReset);
        const bool otherPath = liveEngine_ != pathLive_;
        if (otherPath || (resized && !liveEngine_) || (rated && liveEngine_)) {
            if (settled_ && mode_ == 0 && !changed(kFftSize, kHopSize) && !rated) {
                crossToLane(sizes);
            } else {
                active_ = &spectral_.forSize(sizes.fftSize);
                hop_ = sizes.hopSize;
                pathLive_ = liveEngine_;
                configureBands();
                resetBuffers();
            }
        } else if (resized) {
            active_ = &spectral_.forSize(sizes.fftSize);
            hop_ = sizes.hopSize;
            configureBands();
        }
    }
}

// One parameter's value, as it plays (Hz, dB, ms, a factor, a choice's
// index), into the part it drives; the synthesiser's settings and the sizes
// are taken over together, above.
void Engine::apply(int index, double v)
{
    const auto equalisers = [this, v](void (Equaliser::*set)(double)) {
        (equaliser_.*set)(v);
        (equaliserRight_.*set)(v);
    };
    switch (index) {
    case kLowCut: equalisers(&Equaliser::setLowCutHz); break;
    case kPeak1Freq: equalisers(&Equaliser::setPeak1Hz); break;
    case kPeak1Q: equalisers(&Equaliser::setPeak1Q); break;
    case kPeak1Gain: equalisers(&Equaliser::setPeak1GainDb); break;
    case kPeak2Freq: equalisers(&Equaliser::setPeak2Hz); break;
    case kPeak2Q: equalisers(&Equaliser::setPeak2Q); break;
    case kPeak2Gain: equalisers(&Equaliser::setPeak2GainDb); break;
    case kHighCut: equalisers(&Equaliser::setHighCutHz); break;
    case kCarrierVolume: setLevel(carrierVolume_, index, v); break;
    case kAudioLimiter: limiter_.setThreshold(v); break;
    case kAudioGain: setLevel(audioGain_, index, v); break;
    case kVocoderRatio: compressor_.setRatio(v); break;
    case kVocoderThreshold: compressor_.setThreshold(v); break;
    case kVocoderAttack: compressor_.setAttack(v); break;
    case kVocoderRelease: compressor_.setRelease(v); break;
    case kVocoderGain: setLevel(vocoderGain_, index, v); break;
    case kMode:
        if (mode_ != static_cast<int>(v))
            dropLane();
        mode_ = static_cast<int>(v);
        break;
    case kCarrier: carrier_ = v == 0 ? CarrierSource::Synth : CarrierSource::Audio2; break;
    case kEngine:
        clearEngine_ = static_cast<int>(v) == kClearEngine;
        liveEngine_ = static_cast<int>(v) == kLiveEngine && dialect_ == Dialect::extended;
        break;
    case kBands:
        bandVocoder_.setBands(static_cast<int>(v));
        live_.setBands(static_cast<int>(v));
        break;
    case kFlatten:
        bandVocoder_.setFlatten(v / 100.0);
        live_.setFlatten(v / 100.0);
        break;
    case kFormant:
        bandVocoder_.setFormant(v);
        live_.setFormant(v);
        break;
    case kSibilance:
        bandVocoder_.setSibilance(v / 100.0);
        live_.setSibilance(v / 100.0);
        break;
    case kFreeze:
        bandVocoder_.setFreeze(v != 0);
        live_.setFreeze(v != 0);
        break;
    case kMix: setLevel(mix_, index, v / 100.0); break;
    case kWidth:
        bandVocoder_.setWidth(v / 100.0);
        live_.setWidth(v / 100.0);
        break;
    case kTrack:
        track_ = v != 0 && dialect_ == Dialect::extended;
        if (!track_) {
            follower_.clear();
            synth_.setTracked(nullptr, 0, 0.0f);
            tunerHeld_.store(0.0f, std::memory_order_relaxed);
        }
        break;
    case kScale: follower_.setScale(static_cast<PitchFollower::Scale>(static_cast<int>(v))); break;
    case kKey: follower_.setKey(static_cast<int>(v)); break;
    case kHarmony: follower_.setHarmony(static_cast<PitchFollower::Harmony>(static_cast<int>(v))); break;
    default: break;
    }
}

// Once a block has run, the formats we design move a level its parameter
// ramps to its new value; before, and always in the VST 2 dialect, it takes
// the value at once.
void Engine::setLevel(Ramp& ramp, int index, double value)
{
    if (dialect_ == Dialect::extended && settled_ && parameter(index).reach == Reach::ramped)
        ramp.moveTo(static_cast<float>(value));
    else
        ramp.jump(static_cast<float>(value));
}

void Engine::setRampLengths()
{
    const int samples = static_cast<int>(kGainRampMs * 1e-3 * sampleRate_);
    for (Ramp* ramp : {&carrierVolume_, &audioGain_, &vocoderGain_, &mix_})
        ramp->setLength(samples);
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
    tracker_.prepare(rate);
    ceiling_.prepare(rate, kCeilingDb, kCeilingKneeDb, kCeilingFallMs);
    live_.prepare(rate, liveDelay());
    equaliser_.setSampleRate(static_cast<int>(rate));
    equaliserRight_.setSampleRate(static_cast<int>(rate));
    configureBands();
    setRampLengths();
}

// The band vocoder's and the band meter's bands for the size and rate in force.
void Engine::configureBands()
{
    if (!(laneLeft_ > 0 && lane_.clear))  // a Clear lane fading out keeps its bands
        bandVocoder_.configure(active_->fftSize(), hop_, sampleRate_);
    bandMeter_.prepare(active_->fftSize(), sampleRate_);
}

void Engine::refill(SampleBuffer& buffer)
{
    buffer.clear();
    buffer.appendFill(static_cast<size_t>(active_->fftSize() - 1), kGuardFloat);
}

void Engine::refillBuffers()
{
    if (!pathLive_) {
        for (SampleBuffer* buffer : {&outputBuffer_, &modulatorBuffer_, &carrierBuffer_})
            refill(*buffer);
        if (dialect_ == Dialect::extended)
            refill(outputRight_);
        return;
    }
    modulatorBuffer_.clear();
    carrierBuffer_.clear();
    for (SampleBuffer* buffer : {&outputBuffer_, &outputRight_}) {
        buffer->clear();
        buffer->appendFill(static_cast<size_t>(live_.blockLength() - 1), kGuardFloat);
    }
}

void Engine::resetBuffers()
{
    active_->clear();
    refillBuffers();
    stereoPending_ = 0;
    dropLane();
    bandVocoder_.clear();
    live_.clear();
    meterLeft_ = 0;
    blend_ = clearEngine_ ? 1.0 : 0.0;
}

// Room for the largest FFT size, the largest block and a hop, so that no
// block of a known length makes a buffer grow.
void Engine::reserveBuffers()
{
    reservedBlock_ = std::max(parameters_.largestBlock(), 1);
    const auto block = static_cast<size_t>(reservedBlock_);
    const size_t room = 2 * SpectralBank::kLargestSize + block + 128;
    carrierBuffer_.reserve(room);
    modulatorBuffer_.reserve(room);
    outputBuffer_.reserve(room);
    if (dialect_ == Dialect::extended)
        for (SampleBuffer* buffer : {&outputRight_, &lane_.modulator, &lane_.carrier, &lane_.output, &lane_.outputRight})
            buffer->reserve(room);
    if (silence_.size() < block)
        silence_.assign(block, 0.0f);
}

// The output chain for one chunk of at most kChunk samples: equaliser (which
// adds its noise to `in`), compressor, gain, both outputs. With `inRight`,
// the right-hand output has its own equaliser and the compressor is linked.
void Engine::outputStage(float* in, float* inRight, float* out1, float* out2, int length)
{
    const double* gain = gains_.data();
    equaliser_.process(in, scratch_.data(), length);
    SimpleCompRms& compressor = compressor_;
    double* x = wide_.data();
    for (int i = 0; i < length; ++i)
        x[i] = scratch_[static_cast<size_t>(i)];
    if (!inRight) {
        compressor.processBlock(x, length);
        for (int i = 0; i < length; ++i)
            out1[i] = out2[i] = static_cast<float>(x[i] * gain[i]);
        return;
    }
    equaliserRight_.process(inRight, scratchRight_.data(), length);
    double* y = wideRight_.data();
    for (int i = 0; i < length; ++i)
        y[i] = scratchRight_[static_cast<size_t>(i)];
    compressor.processBlock(x, y, length);
    if (out1 == out2) {  // one output: both halves, folded
        for (int i = 0; i < length; ++i)
            out1[i] = static_cast<float>(0.5 * (x[i] + y[i]) * gain[i]);
        return;
    }
    for (int i = 0; i < length; ++i) {
        out1[i] = static_cast<float>(x[i] * gain[i]);
        out2[i] = static_cast<float>(y[i] * gain[i]);
    }
}

// Synthesiser samples for block positions first … first + count − 1, each
// after the events due at its position; without pending events in one run.
// In the formats we design, also the notes' velocity level (velocity_).
// Following the voice, the tracker takes `voice` (the same positions) and
// each of its estimates reaches the synthesiser at the sample after it.
void Engine::renderSynth(int first, float* out, int count, const float* voice)
{
    float* level = dialect_ == Dialect::extended ? velocity_.data() : nullptr;
    if (!track_ || !voice) {
        renderSpan(first, out, level, count);
        return;
    }
    for (int i = 0; i < count;) {
        int j = i;
        bool estimate = false;
        while (j < count && !estimate)
            estimate = tracker_.push(voice[j++]);
        renderSpan(first + i, out + i, level ? level + i : nullptr, j - i);
        if (estimate)
            followVoice();
        i = j;
    }
}

void Engine::renderSpan(int first, float* out, float* level, int count)
{
    CarrierSynth& synth = synth_;
    int i = 0;
    for (; i < count && eventQueue_.pendingCount() > 0; ++i) {
        eventQueue_.deliverDueEvents(first + i, synth);
        out[i] = synth.render(level ? level + i : nullptr);
    }
    synth.renderBlock(out + i, count - i, level ? level + i : nullptr);
}

// The tracker's latest estimate, as notes for the synthesiser.
void Engine::followVoice()
{
    follower_.follow(tracker_.voiced(), tracker_.frequency());
    std::array<float, PitchFollower::kMaxNotes> notes{};
    const int count = follower_.noteCount();
    for (int i = 0; i < count; ++i)
        notes[static_cast<size_t>(i)] = follower_.note(i);
    synth_.setTracked(notes.data(), count, kTrackedVelocity);
    tunerSung_.store(follower_.sung(), std::memory_order_relaxed);
    tunerHeld_.store(count > 0 ? notes[0] : 0.0f, std::memory_order_relaxed);
}

void Engine::processVocoder(const float* in1, const float* in2, float* out1, float* out2, int frames)
{
    carrierModeReset_ = false;
    const auto count = static_cast<size_t>(frames);
    SimpleLimit& limiter = limiter_;
    float* modulator = modulatorBuffer_.append(count);
    double* x = wide_.data();
    overChunks<kChunk>(frames, [&](int start, int length) {
        for (int i = 0; i < length; ++i)
            x[i] = static_cast<double>(sanitised(in1[start + i])) + DENORMAL_GUARD;
        limiter.processBlock(x, length);
        audioGain_.fill(gains_.data(), length);
        for (int i = 0; i < length; ++i)
            modulator[start + i] = static_cast<float>(x[i] * gains_[static_cast<size_t>(i)]);
    });

    if (carrierSwitched_) {
        carrierSwitched_ = false;
        if (!pathLive_)
            refill(carrierBuffer_);
    }
    float* carrier = carrierBuffer_.append(count);
    const float* volume = levels_.data();
    if (carrier_ == CarrierSource::Synth) {
        overChunks<kChunk>(frames, [&](int start, int length) {
            float* synthesised = block_.data();
            renderSynth(start, synthesised, length, modulator + start);
            carrierVolume_.fill(levels_.data(), length);
            for (int i = 0; i < length; ++i)
                carrier[start + i] = static_cast<float>(synthesised[i] * volume[i] + DENORMAL_GUARD);
            // The notes' velocity level reaches the output through the voice,
            // which the spectral engines pass on in proportion (the carrier's
            // own level they divide out); the buffers keep both in step.
            if (dialect_ == Dialect::extended)
                for (int i = 0; i < length; ++i)
                    modulator[start + i] *= velocity_[static_cast<size_t>(i)];
        });
    } else {
        overChunks<kChunk>(frames, [&](int start, int length) {
            carrierVolume_.fill(levels_.data(), length);
            for (int i = 0; i < length; ++i) {
                deliverEvents(start + i);
                carrier[start + i] = static_cast<float>(sanitised(in2[start + i]) * volume[i] + DENORMAL_GUARD);
            }
        });
    }
    ageEvents(frames);

    if (dialect_ == Dialect::extended)
        remember(modulator, carrier, count);
    if (laneLeft_ > 0) {
        std::copy_n(modulator, count, lane_.modulator.append(count));
        std::copy_n(carrier, count, lane_.carrier.append(count));
        const double own = lane_.clear ? 1.0 : 0.0;
        if (lane_.live)
            runLive(lane_.modulator, lane_.carrier, lane_.output, lane_.outputRight, false);
        else
            runFramesOf(*lane_.state, lane_.hop, lane_.modulator, lane_.carrier, lane_.output, lane_.outputRight, &own);
    }
    runPath();
    if (outputBuffer_.size() < count)
        return;
    if (laneLeft_ > 0)
        mixLane(outputBuffer_.data(), outputRight_.data(), count);

    // Both outputs take the chain's left half until the Clear engine's
    // Width makes them differ; the right-hand equaliser then starts from
    // the left-hand one's state.
    const bool stereo = stereoPending_ > 0;
    if (stereo && !stereoChain_)
        equaliserRight_ = equaliser_;
    stereoChain_ = stereo;
    float* pending = outputBuffer_.data();
    float* pendingRight = stereo ? outputRight_.data() : nullptr;
    overChunks<kChunk>(frames, [&](int start, int length) {
        vocoderGain_.fill(gains_.data(), length);
        outputStage(pending + start, stereo ? pendingRight + start : nullptr, out1 + start, out2 + start, length);
    });
    outputBuffer_.removeFront(count);
    if (dialect_ == Dialect::extended) {
        outputRight_.removeFront(count);
        stereoPending_ = stereoPending_ > count ? stereoPending_ - count : 0;
        mixVoice(in1, out1, out2, frames);
        applyCeiling(out1, out2, frames);
    }
}

// The Clear engine's outputs under the ceiling; as the engines cross over,
// the ceiling's gain comes in or goes out with the Clear engine's share, so
// Classic plays at its own levels, untouched, once the crossing is over.
void Engine::applyCeiling(float* out1, float* out2, int frames)
{
    const double clear = ceilingShare();
    if (clear <= 0.0) {
        ceiling_.reset();
        return;
    }
    float* right = out2 != out1 ? out2 : nullptr;
    if (clear >= 1.0) {
        ceiling_.process(out1, right, frames);
        return;
    }
    overChunks<kChunk>(frames, [&](int start, int length) {
        float* left = levels_.data();
        float* other = right ? spare_.data() : nullptr;
        std::copy_n(out1 + start, length, left);
        if (other)
            std::copy_n(right + start, length, other);
        ceiling_.process(left, other, length);
        const auto share = static_cast<float>(clear);
        for (int i = 0; i < length; ++i) {
            out1[start + i] += share * (left[i] - out1[start + i]);
            if (right)
                right[start + i] += share * (other[i] - right[start + i]);
        }
    });
}

// One frame per hop: window, transform, impose, transform back, window
// again and overlap-add (1/N undoes the transforms' scaling; N is a power
// of two, so multiplying by it is exact). The formats we design keep a
// right-hand output buffer beside the left one: the same frames, or the
// band vocoder's right-hand result.
void Engine::runFrames()
{
    runFramesOf(*active_, hop_, modulatorBuffer_, carrierBuffer_, outputBuffer_, outputRight_, nullptr);
}

void Engine::runPath()
{
    if (pathLive_)
        runLive(modulatorBuffer_, carrierBuffer_, outputBuffer_, outputRight_, true);
    else
        runFrames();
}

// Whole blocks of both inputs through the Live engine, the outputs after
// the block less one samples the buffers started with; both outputs are
// written (the same signal unless Width spreads the bands).
void Engine::runLive(SampleBuffer& modulator, SampleBuffer& carrier, SampleBuffer& output, SampleBuffer& outputRight,
                     bool meters)
{
    const auto block = static_cast<size_t>(live_.blockLength());
    const size_t whole = std::min(modulator.size(), carrier.size()) / block * block;
    if (whole == 0)
        return;
    float* left = output.append(whole);
    float* right = outputRight.append(whole);
    live_.process(modulator.data(), carrier.data(), left, right, static_cast<int>(whole));
    modulator.removeFront(whole);
    carrier.removeFront(whole);
    if (live_.stereo())
        stereoPending_ = std::max(stereoPending_, outputBuffer_.size());
    if (!meters)
        return;
    meterLeft_ -= static_cast<int>(whole);
    if (meterLeft_ <= 0) {
        meterLeft_ = static_cast<int>(kLiveMeterMs * 1e-3 * sampleRate_);
        live_.measure(bandLevels_, sampleRate_);
        bandMeter_.publish(bandLevels_);
    }
}

void Engine::runFramesOf(SpectralState& spectral, int hopSize, SampleBuffer& modulator, SampleBuffer& carrier,
                         SampleBuffer& output, SampleBuffer& outputRight, const double* fixedBlend)
{
    const int n = spectral.fftSize();
    const auto fftSize = static_cast<size_t>(n);
    const auto hop = static_cast<size_t>(hopSize);
    const double inverseN = 1.0 / n;
    const double* window = spectral.window();
    const double* resynthesised = spectral.output();
    const bool extended = dialect_ == Dialect::extended;
    const double fadeStep = static_cast<double>(hopSize) / (kEngineFadeMs * 1e-3 * sampleRate_);
    while (modulator.size() >= fftSize && carrier.size() >= fftSize) {
        const size_t appendPos = output.size() + hop - fftSize;
        output.appendFill(hop, kGuardFloat);
        if (!fixedBlend)
            blend_ = clearEngine_ ? std::min(1.0, blend_ + fadeStep) : std::max(0.0, blend_ - fadeStep);
        const double blend = fixedBlend ? *fixedBlend : blend_;
        const bool stereo = blend > 0.0 && bandVocoder_.stereo();
        const BandMeter* meter = extended && !fixedBlend ? &bandMeter_ : nullptr;
        if (blend > 0.0)
            spectral.frame(carrier.data(), modulator.data(), bandVocoder_, blend, stereo, meter, &bandLevels_);
        else
            spectral.frame(carrier.data(), modulator.data(), meter, &bandLevels_);
        if (meter)
            bandMeter_.publish(bandLevels_);
        kernels::overlapAdd(output.data() + appendPos, window, resynthesised, inverseN, n);
        if (extended) {
            outputRight.appendFill(hop, kGuardFloat);
            kernels::overlapAdd(outputRight.data() + appendPos, window, stereo ? spectral.rightOutput() : resynthesised,
                                inverseN, n);
            if (stereo)
                stereoPending_ = std::max(stereoPending_, outputBuffer_.size());
        }
        modulator.removeFront(hop);
        carrier.removeFront(hop);
    }
}

// The last limited voice and carrier samples, as the spectral path took them.
void Engine::remember(const float* voice, const float* carrier, size_t count)
{
    constexpr unsigned kMask = kHistory - 1;
    for (size_t i = 0; i < count; ++i, ++historyWrite_) {
        historyVoice_[historyWrite_ & kMask] = voice[i];
        historyCarrier_[historyWrite_ & kMask] = carrier[i];
    }
    historyFilled_ = std::min<size_t>(kHistory, historyFilled_ + count);
}

// The engine in force goes on in the lane, its buffers handed over as they
// stand (nothing allocated); the new engine's path starts from silence and
// hears the last 2 N + hop samples at once, its output from them dropped,
// so that it stands where it would had it run all along.
void Engine::crossToLane(SpectralPair sizes)
{
    lane_.state = active_;
    lane_.hop = hop_;
    lane_.live = pathLive_;
    lane_.clear = !pathLive_ && blend_ >= 0.5;
    std::swap(lane_.modulator, modulatorBuffer_);
    std::swap(lane_.carrier, carrierBuffer_);
    std::swap(lane_.output, outputBuffer_);
    std::swap(lane_.outputRight, outputRight_);
    laneLength_ = laneLeft_ = std::max(1, static_cast<int>(kEngineFadeMs * 1e-3 * sampleRate_));

    active_ = &spectral_.forSize(sizes.fftSize);
    hop_ = sizes.hopSize;
    pathLive_ = liveEngine_;
    configureBands();
    active_->clear();
    refillBuffers();
    if (clearEngine_)
        bandVocoder_.clear();
    if (pathLive_)
        live_.clear();
    blend_ = clearEngine_ ? 1.0 : 0.0;
    const size_t wanted = pathLive_ ? static_cast<size_t>(kLivePrimeMs * 1e-3 * sampleRate_)
                                    : static_cast<size_t>(2 * sizes.fftSize + sizes.hopSize);
    const size_t heard = std::min(historyFilled_, wanted);
    constexpr unsigned kMask = kHistory - 1;
    float* voice = modulatorBuffer_.append(heard);
    float* carrier = carrierBuffer_.append(heard);
    for (size_t i = 0; i < heard; ++i) {
        const unsigned at = (historyWrite_ - static_cast<unsigned>(heard) + static_cast<unsigned>(i)) & kMask;
        voice[i] = historyVoice_[at];
        carrier[i] = historyCarrier_[at];
    }
    runPath();
    outputBuffer_.removeFront(heard);
    outputRight_.removeFront(heard);
    stereoPending_ = stereoPending_ > heard ? stereoPending_ - heard : 0;
}

void Engine::dropLane()
{
    if (laneLeft_ <= 0 && !lane_.state)
        return;
    laneLeft_ = 0;
    lane_.state = nullptr;
    for (SampleBuffer* buffer : {&lane_.modulator, &lane_.carrier, &lane_.output, &lane_.outputRight})
        buffer->clear();
    configureBands();
}

// The lane's output fades out under the new engine's over the crossing.
void Engine::mixLane(float* left, float* right, size_t count)
{
    const float* oldLeft = lane_.output.data();
    const float* oldRight = lane_.outputRight.data();
    const double step = 1.0 / laneLength_;
    double share = 1.0 - static_cast<double>(laneLeft_) / laneLength_;
    for (size_t i = 0; i < count; ++i) {
        share = std::min(1.0, share + step);
        const auto fresh = static_cast<float>(share);
        left[i] = fresh * left[i] + (1.0f - fresh) * oldLeft[i];
        right[i] = fresh * right[i] + (1.0f - fresh) * oldRight[i];
    }
    if ((lane_.clear && bandVocoder_.stereo()) || (lane_.live && live_.stereo()))
        stereoPending_ = std::max(stereoPending_, count);
    lane_.output.removeFront(count);
    lane_.outputRight.removeFront(count);
    laneLeft_ -= static_cast<int>(std::min<size_t>(count, static_cast<size_t>(laneLeft_)));
    if (laneLeft_ == 0)
        dropLane();
}

// How much of the output is the Clear engine's: its blend, or across a
// crossing between lanes, the fade's share.
double Engine::ceilingShare() const
{
    const double path = pathLive_ ? 1.0 : blend_;
    if (laneLeft_ <= 0)
        return path;
    const double fresh = 1.0 - static_cast<double>(laneLeft_) / laneLength_;
    const double lane = lane_.live || lane_.clear ? 1.0 : 0.0;
    return fresh * path + (1.0 - fresh) * lane;
}

// Mix: the vocoded outputs against the voice as it came in, delayed to where
// the vocoded voice comes out. At 0 the outputs are the delayed voice exactly.
void Engine::mixVoice(const float* in1, float* out1, float* out2, int frames)
{
    const int delay = pathLatency();
    constexpr unsigned kMask = kAlignRing - 1;
    float* ring = voiceRing_.data();
    unsigned write = voiceWrite_;
    overChunks<kChunk>(frames, [&](int start, int length) {
        mix_.fill(levels_.data(), length);
        for (int j = 0; j < length; ++j, ++write) {
            const int i = start + j;
            const float wet = levels_[static_cast<size_t>(j)];
            const float dry = 1.0f - wet;
            ring[write & kMask] = sanitised(in1[i]);
            const float voice = ring[(write - static_cast<unsigned>(delay)) & kMask];
            if (wet == 0.0f) {
                out1[i] = out2[i] = voice;
            } else if (wet < 1.0f) {
                out1[i] = wet * out1[i] + dry * voice;
                out2[i] = wet * out2[i] + dry * voice;
            }
        }
    });
    voiceWrite_ = write;
}

void Engine::processCarrier(const float* in1, const float* in2, float* out1, float* out2, int frames)
{
    if (!carrierModeReset_) {
        refillBuffers();
        carrierModeReset_ = true;
    }
    const bool synthCarrier = carrier_ == CarrierSource::Synth;
    float* carrier = block_.data();
    const float* volume = levels_.data();
    overChunks<kChunk>(frames, [&](int start, int length) {
        carrierVolume_.fill(levels_.data(), length);
        if (synthCarrier) {
            for (int i = 0; i < length; ++i)
                voiceChunk_[static_cast<size_t>(i)] = sanitised(in1[start + i]);
            renderSynth(start, carrier, length, voiceChunk_.data());
            for (int i = 0; i < length; ++i)
                carrier[i] = volume[i] * carrier[i];
            if (dialect_ == Dialect::extended)
                for (int i = 0; i < length; ++i)
                    carrier[i] *= velocity_[static_cast<size_t>(i)];
        } else {
            for (int i = 0; i < length; ++i) {
                deliverEvents(start + i);
                carrier[i] = sanitised(in2[start + i]) * volume[i];
            }
        }
        vocoderGain_.fill(gains_.data(), length);
        outputStage(carrier, nullptr, out1 + start, out2 + start, length);
    });
    ageEvents(frames);
}

void Engine::processModulator(const float* in1, float* out1, float* out2, int frames)
{
    refillBuffers();
    // The synthesiser is not rendered: events only change its state, so they
    // can be delivered ahead of the limiter's pass over the same samples.
    for (int i = 0; i < frames; ++i)
        deliverEvents(i);
    ageEvents(frames);
    SimpleLimit& limiter = limiter_;
    double* x = wide_.data();
    overChunks<kChunk>(frames, [&](int start, int length) {
        for (int i = 0; i < length; ++i)
            x[i] = sanitised(in1[start + i]);
        limiter.processBlock(x, length);
        audioGain_.fill(gains_.data(), length);
        for (int i = 0; i < length; ++i)
            out1[start + i] = out2[start + i] = static_cast<float>(x[i] * gains_[static_cast<size_t>(i)]);
    });
}
