// Writes the LV2 bundle's Turtle files from the parameter table and the
// factory presets: manifest.ttl, vocoder.ttl (the plug-in and its ports)
// and presets.ttl.
//
//     make_ttl BUNDLE_DIR MINOR MICRO
#include "Lv2Ports.h"
#include "presets/FactoryPresets.h"

#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace lv2ports;

// The shortest decimal that reads back as the same float: hosts read the
// values as floats, and compare them with what the plug-in computes.
std::string number(double value)
{
    const auto single = static_cast<float>(value);
    char text[32];
    for (int decimals = 0; decimals <= 12; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(single));
        if (std::strtof(text, nullptr) == single)
            break;
    }
    std::string s = text;
    // A Turtle decimal or double, never an integer: hosts read control values as floats.
    if (s.find_first_of(".eEn") == std::string::npos)
        s += ".0";
    return s;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string presetUri(const char* name)
{
    std::string slug;
    for (const char* c = name; *c; ++c)
        slug += std::isalnum(static_cast<unsigned char>(*c)) ? static_cast<char>(std::tolower(*c)) : '-';
    return std::string("<") + kPluginUri + "#preset-" + slug + ">";
}

const char* unitOf(ParameterUnit unit)
{
    switch (unit) {
    case ParameterUnit::Hertz: return "units:hz";
    case ParameterUnit::Decibels: return "units:db";
    case ParameterUnit::Milliseconds: return "units:ms";
    case ParameterUnit::Percent: return "units:pc";
    case ParameterUnit::Semitones: return "units:semitone12TET";
    case ParameterUnit::Cents: return "units:cent";
    case ParameterUnit::Unitless:
    case ParameterUnit::Factor: break;
    }
    return nullptr;
}

constexpr const char* kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string manifest()
{
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <vocoder.so> ;\n"
        << "    rdfs:seeAlso <vocoder.ttl> .\n\n";
    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <vocoder_ui.so> ;\n"
        << "    rdfs:seeAlso <vocoder.ttl> .\n\n";
    for (const FactoryPreset& preset : factoryPresets())
        out << presetUri(preset.name) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:seeAlso <presets.ttl> .\n\n";
    return out.str();
}

std::string audioPort(Port index, const char* direction, const char* symbol, const char* name, bool sideChain)
{
    std::ostringstream out;
    out << "[\n        a lv2:" << direction << ", lv2:AudioPort ;\n        lv2:index " << index
        << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name \"" << name << "\"";
    if (sideChain)
        out << " ;\n        lv2:portProperty <http://lv2plug.in/ns/lv2core#isSideChain>";
    out << "\n    ]";
    return out.str();
}

std::string parameterPort(int parameter)
{
    const ParameterSpec& p = kParameterTable[static_cast<size_t>(parameter)];
    std::ostringstream out;
    out << "[\n        a lv2:InputPort, lv2:ControlPort ;\n        lv2:index " << portOf(parameter)
        << " ;\n        lv2:symbol \"" << p.symbol << "\" ;\n        lv2:name " << quoted(p.title)
        << " ;\n        lv2:default " << number(portDefault(parameter)) << " ;\n        lv2:minimum "
        << number(portMinimum(parameter)) << " ;\n        lv2:maximum " << number(portMaximum(parameter));
    switch (kindOf(parameter)) {
    case Kind::choice:
        out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration ;\n        lv2:scalePoint ";
        for (size_t i = 0; i < p.choices.size(); ++i)
            out << (i ? ", " : "") << "[ rdfs:label " << quoted(p.choices[i].text) << " ; rdf:value "
                << number(static_cast<double>(i)) << " ]";
        break;
    case Kind::plain:
        if (const char* unit = unitOf(p.unit))
            out << " ;\n        units:unit " << unit;
        if (p.unit == ParameterUnit::Hertz && portMaximum(parameter) / portMinimum(parameter) > 100.0f)
            out << " ;\n        lv2:portProperty pprops:logarithmic";
        break;
    case Kind::normalised: break;
    }
    out << "\n    ]";
    return out.str();
}

std::string plugin()
{
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin, lv2:FilterPlugin, doap:Project ;\n"
        << "    doap:name \"" << identity::kName << "\" ;\n"
        << "    doap:maintainer [ foaf:name \"" << identity::kVendor << "\" ] ;\n"
        << "    rdfs:comment \"A voice shapes a carrier (the sidechain input, or the built-in synthesiser played "
           "by MIDI) through a short-time Fourier transform.\" ;\n"
        << "    lv2:minorVersion " << identity::kMinor << " ;\n    lv2:microVersion " << identity::kPatch << " ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable, opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port " << audioPort(kModulator, "InputPort", "modulator_in", "Modulator", false) << ", "
        << audioPort(kCarrierInput, "InputPort", "carrier_in", "Carrier In", true) << ", "
        << audioPort(kOutLeft, "OutputPort", "out_left", "Left", false) << ", "
        << audioPort(kOutRight, "OutputPort", "out_right", "Right", false) << ", [\n"
        << "        a lv2:InputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent ;\n        lv2:designation lv2:control ;\n"
        << "        lv2:index " << kMidiIn << " ;\n        lv2:symbol \"midi_in\" ;\n        lv2:name \"MIDI In\"\n"
        << "    ], [\n"
        << "        a lv2:OutputPort, lv2:ControlPort ;\n        lv2:index " << kLatency << " ;\n"
        << "        lv2:symbol \"latency\" ;\n        lv2:name \"Latency\" ;\n"
        << "        lv2:designation lv2:latency ;\n        lv2:portProperty lv2:reportsLatency, lv2:integer ;\n"
        << "        units:unit units:frame ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 4096.0\n    ]";
    for (int i = 0; i < kNumParameters; ++i)
        out << ", " << parameterPort(i);
    out << ", [\n        a lv2:OutputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports atom:Vector ;\n        rsz:minimumSize 1024 ;\n"
        << "        lv2:portProperty lv2:connectionOptional ;\n"
        << "        lv2:index " << kBandLevels << " ;\n        lv2:symbol \"band_levels\" ;\n"
        << "        lv2:name \"Band Levels\"\n    ] .\n\n";
    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
        << "    lv2:optionalFeature ui:resize, ui:touch, urid:map, opts:options ;\n"
        << "    opts:supportedOption ui:scaleFactor ;\n"
        << "    ui:portNotification [\n        ui:plugin <" << kPluginUri << "> ;\n"
        << "        lv2:symbol \"band_levels\" ;\n        ui:protocol atom:eventTransfer\n    ] ;\n"
        << "    lv2:extensionData ui:idleInterface, opts:interface .\n";
    return out.str();
}

// Each preset's values as port values (the plug-in takes the sizes as a
// pair, so their order does not matter).
std::string presets()
{
    std::ostringstream out;
    out << kPrefixes;
    for (const FactoryPreset& preset : factoryPresets()) {
        const std::array<float, kNumParameters> values = preset.allValues();
        out << presetUri(preset.name) << "\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label " << quoted(preset.name) << " ;\n    rdfs:comment " << quoted(preset.description)
            << " ;\n    lv2:port ";
        for (int i = 0; i < kNumParameters; ++i)
            out << (i ? ", " : "") << "[ lv2:symbol \"" << kParameterTable[static_cast<size_t>(i)].symbol
                << "\" ; pset:value " << number(portValue(i, values[static_cast<size_t>(i)])) << " ]";
        out << " .\n\n";
    }
    return out.str();
}

bool write(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ttl BUNDLE_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = write(dir + "/manifest.ttl", manifest()) &&
                    write(dir + "/vocoder.ttl", plugin()) &&
                    write(dir + "/presets.ttl", presets());
    if (!ok) {
        std::fprintf(stderr, "make_ttl: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
