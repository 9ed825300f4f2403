// Where the audio thread and every other thread meet: the 28 normalised
// values, the host's sample rate and largest block, as atomics, with one mask
// of what changed. Any thread may set; the audio thread takes the mask at the
// start of a block (or while processing is stopped) and applies the values
// itself, so no setting is ever written by two threads.
#pragma once

#include "parameters/ParameterTable.h"
#include "parameters/SpectralSizes.h"

#include <array>
#include <atomic>
#include <cstdint>

class ParameterStore {
public:
    // Bits of the change mask beyond the parameters' own (bit i = parameter i).
    static constexpr std::uint32_t kSampleRateChanged = 1u << kNumParameters;
    static constexpr std::uint32_t kCarrierSwitched = 1u << (kNumParameters + 1);  // Synth <-> Audio2
    static constexpr std::uint32_t kAllParameters = (1u << kNumParameters) - 1;

    // Lowest and highest sample rates taken; others keep the previous rate.
    static constexpr float kLowestSampleRate = 1000.0f;
    static constexpr float kHighestSampleRate = 768000.0f;

    // The defaults, set in index order from the carrier source Audio2, all marked changed.
    ParameterStore();

    // Any thread. Brings the value into [0, 1] (NaN to 0; values already there
    // are kept exactly); FFT SIZE and HOP SIZE follow their size rules, in the
    // order the values arrive, and fall back to 256 and 32. Returns the value kept.
    float set(std::int32_t index, float value);
    // FFT SIZE and HOP SIZE as a pair: a pair with hop < FFT size is taken
    // whatever the sizes before; only one without falls back.
    void setSizes(float fftValue, float hopValue);
    float value(std::int32_t index) const { return values_[static_cast<size_t>(index)].load(relaxed); }

    DisplayState displayState() const;
    // The display text of a parameter (see formatParameterDisplay).
    void display(std::int32_t index, char* text) const;
    const SpectralSizes& sizes() const { return sizes_; }

    void setSampleRate(float rate);
    float sampleRate() const { return sampleRate_.load(relaxed); }
    // Raises the largest block to reserve for; smaller values are ignored.
    void setLargestBlock(int frames);
    int largestBlock() const { return largestBlock_.load(relaxed); }

    // Audio thread: what changed since the last call.
    std::uint32_t takeChanges() { return changes_.exchange(0, std::memory_order_acquire); }

private:
    static constexpr auto relaxed = std::memory_order_relaxed;
    void mark(std::uint32_t bits) { changes_.fetch_or(bits, std::memory_order_release); }

    std::array<std::atomic<float>, kNumParameters> values_{};
    SpectralSizes sizes_;
    std::atomic<CarrierSource> carrier_{CarrierSource::Audio2};
    std::atomic<float> sampleRate_{44100.0f};
    std::atomic<int> largestBlock_{1024};
    std::atomic<std::uint32_t> changes_{0};
};
