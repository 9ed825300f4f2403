// The plug-in's parameters as CLAP values: each parameter's id is its index
// in the table; choices are integer steps 0 … n−1, every other parameter its
// normalised value 0 … 1, so that the same value sounds as in every format.
#pragma once

#include "parameters/ParameterTable.h"

#include <cstddef>

namespace clapparams {

bool isChoice(std::int32_t index);
double minimum(std::int32_t index);
double maximum(std::int32_t index);
double defaultValue(std::int32_t index);

double clapValue(std::int32_t index, float normalised);
// Out-of-range values are taken as the nearest end, NaN as the lower.
float normalisedValue(std::int32_t index, double value);

// The display text for `value` as the formats we design show it: what plays
// (the VST 2 text where that says it).
void text(std::int32_t index, double value, char* out, std::size_t capacity);
// The table's typed-text rule, numbers beyond the range taken to the
// nearest end; false for anything it refuses.
bool parse(std::int32_t index, const char* text, double* value);

}  // namespace clapparams
