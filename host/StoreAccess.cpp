#include "StoreAccess.h"

std::string StoreAccess::parameterName(int index) const
{
    const ParameterSpec& spec = kParameterTable[static_cast<size_t>(index)];
    return spec.name ? spec.name : spec.title;
}

std::string StoreAccess::parameterDisplay(int index) const
{
    char text[256] = {};
    store_.display(index, text);
    return trimmed(text);
}

std::string StoreAccess::parameterLabel(int index) const
{
    const char* label = kParameterTable[static_cast<size_t>(index)].label;
    return label ? label : "";
}
