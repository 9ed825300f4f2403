// Where the audio thread and every other thread meet: the normalised values,
// the host's sample rate and largest block, as atomics, with one mask of
// what changed. Any thread may set; the audio thread takes the mask at the
// start of a block (or while processing is stopped) and applies the values
// itself, so no setting is ever written by two threads.
//
// FFT SIZE and HOP SIZE live in one atomic word, so the pair they select
// reaches the audio thread as one value.
#pragma once

#include "parameters/ParameterTable.h"
#include "parameters/SpectralSizes.h"

#include <array>
#include <atomic>
#include <cstdint>

class ParameterStore {
public:
    // Bits of the change mask beyond the parameters' own (bit i = parameter i).
    static constexpr ChangeMask kSampleRateChanged = changeBit(kNumParameters);
    static constexpr ChangeMask kCarrierSwitched = changeBit(kNumParameters + 1);  // Synth <-> Audio2
    static constexpr ChangeMask kSizesReset = changeBit(kNumParameters + 2);       // reset even if the pair stays
    static constexpr ChangeMask kAllParameters = changeBit(kNumParameters) - 1;

    // Lowest and highest sample rates taken; others keep the previous rate.
    static constexpr float kLowestSampleRate = 1000.0f;
    static constexpr float kHighestSampleRate = 768000.0f;

    // The defaults, set in index order from the carrier source Audio2, all marked changed.
    explicit ParameterStore(Dialect dialect = Dialect::vst2);

    // Any thread. Brings the value into [0, 1] (NaN to 0; values already there
    // are kept exactly). FFT SIZE and HOP SIZE: in the VST 2 dialect each
    // follows its size rule as it arrives, and falls back to 256 or 32;
    // otherwise the two are taken as a pair (see spectralsizes::pairFor),
    // each keeping the value asked for. Returns the value the parameter
    // reads back. A value that selects what is already in place marks nothing.
    float set(std::int32_t index, float value);
    // What the parameter reads back; 0 outside the table.
    float value(std::int32_t index) const;
    // The sizes in force: one atomic read.
    SpectralPair sizes() const { return spectralsizes::pairFor(sizeValues().fft, sizeValues().hop); }
    Dialect dialect() const { return dialect_; }

    DisplayState displayState() const;
    // The display text of a parameter (see formatParameterDisplay).
    void display(std::int32_t index, char* text) const;

    void setSampleRate(float rate);
    float sampleRate() const { return sampleRate_.load(relaxed); }
    // Raises the largest block to reserve for; smaller values are ignored.
    void setLargestBlock(int frames);
    int largestBlock() const { return largestBlock_.load(relaxed); }

    // Audio thread: what changed since the last call.
    ChangeMask takeChanges() { return changes_.exchange(0, std::memory_order_acquire); }

private:
    static constexpr auto relaxed = std::memory_order_relaxed;
    struct SizeValues {
        float fft, hop;
    };
    static std::uint64_t pack(SizeValues v);
    static SizeValues unpack(std::uint64_t word);
    SizeValues sizeValues() const { return unpack(sizeWord_.load(std::memory_order_acquire)); }
    float setSize(std::int32_t index, float value);
    void mark(ChangeMask bits) { changes_.fetch_or(bits, std::memory_order_release); }

    Dialect dialect_;
    std::array<std::atomic<float>, kNumParameters> values_{};
    std::atomic<std::uint64_t> sizeWord_;
    std::atomic<CarrierSource> carrier_{CarrierSource::Audio2};
    std::atomic<float> sampleRate_{44100.0f};
    std::atomic<int> largestBlock_{1024};
    std::atomic<ChangeMask> changes_{0};
};
