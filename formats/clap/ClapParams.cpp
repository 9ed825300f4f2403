#include "ClapParams.h"

#include "parameters/SynthMapping.h"
#include "parameters/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace clapparams {

namespace {

const ParameterSpec& spec(std::int32_t index) { return kParameterTable[static_cast<size_t>(index)]; }

}  // namespace

bool isChoice(std::int32_t index) { return !spec(index).choices.empty(); }

double minimum(std::int32_t) { return 0.0; }

double maximum(std::int32_t index)
{
    return isChoice(index) ? static_cast<double>(spec(index).choices.size() - 1) : 1.0;
}

double defaultValue(std::int32_t index) { return clapValue(index, spec(index).defaultValue); }

double clapValue(std::int32_t index, float normalised)
{
    return isChoice(index) ? spec(index).choiceOf(normalised) : static_cast<double>(normalised);
}

float normalisedValue(std::int32_t index, double value)
{
    if (!(value >= minimum(index)))
        value = minimum(index);
    if (value > maximum(index))
        value = maximum(index);
    if (isChoice(index))
        return spec(index).choices[static_cast<size_t>(std::lround(value))].value;
    return static_cast<float>(value);
}

void text(std::int32_t index, double value, const DisplayState& state, char* out, std::size_t capacity)
{
    if (capacity == 0)
        return;
    out[0] = 0;
    if (index < 0 || index >= kNumParameters)
        return;
    const float x = normalisedValue(index, value);
    char display[256] = {};
    if (isChoice(index)) {
        copyText(display, spec(index).choices[static_cast<size_t>(spec(index).choiceOf(x))].text, 255);
    } else {
        DisplayState own = state;
        if (index == kPitchbend)
            own.bendRange = synth::bendRangeSemitones(x);
        formatParameterDisplay(index, x, own, display, Dialect::extended);
    }
    copyText(out, display, static_cast<int>(capacity - 1));
}

bool parse(std::int32_t index, const char* text, double* value)
{
    if (!text || index < 0 || index >= kNumParameters)
        return false;
    while (*text == ' ')
        ++text;
    const ParameterSpec& p = spec(index);
    if (isChoice(index)) {
        for (size_t i = 0; i < p.choices.size(); ++i)
            if (strcasecmp(text, p.choices[i].text) == 0) {
                *value = static_cast<double>(i);
                return true;
            }
        return false;
    }
    if (!p.plain)
        return false;
    char* end = nullptr;
    const double plain = std::strtod(text, &end);
    if (end == text || !std::isfinite(plain))
        return false;
    // Beyond the range: the nearest end, as a host's typed value is taken.
    const double low = std::min(p.plain(0.0f), p.plain(1.0f)), high = std::max(p.plain(0.0f), p.plain(1.0f));
    *value = normalisedForTyped(index, std::clamp(plain, low, high));
    return true;
}

}  // namespace clapparams
