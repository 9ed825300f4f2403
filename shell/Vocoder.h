// The plug-in object: parameters, the program, the engine and its lifecycle.
//
// Parameter values and the settings derived from them are atomics: hosts call
// setParameter from any thread, also while the audio thread processes. What
// the engine cannot take as a plain value (synthesiser settings, sizes, the
// sample rate) is handed over at the start of the next block.
#pragma once

#include "AudioEffectX.h"
#include "Parameters.h"
#include "engine/CarrierSynth.h"
#include "engine/EventQueue.h"
#include "engine/SampleBuffer.h"
#include "engine/SpectralSizes.h"
#include "engine/SpectralState.h"
#include "tools/Equaliser.h"
#include "tools/SimpleComp.h"
#include "tools/SimpleLimit.h"

#include <atomic>
#include <memory>

class Vocoder : public AudioEffectX {
public:
    static constexpr VstInt32 kUniqueId = 0x00517A74;  // 'Qzt'

    explicit Vocoder(audioMasterCallback audioMaster);
    ~Vocoder() override;

    void resume() override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1000; }
    VstInt32 canDo(const char* text) override;
    VstPlugCategory getPlugCategory() override { return kPlugCategEffect; }

    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setSampleRate(float sampleRate) override;
    void setBlockSize(VstInt32 blockSize) override;

    // Applies every value of a program through setParameter, in index order.
    virtual void loadProgram(VstInt32 index);

    // Read by the engine; written only by setParameter.
    float carrierVolume() const { return carrierVolume_.load(std::memory_order_relaxed); }
    float audioGain() const { return audioGain_.load(std::memory_order_relaxed); }
    float vocoderGain() const { return vocoderGain_.load(std::memory_order_relaxed); }
    int mode() const { return mode_.load(std::memory_order_relaxed); }
    CarrierSource carrierSource() const { return carrierSource_.load(std::memory_order_relaxed); }
    bool carrierChanged() const { return carrierChanged_.load(std::memory_order_acquire); }
    const SpectralSizes& spectralSizes() const { return sizes_; }

    // The engine's parts. The audio thread owns their run-time state.
    const CarrierSynth& synth() const { return *synth_; }
    const SimpleLimit& limiter() const { return *limiter_; }
    const SimpleCompRms& compressor() const { return *compressor_; }
    const Equaliser& equaliser() const { return *equaliser_; }
    const EventQueue& eventQueue() const { return *eventQueue_; }
    // The sizes the engine runs with (a change takes effect at the next block).
    int engineFftSize() const { return spectral_ ? active_->fftSize() : 0; }
    int engineHopSize() const { return hop_; }
    size_t modulatorBufferLength() const { return modulatorBuffer_.size(); }
    size_t carrierBufferLength() const { return carrierBuffer_.size(); }
    size_t outputBufferLength() const { return outputBuffer_.size(); }
    // Replaces the synthesiser's time-seeded noise, for reproducible runs.
    void seedSynthNoise(unsigned seed) { synth_->seedNoise(seed); }

    // Lowest and highest host sample rates taken; others keep the previous rate.
    static constexpr float kLowestSampleRate = 1000.0f;
    static constexpr float kHighestSampleRate = 768000.0f;

private:
    // Synthesiser settings waiting for the audio thread, one bit per setter.
    enum SynthChange : unsigned {
        kSynthOsc1 = 1u << 0,
        kSynthOsc2 = 1u << 1,
        kSynthTranspose = 1u << 2,
        kSynthAttack = 1u << 3,
        kSynthRelease = 1u << 4,
        kSynthBendRange = 1u << 5,
    };

    void applyParameter(VstInt32 index, float x);
    DisplayState displayState() const;

    // Audio thread (or while processing is stopped): takes over what the
    // parameter threads changed since the last block.
    void takeOverChanges();
    void applySynthChanges(unsigned changes);
    void applySampleRate(float rate);
    void resetBuffers();
    void refill(SampleBuffer& buffer);
    void reserveBuffers();

    void processVocoder(const float* in1, const float* in2, float* out1, float* out2, int frames);
    void processCarrier(const float* in2, float* out1, float* out2, int frames);
    void processModulator(const float* in1, float* out1, float* out2, int frames);
    void outputStage(float* in, double gain, float* out1, float* out2, int length);
    void renderSynth(int first, float* out, int count);
    void deliverEvents(int i)
    {
        if (eventQueue_->pendingCount() > 0)
            eventQueue_->deliverDueEvents(i, *synth_);
    }
    void ageEvents(int frames)
    {
        if (eventQueue_->pendingCount() > 0)
            eventQueue_->ageEvents(frames);
    }

    // Built in this order, taken apart explicitly in the destructor.
    SampleBuffer carrierBuffer_;
    SampleBuffer modulatorBuffer_;
    SampleBuffer outputBuffer_;
    bool ready_ = false;
    std::unique_ptr<CarrierSynth> synth_;
    std::unique_ptr<ProgramRecord[]> programs_;
    std::unique_ptr<SimpleLimit> limiter_;
    std::unique_ptr<SimpleCompRms> compressor_;
    std::unique_ptr<Equaliser> equaliser_;
    std::unique_ptr<SpectralBank> spectral_;
    std::unique_ptr<EventQueue> eventQueue_;

    std::array<std::atomic<float>, kNumParameters> values_{};
    SpectralSizes sizes_;
    std::atomic<float> carrierVolume_{0.0f};
    std::atomic<float> audioGain_{0.0f};
    std::atomic<float> vocoderGain_{0.0f};
    std::atomic<int> mode_{0};
    std::atomic<CarrierSource> carrierSource_{CarrierSource::Audio2};
    std::atomic<bool> carrierChanged_{false};
    std::atomic<unsigned> synthChanges_{0};
    std::atomic<unsigned> sizeGeneration_{0};
    std::atomic<float> hostSampleRate_{44100.0f};
    std::atomic<VstInt32> largestBlock_{1024};

    // Audio-thread state.
    SpectralState* active_ = nullptr;
    int hop_ = 128;
    unsigned appliedSizeGeneration_ = 0;
    float engineSampleRate_ = 44100.0f;
    bool carrierModeReset_ = false;
    static constexpr int kChunk = 256;
    std::array<float, kChunk> block_{};
    std::array<float, kChunk> scratch_{};
    std::array<double, kChunk> wide_{};
};
