#include "ParameterStore.h"

#include "parameters/Normalised.h"
#include "parameters/SynthMapping.h"

ParameterStore::ParameterStore()
{
    for (int i = 0; i < kNumParameters; ++i)
        set(i, kParameterTable[static_cast<size_t>(i)].defaultValue);
    mark(kAllParameters);
}

float ParameterStore::set(std::int32_t index, float value)
{
    if (index < 0 || index >= kNumParameters)
        return 0.0f;
    auto& stored = values_[static_cast<size_t>(index)];
    if (index == kFftSize || index == kHopSize) {
        const float v = value < 0.0f ? 0.0f : value;
        const SpectralSizes::Change change = index == kFftSize ? sizes_.setFftSize(v) : sizes_.setHopSize(v);
        stored.store(change.stored, relaxed);
        if (change.apply)
            mark(1u << index);
        return change.stored;
    }
    const float x = clampNormalised(value);
    stored.store(x, relaxed);
    std::uint32_t bits = 1u << index;
    if (index == kCarrier) {
        const CarrierSource source = params::carrier(x);
        if (carrier_.exchange(source, relaxed) != source)
            bits |= kCarrierSwitched;
    }
    mark(bits);
    return x;
}

void ParameterStore::setSizes(float fftValue, float hopValue)
{
    set(kHopSize, 0.0f);  // the smallest hop, below every FFT size
    set(kFftSize, fftValue);
    set(kHopSize, hopValue);
}

DisplayState ParameterStore::displayState() const
{
    return {synth::bendRangeSemitones(value(kPitchbend)), params::mode(value(kMode)), carrier_.load(relaxed),
            sizes_.fftSize(), sizes_.hopSize()};
}

void ParameterStore::display(std::int32_t index, char* text) const
{
    if (index >= 0 && index < kNumParameters)
        formatParameterDisplay(index, value(index), displayState(), text);
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
