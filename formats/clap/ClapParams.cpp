#include "ClapParams.h"

#include "parameters/TextFormat.h"

#include <cmath>

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

void text(std::int32_t index, double value, char* out, std::size_t capacity)
{
    if (capacity == 0)
        return;
    out[0] = 0;
    if (index < 0 || index >= kNumParameters)
        return;
    copyText(out, shownText(index, normalisedValue(index, value)).c_str(), static_cast<int>(capacity - 1));
}

bool parse(std::int32_t index, const char* text, double* value)
{
    const float x = parseTyped(index, text, true);
    if (x < 0.0f)
        return false;
    *value = clapValue(index, x);
    return true;
}

}  // namespace clapparams
