// The plug-in object: parameters, the program, its tools and its lifecycle.
//
// Parameter values and the settings derived from them are atomics: hosts call
// setParameter from any thread, also while the audio thread processes.
#pragma once

#include "AudioEffectX.h"
#include "Parameters.h"
#include "engine/EventQueue.h"
#include "engine/SpectralSizes.h"
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

    // Applies every value of a program through setParameter, in index order.
    virtual void loadProgram(VstInt32 index);

    // Settings of the synthesiser's voices, as the parameters last set them.
    struct SynthSettings {
        std::atomic<int> osc1Waveform{0};
        std::atomic<int> osc2Waveform{0};
        std::atomic<float> osc2Volume{0.5f};
        std::atomic<float> octaveMultiplier{4.0f};
        std::atomic<float> attack{0.006f};
        std::atomic<float> release{0.01f};
        std::atomic<int> bendRange{2};
        std::atomic<int> transposition{0};
    };

    // Read by the engine; written only by setParameter.
    const SynthSettings& synthSettings() const { return synth_; }
    float carrierVolume() const { return carrierVolume_.load(std::memory_order_relaxed); }
    float audioGain() const { return audioGain_.load(std::memory_order_relaxed); }
    float vocoderGain() const { return vocoderGain_.load(std::memory_order_relaxed); }
    int mode() const { return mode_.load(std::memory_order_relaxed); }
    CarrierSource carrierSource() const { return carrierSource_.load(std::memory_order_relaxed); }
    bool carrierChanged() const { return carrierChanged_.load(std::memory_order_acquire); }
    // The engine clears the flag when it has followed the change.
    bool takeCarrierChanged() { return carrierChanged_.exchange(false, std::memory_order_acq_rel); }
    const SpectralSizes& spectralSizes() const { return sizes_; }

    const SimpleLimit& limiter() const { return limiter_; }
    const SimpleCompRms& compressor() const { return compressor_; }
    const Equaliser& equaliser() const { return equaliser_; }

private:
    void applyParameter(VstInt32 index, float x);
    void applyOsc2();
    DisplayState displayState() const;

    std::array<std::atomic<float>, kNumParameters> values_{};
    SynthSettings synth_;
    std::unique_ptr<ProgramRecord[]> programs_;
    SimpleLimit limiter_;
    SimpleCompRms compressor_;
    Equaliser equaliser_;
    SpectralSizes sizes_;
    EventQueue eventQueue_;
    std::atomic<float> carrierVolume_{0.0f};
    std::atomic<float> audioGain_{0.0f};
    std::atomic<float> vocoderGain_{0.0f};
    std::atomic<int> mode_{0};
    std::atomic<CarrierSource> carrierSource_{CarrierSource::Audio2};
    std::atomic<bool> carrierChanged_{false};
};
