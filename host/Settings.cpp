#include "Settings.h"

#include "presets/FactoryPresets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A whole-string number, or nothing.
bool parseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == 0 && std::isfinite(value);
}

// For the parameters only the formats we design have: what plays, typed
// by the table's rule ("Formant=-4", "Width=80 %", "Bands=40"); -1 for
// anything else.
float typedSetting(int index, const std::string& text)
{
    if (index < kVst2Parameters || index >= kNumParameters)
        return -1.0f;
    return parseTyped(index, text.c_str(), false);
}

}  // namespace

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

void applySetting(ParameterAccess& access, const std::string& assignment)
{
    const auto equals = assignment.find('=');
    if (equals == std::string::npos)
        throw HostError("--set " + assignment + ": expected NAME=VALUE or INDEX=VALUE");
    const std::string name = assignment.substr(0, equals);
    const std::string value = trimmed(assignment.substr(equals + 1));
    const int index = findParameter(access, name);
    if (index < 0)
        throw HostError("--set " + assignment + ": no parameter named \"" + trimmed(name) + "\" (see --list-params)");

    // A number from 0 to 1 is a normalised value, except a 1 for a parameter
    // that plays 1 and up (Unison, Bands): "Unison=1" means one copy.
    const bool countsFromOne = index >= kVst2Parameters && index < kNumParameters && parameter(index).typed &&
                               parameter(index).plays && parameter(index).plays(0.0f) >= 1.0;
    double number = 0.0;
    if (parseNumber(value, number) && number >= 0.0 && (number < 1.0 || (number == 1.0 && !countsFromOne))) {
        access.setParameter(index, static_cast<float>(number));
        return;
    }
    if (const float typed = typedSetting(index, value); typed >= 0.0f) {
        access.setParameter(index, typed);
        return;
    }
    // A display text: search the normalised range for the values that show it.
    const float before = access.parameter(index);
    const std::string wanted = lower(value);
    constexpr int kSteps = 1000;
    int first = -1, last = -1;
    for (int step = 0; step <= kSteps && (first < 0 || last == step - 1); ++step) {
        const float candidate = static_cast<float>(step) / kSteps;
        access.setParameter(index, candidate);
        if (!wanted.empty() && lower(access.parameterDisplay(index)) == wanted && access.parameter(index) == candidate) {
            if (first < 0)
                first = step;
            last = step;
        }
    }
    if (first >= 0) {
        access.setParameter(index, static_cast<float>((first + last) / 2) / kSteps);
        return;
    }
    access.setParameter(index, before);
    throw HostError("--set " + assignment + ": \"" + value + "\" is neither a value from 0 to 1 nor a setting that " +
                    trimmed(name) + " shows");
}

int findParameter(const ParameterAccess& access, const std::string& nameOrIndex)
{
    const std::string wanted = lower(trimmed(nameOrIndex));
    for (int i = 0; i < access.parameterCount(); ++i)
        if (!wanted.empty() && lower(trimmed(access.parameterName(i))) == wanted)
            return i;
    double number = 0.0;
    if (parseNumber(wanted, number) && number == std::floor(number) && number >= 0 && number < access.parameterCount())
        return static_cast<int>(number);
    return -1;
}

void printParameters(const ParameterAccess& access)
{
    std::printf("%5s  %-20s %10s  %-12s %s\n", "index", "name", "value", "display", "label");
    for (int i = 0; i < access.parameterCount(); ++i)
        std::printf("%5d  %-20s %10.6f  %-12s %s\n", i, access.parameterName(i).c_str(), access.parameter(i),
                    access.parameterDisplay(i).c_str(), access.parameterLabel(i).c_str());
}

void printPresets()
{
    int width = 0;
    for (const FactoryPreset& preset : factoryPresets())
        width = std::max(width, static_cast<int>(std::strlen(preset.name)));
    for (const FactoryPreset& preset : factoryPresets())
        std::printf("%-*s  %s\n", width, preset.name, preset.description);
}
