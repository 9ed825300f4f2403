// Speech for the tests that judge how clearly the engines speak: espeak-ng
// says a sentence (mono, 16 bits, 22.05 kHz on its standard output), which
// is taken to the rate asked with libsamplerate and normalised to a peak of
// −3 dBFS. espeak-ng comes with the test packages (scripts/setup.sh).
#pragma once

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

// What espeak-ng says, at its own 22.05 kHz.
inline std::vector<float> espeakSays(const std::string& voice, const std::string& text)
{
    const std::string command = "espeak-ng -v " + voice + " --stdout \"" + text + "\" 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run espeak-ng");
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.insert(bytes.end(), buffer, buffer + got);
    if (pclose(pipe) != 0 || bytes.size() < 44 + 2 * 22050)
        throw std::runtime_error("espeak-ng said nothing for voice " + voice + " (install it: scripts/setup.sh test)");
    std::vector<float> said((bytes.size() - 44) / 2);
    for (size_t i = 0; i < said.size(); ++i) {
        const auto sample = static_cast<std::int16_t>(bytes[44 + 2 * i] | (bytes[45 + 2 * i] << 8));
        said[i] = static_cast<float>(sample) / 32768.0f;
    }
    return said;
}

// Speech at `rate`, its peak at −3 dBFS.
inline std::vector<float> atRate(std::vector<float> said, double rate)
{
    std::vector<float> out(static_cast<size_t>(std::ceil(static_cast<double>(said.size()) * rate / 22050.0)) + 16);
    SRC_DATA data{};
    data.data_in = said.data();
    data.input_frames = static_cast<long>(said.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = rate / 22050.0;
    if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1) != 0)
        throw std::runtime_error("libsamplerate refused the conversion");
    out.resize(static_cast<size_t>(data.output_frames_gen));
    float peak = 0.0f;
    for (const float s : out)
        peak = std::max(peak, std::fabs(s));
    for (float& s : out)
        s *= 0.70795f / peak;
    return out;
}
