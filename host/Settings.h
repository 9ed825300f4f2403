// Settings as users give them on a command line: "NAME=VALUE" assignments,
// applied to any plug-in's parameters as a host reaches them.
#pragma once

#include "HostError.h"

#include <string>

// A plug-in's parameters and program name as a host reaches them.
class ParameterAccess {
public:
    virtual int parameterCount() const = 0;
    virtual std::string parameterName(int index) const = 0;
    virtual std::string parameterDisplay(int index) const = 0;  // without surrounding blanks
    virtual std::string parameterLabel(int index) const = 0;
    virtual float parameter(int index) const = 0;
    virtual void setParameter(int index, float value) = 0;
    virtual std::string programName() const = 0;
    virtual void setProgramName(const std::string& name) = 0;

protected:
    ~ParameterAccess() = default;
};

// "NAME=VALUE" or "INDEX=VALUE": a normalised value 0 … 1, or a text the
// parameter displays (compared without case or surrounding blanks). A text
// matches the middle of the run of values that show it, so that a choice
// lands where the plug-in itself takes it as that choice. Throws HostError.
void applySetting(ParameterAccess& access, const std::string& assignment);
// What --set takes, for a program's help.
inline constexpr const char* kSetHelp =
    "NAME=VALUE or INDEX=VALUE: a value from 0 to 1, or a shown setting (Mode=Carrier, \"FFT SIZE=1024\"); "
    "the parameters only the built-in engine has also take what plays (Formant=-4, Glide=200, Unison=3, \"Voice Mode=Legato\")";
// Index of a parameter by its name (without case) or its number; -1 if none.
int findParameter(const ParameterAccess& access, const std::string& nameOrIndex);

// The text without blanks or tabs around it.
std::string trimmed(const std::string& s);

// Every parameter, a line each: index, name, value, display, label.
void printParameters(const ParameterAccess& access);
// The factory presets' names and what each is for, in two columns.
void printPresets();
