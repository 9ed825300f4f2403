#include "ParameterStore.h"

#include "parameters/Normalised.h"

#include <bit>

ParameterStore::ParameterStore(Dialect dialect)
    : dialect_(dialect), sizeWord_(pack({kParameterTable[kFftSize].defaultValue, kParameterTable[kHopSize].defaultValue}))
{
    for (int i = 0; i < kNumParameters; ++i)
        set(i, kParameterTable[static_cast<size_t>(i)].defaultValue);
    mark(kAllParameters);
}

std::uint64_t ParameterStore::pack(SizeValues v)
{
    return std::uint64_t{std::bit_cast<std::uint32_t>(v.fft)} << 32 | std::bit_cast<std::uint32_t>(v.hop);
}

ParameterStore::SizeValues ParameterStore::unpack(std::uint64_t word)
{
    return {std::bit_cast<float>(static_cast<std::uint32_t>(word >> 32)), std::bit_cast<float>(static_cast<std::uint32_t>(word))};
}

float ParameterStore::set(std::int32_t index, float value)
{
    if (index < 0 || index >= kNumParameters)
        return 0.0f;
    if (index == kFftSize || index == kHopSize)
        return setSize(index, value);
    const float x = clampNormalised(value);
    values_[static_cast<size_t>(index)].store(x, relaxed);
    ChangeMask bits = changeBit(index);
    if (index == kCarrier) {
        const CarrierSource source = mapping::carrier(x);
        if (carrier_.exchange(source, relaxed) != source)
            bits |= kCarrierSwitched;
    }
    mark(bits);
    return x;
}

// One compare-and-swap of both values, so that changes from two threads
// never leave a pair that neither asked for.
float ParameterStore::setSize(std::int32_t index, float value)
{
    const bool fft = index == kFftSize;
    std::uint64_t word = sizeWord_.load(std::memory_order_acquire);
    SizeValues next;
    bool reset;
    SpectralPair before;
    do {
        const SizeValues now = unpack(word);
        before = spectralsizes::pairFor(now.fft, now.hop);
        next = now;
        if (dialect_ == Dialect::vst2) {
            const float v = value < 0.0f ? 0.0f : value;  // NaN and values above 1 fall back
            const spectralsizes::Change change =
                fft ? spectralsizes::fftChange(v, before) : spectralsizes::hopChange(v, before);
            (fft ? next.fft : next.hop) = change.stored;
            reset = change.reset;
        } else {
            (fft ? next.fft : next.hop) = clampNormalised(value);
            reset = false;
        }
    } while (!sizeWord_.compare_exchange_weak(word, pack(next), std::memory_order_acq_rel, std::memory_order_acquire));
    if (reset)
        mark(kSizesReset | changeBit(kFftSize) | changeBit(kHopSize));
    else if (spectralsizes::pairFor(next.fft, next.hop) != before)
        mark(changeBit(kFftSize) | changeBit(kHopSize));
    return this->value(index);
}

float ParameterStore::value(std::int32_t index) const
{
    if (index < 0 || index >= kNumParameters)
        return 0.0f;
    if (index == kFftSize || index == kHopSize) {
        const SizeValues v = sizeValues();
        const SpectralPair pair = spectralsizes::pairFor(v.fft, v.hop);
        return index == kFftSize ? spectralsizes::shownFftValue(v.fft, pair) : spectralsizes::shownHopValue(v.hop, pair);
    }
    return values_[static_cast<size_t>(index)].load(relaxed);
}

DisplayState ParameterStore::displayState() const
{
    std::array<float, kNumParameters> values;
    for (int i = 0; i < kNumParameters; ++i)
        values[static_cast<size_t>(i)] = value(i);
    return displayStateOf(values);
}

void ParameterStore::display(std::int32_t index, char* text) const
{
    if (index >= 0 && index < kNumParameters)
        formatParameterDisplay(index, value(index), displayState(), text, dialect_);
}

void ParameterStore::setSampleRate(float rate)
{
    if (rate >= kLowestSampleRate && rate <= kHighestSampleRate) {
        sampleRate_.store(rate, relaxed);
        mark(kSampleRateChanged);
    }
}

void ParameterStore::setLargestBlock(int frames)
{
    int current = largestBlock_.load(relaxed);
    while (frames > current && !largestBlock_.compare_exchange_weak(current, frames, relaxed))
    {
    }
}
