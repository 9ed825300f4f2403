// The vocoder's signal path, knowing no plug-in format: the three modes, the
// sample buffers, the spectral states, the carrier synthesiser, the event
// queue and the output chain.
//
// Threads: parameters(), setSampleRate and setLargestBlock may be called from
// any thread. reset, queueEvent and process belong to the audio thread (or to
// any one thread while processing is stopped); they take over what changed at
// their start. After reset, process never allocates, locks or waits, for
// blocks of any length: longer blocks than the largest one reserved for run
// in pieces of that length, which sound as the whole block would.
#pragma once

#include "BandMeter.h"
#include "BandVocoder.h"
#include "CarrierSynth.h"
#include "EventQueue.h"
#include "LiveVocoder.h"
#include "ParameterStore.h"
#include "PitchFollower.h"
#include "PitchTracker.h"
#include "Ramp.h"
#include "SampleBuffer.h"
#include "SpectralState.h"
#include "tools/Equaliser.h"
#include "tools/PeakCeiling.h"
#include "tools/SimpleComp.h"
#include "tools/SimpleLimit.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class Engine {
public:
    // 44100 Hz, blocks up to 1024, the default settings; the dialect decides
    // how the sizes are taken and whether every mode has one latency.
    explicit Engine(Dialect dialect = Dialect::vst2);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    ParameterStore& parameters() { return parameters_; }
    const ParameterStore& parameters() const { return parameters_; }
    // Rates outside 1000 … 768000 Hz are ignored. Taken at the next block or reset.
    void setSampleRate(float rate) { parameters_.setSampleRate(rate); }
    // Raises the block length reserved for at the next reset.
    void setLargestBlock(int frames) { parameters_.setLargestBlock(frames); }

    // Takes over the changes, reserves for the largest block, and clears the
    // buffers, the limiter and the compressor (the synthesiser plays on).
    void reset();
    // The sample rate and the largest block, then reset. Not while processing.
    void prepare(float sampleRate, int largestBlock)
    {
        setSampleRate(sampleRate);
        setLargestBlock(largestBlock);
        reset();
    }
    // A MIDI event for the next process call, at its sample offset there
    // (later offsets wait for later blocks).
    void queueEvent(const MidiEvent& event) { eventQueue_.store(event); }
    // One block: modulator and carrier in, the same signal on both outputs.
    // A null input is taken as silence; frames <= 0 or a null output does nothing.
    void process(const float* modulator, const float* carrier, float* out1, float* out2, int frames);
    // The same with the block's events, each at its offset.
    void process(const float* modulator, const float* carrier, float* out1, float* out2, int frames,
                 std::span<const MidiEvent> events)
    {
        for (const MidiEvent& event : events)
            queueEvent(event);
        process(modulator, carrier, out1, out2, frames);
    }

    // Where the voice comes out, in samples, for the current settings: the
    // spectral path's N + hop − 2 after the limiter's look-ahead (682 at
    // 512 / 128 and 44.1 kHz). In the VST 2 dialect the Carrier mode has no
    // delay and Audio1 the look-ahead alone; in the extended one both are
    // delayed to the Vocoder mode's figure. Any thread.
    int latency() const;
    // The same for any settings.
    static int latencyOf(Dialect dialect, int mode, SpectralPair sizes, float sampleRate);
    // Where the voice comes out through the Live engine (formats we design):
    // 6 ms, the limiter's look-ahead included (264 samples at 44.1 kHz).
    static int liveLatency(float sampleRate);

    // The parts, for inspection; the audio thread owns their state.
    const CarrierSynth& synth() const { return synth_; }
    const SimpleLimit& limiter() const { return limiter_; }
    const SimpleCompRms& compressor() const { return compressor_; }
    const Equaliser& equaliser() const { return equaliser_; }
    const BandVocoder& bandVocoder() const { return bandVocoder_; }
    const LiveVocoder& liveVocoder() const { return live_; }
    // The voice's and the output's band levels, for a display (extended
    // dialect; any thread may read them).
    const BandMeter& bandMeter() const { return bandMeter_; }
    // With Track On, what a tuner shows (any thread): the voice's pitch and
    // the note held for it, as MIDI numbers; false while the voice is not
    // followed or sings nothing.
    bool tunerReading(float& sung, float& held) const
    {
        sung = tunerSung_.load(std::memory_order_relaxed);
        held = tunerHeld_.load(std::memory_order_relaxed);
        return held > 0.0f;
    }
    float mix() const { return mix_.value(); }
    int mode() const { return mode_; }
    CarrierSource carrierSource() const { return carrier_; }
    bool carrierSwitched() const { return carrierSwitched_; }
    int fftSize() const { return active_->fftSize(); }
    int hopSize() const { return hop_; }
    size_t modulatorBufferLength() const { return modulatorBuffer_.size(); }
    size_t carrierBufferLength() const { return carrierBuffer_.size(); }
    size_t outputBufferLength() const { return outputBuffer_.size(); }

private:
    void takeOverChanges();
    void processPiece(const float* modulator, const float* carrier, float* out1, float* out2, int frames);
    void alignToLatency(float* out1, float* out2, int frames);
    void apply(int index, double plays);
    void applySampleRate(float rate);
    void resetBuffers();
    void refill(SampleBuffer& buffer);
    // Every buffer as the path in force starts from: the spectral path's
    // N − 1 samples of silence in each, or the Live engine's block less one
    // in the outputs.
    void refillBuffers();
    void reserveBuffers();

    void processVocoder(const float* in1, const float* in2, float* out1, float* out2, int frames);
    void processCarrier(const float* in1, const float* in2, float* out1, float* out2, int frames);
    void processModulator(const float* in1, float* out1, float* out2, int frames);
    void outputStage(float* in, float* inRight, float* out1, float* out2, int length);
    void setLevel(Ramp& ramp, int index, double value);
    void setRampLengths();
    void runFrames();
    // The Live engine's blocks, while both inputs hold one; `meters`: the
    // engine in force (a lane fading out does not meter).
    void runLive(SampleBuffer& modulator, SampleBuffer& carrier, SampleBuffer& output, SampleBuffer& outputRight,
                 bool meters);
    // The path in force: its frames or its blocks.
    void runPath();
    // Where the voice comes out through the path in force, before the
    // Carrier and Audio1 modes' alignment and Mix's dry voice.
    int pathLatency() const;
    int liveDelay() const;
    // The frames of one spectral path: the engine in force (fixedBlend null:
    // its blend moves towards the engine chosen, and it meters), or a lane
    // fading out, which keeps its own engine.
    void runFramesOf(SpectralState& spectral, int hop, SampleBuffer& modulator, SampleBuffer& carrier,
                     SampleBuffer& output, SampleBuffer& outputRight, const double* fixedBlend);
    // The sizes the spectral path plays for an engine at a rate: the table's,
    // or the Clear engine's, which count at 22.05 kHz (formats we design).
    // Any thread: it reads the sizes from the parameter store.
    SpectralPair playedSizes(bool clear, float sampleRate) const;
    void crossToLane(SpectralPair sizes);
    void dropLane();
    void remember(const float* voice, const float* carrier, size_t count);
    void mixLane(float* left, float* right, size_t count);
    // How much of the output comes from an engine under the ceiling (Clear
    // or Live).
    double ceilingShare() const;
    void configureBands();
    void mixVoice(const float* in1, float* out1, float* out2, int frames);
    void applyCeiling(float* out1, float* out2, int frames);
    void renderSynth(int first, float* out, int count, const float* voice);
    void renderSpan(int first, float* out, float* level, int count);
    void followVoice();
    void deliverEvents(int i)
    {
        if (eventQueue_.pendingCount() > 0)
            eventQueue_.deliverDueEvents(i, synth_);
    }
    void ageEvents(int frames)
    {
        if (eventQueue_.pendingCount() > 0)
            eventQueue_.ageEvents(frames);
    }

    static constexpr double kLimiterAttackMs = 1.0;  // the limiter's look-ahead

    Dialect dialect_;
    ParameterStore parameters_;
    SampleBuffer carrierBuffer_;
    SampleBuffer modulatorBuffer_;
    SampleBuffer outputBuffer_;
    CarrierSynth synth_;
    SimpleLimit limiter_;
    SimpleCompRms compressor_;
    // The Clear engine's own level stage at the very end (formats we design):
    // its outputs never pass the ceiling, whatever the carrier and the voice.
    PeakCeiling ceiling_;
    Equaliser equaliser_{44100};
    Equaliser equaliserRight_{44100};  // the right-hand output's, while the outputs differ
    SpectralBank spectral_;
    BandVocoder bandVocoder_;
    BandMeter bandMeter_;
    BandLevels bandLevels_;  // the audio thread's, before it publishes them
    EventQueue eventQueue_;

    // Settings as the audio thread applied them.
    SpectralState* active_ = nullptr;
    int hop_ = 128;
    float sampleRate_ = 44100.0f;
    int mode_ = 0;
    CarrierSource carrier_ = CarrierSource::Audio2;
    bool carrierSwitched_ = false;
    // The gains: in the formats we design they ramp over kGainRampMs to a
    // new value; the VST 2 dialect takes each at once.
    static constexpr double kGainRampMs = 15.0;
    Ramp carrierVolume_;
    Ramp audioGain_;
    Ramp vocoderGain_;
    bool carrierModeReset_ = false;
    // The formats we design only: the Clear engine, faded in and out over
    // about 20 ms (blend_ 0 is Classic exactly); the right-hand output's
    // pending samples; the voice's delay line for Mix.
    bool clearEngine_ = false;
    bool liveEngine_ = false;  // Live chosen
    bool pathLive_ = false;    // the buffers run the Live engine (else the spectral path)
    double blend_ = 0.0;
    LiveVocoder live_;
    int meterLeft_ = 0;  // samples until the Live engine's next band levels
    Ramp mix_;
    SampleBuffer outputRight_;
    size_t stereoPending_ = 0;  // samples at the front of the output buffers that differ
    bool stereoChain_ = false;  // the last block ran both outputs' equalisers
    std::vector<float> voiceRing_;
    unsigned voiceWrite_ = 0;
    // A switch between engines whose frames differ in size (Classic's and
    // Clear's at host rates) or to or from Live: the engine left plays on in a lane of its own,
    // fed the same samples, while its output fades out over kEngineFadeMs;
    // the new one starts from the last samples heard, so it sounds at once.
    struct Lane {
        SpectralState* state = nullptr;
        int hop = 0;
        bool clear = false;
        bool live = false;
        SampleBuffer modulator, carrier, output, outputRight;
    };
    Lane lane_;
    int laneLeft_ = 0, laneLength_ = 0;  // samples of the fade still to come, and in all
    static constexpr int kHistory = 16384;  // above 2 N + hop at the largest size
    std::vector<float> historyVoice_, historyCarrier_;
    unsigned historyWrite_ = 0;
    size_t historyFilled_ = 0;
    bool settled_ = false;         // extended dialect: a block has run since the last reset
    int reservedBlock_ = 0;        // the longest piece process runs at once
    std::vector<float> silence_;   // for a missing input, reservedBlock_ long
    // The extended dialect's delay of the Carrier and Audio1 modes up to the
    // voice's latency: a ring of the last outputs, cleared when its delay changes.
    static constexpr int kAlignRing = 16384;  // above N + hop − 2 + the look-ahead at 768 kHz
    std::vector<float> alignRing_;
    unsigned alignWrite_ = 0;
    int alignDelay_ = -1;
    static constexpr int kChunk = 256;
    std::array<float, kChunk> block_{};
    std::array<float, kChunk> scratch_{};
    std::array<double, kChunk> wide_{};
    std::array<float, kChunk> scratchRight_{};
    std::array<double, kChunk> wideRight_{};
    std::array<double, kChunk> gains_{};     // a chunk's gain, sample by sample
    std::array<float, kChunk> levels_{};     // a chunk's carrier volume or mix
    std::array<float, kChunk> spare_{};      // a chunk's right-hand output under the ceiling
    std::array<float, kChunk> velocity_{};   // a chunk's velocity level of the notes
    std::array<float, kChunk> voiceChunk_{}; // a chunk of the voice, for the pitch tracker
    // The formats we design: the synthesiser following the voice's pitch.
    bool track_ = false;
    PitchTracker tracker_;
    PitchFollower follower_;
    static constexpr float kTrackedVelocity = 100.0f / 127.0f;
    // The tuner's reading, published at each estimate (a pair torn between
    // two estimates only shows for one of the display's frames).
    std::atomic<float> tunerSung_{0.0f}, tunerHeld_{0.0f};
};
