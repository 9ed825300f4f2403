// The engine's parameters as a command line and a settings file reach them:
// every row of the table, the names and texts of the formats we design.
#pragma once

#include "Settings.h"
#include "engine/ParameterStore.h"

#include <string>

class StoreAccess final : public ParameterAccess {
public:
    explicit StoreAccess(ParameterStore& store) : store_(store) {}

    int parameterCount() const override { return kNumParameters; }
    std::string parameterName(int index) const override;
    std::string parameterDisplay(int index) const override;
    std::string parameterLabel(int index) const override;
    float parameter(int index) const override { return store_.value(index); }
    void setParameter(int index, float value) override { store_.set(index, value); }
    std::string programName() const override { return programName_; }
    void setProgramName(const std::string& name) override { programName_ = name; }

private:
    ParameterStore& store_;
    std::string programName_ = "Init";
};
