#include "PresetSelection.h"

#include "presets/FactoryPresets.h"

#include <cmath>

namespace {
// Formats may carry a value in other units and back: closer than this is the same.
constexpr float kSameValue = 1e-4f;
}  // namespace

std::vector<std::string> PresetSelection::names()
{
    std::vector<std::string> all;
    for (const FactoryPreset& preset : factoryPresets())
        all.emplace_back(preset.name);
    return all;
}

int PresetSelection::differences(int index) const
{
    const auto values = factoryPresets()[static_cast<size_t>(index)].allValues();
    int count = 0;
    for (std::int32_t i = 0; i < kNumParameters; ++i)
        count += std::fabs(host_.parameterValue(i) - values[static_cast<size_t>(i)]) > kSameValue;
    return count;
}

void PresetSelection::choose(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= factoryPresets().size())
        return;
    const auto values = factoryPresets()[static_cast<size_t>(index)].allValues();
    for (std::int32_t i = 0; i < kNumParameters; ++i) {
        const float value = values[static_cast<size_t>(i)];
        if (std::fabs(host_.parameterValue(i) - value) <= kSameValue)
            continue;
        host_.beginEdit(i);
        host_.performEdit(i, value);
        host_.endEdit(i);
    }
    index_ = index;
    edited_ = false;
}

void PresetSelection::follow()
{
    if (index_ >= 0) {
        edited_ = differences(index_) > 0;
        return;
    }
    // The preset the values hold, else the nearest within a few changes.
    int best = -1, fewest = kNearby + 1;
    for (int i = 0; i < static_cast<int>(factoryPresets().size()); ++i)
        if (const int count = differences(i); count < fewest) {
            best = i;
            fewest = count;
        }
    if (best >= 0) {
        index_ = best;
        edited_ = fewest > 0;
    }
}

std::string PresetSelection::text() const
{
    if (index_ < 0)
        return kNone;
    std::string name = factoryPresets()[static_cast<size_t>(index_)].name;
    return edited_ ? name + " *" : name;
}
