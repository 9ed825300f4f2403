#include "Lv2Ports.h"

#include <cmath>

namespace lv2ports {

namespace {

const ParameterSpec& spec(std::int32_t parameter) { return ::parameter(parameter); }

}  // namespace

Kind kindOf(std::int32_t parameter)
{
    const ParameterSpec& p = spec(parameter);
    if (!p.choices.empty())
        return Kind::choice;
    return p.typed ? Kind::plain : Kind::normalised;
}

float portValue(std::int32_t parameter, float normalised)
{
    const ParameterSpec& p = spec(parameter);
    switch (kindOf(parameter)) {
    case Kind::choice: return static_cast<float>(p.choiceOf(normalised));
    case Kind::plain: return static_cast<float>(p.plays(normalised));
    case Kind::normalised: break;
    }
    return normalised;
}

float normalisedValue(std::int32_t parameter, float value)
{
    const ParameterSpec& p = spec(parameter);
    if (!(value >= portMinimum(parameter)))
        value = portMinimum(parameter);
    if (value > portMaximum(parameter))
        value = portMaximum(parameter);
    switch (kindOf(parameter)) {
    case Kind::choice: return p.choices[static_cast<size_t>(std::lround(value))].value;
    case Kind::plain:
        // The ends and the default as the port shows them, rounded to
        // float, stand for exactly the normalised values they came from.
        if (value == portMinimum(parameter))
            return 0.0f;
        if (value == portMaximum(parameter))
            return 1.0f;
        if (value == portDefault(parameter))
            return p.defaultValue;
        return p.normalised(value);
    case Kind::normalised: break;
    }
    return value;
}

float portMinimum(std::int32_t parameter) { return portValue(parameter, 0.0f); }

float portMaximum(std::int32_t parameter)
{
    const ParameterSpec& p = spec(parameter);
    return kindOf(parameter) == Kind::choice ? static_cast<float>(p.choices.size() - 1) : portValue(parameter, 1.0f);
}

float portDefault(std::int32_t parameter) { return portValue(parameter, spec(parameter).defaultValue); }

}  // namespace lv2ports
