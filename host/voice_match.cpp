// voice-match: how closely a rendered output follows the voice it was made
// from (see tools/VoiceMatch.h). A measuring aid, not installed.
#include "AudioFile.h"
#include "HostError.h"
#include "tools/VoiceMatch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<float> readAll(const std::string& path, int& rate)
{
    AudioReader reader(path);
    rate = reader.sampleRate();
    std::vector<float> samples(static_cast<size_t>(std::max(reader.frames(), 0LL)));
    samples.resize(reader.read(samples.data(), samples.size()));
    return samples;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: voice-match VOICE OUTPUT [MAX_LAG_SAMPLES [FORMANT_SEMITONES]]\n");
        return 2;
    }
    try {
        int voiceRate = 0, outputRate = 0;
        const std::vector<float> voice = readAll(argv[1], voiceRate);
        const std::vector<float> output = readAll(argv[2], outputRate);
        if (voiceRate != outputRate)
            throw HostError("the files' rates differ");
        const int maxLag = argc >= 4 ? std::atoi(argv[3]) : 4096;
        const double formant = argc == 5 ? std::atof(argv[4]) : 0.0;
        const VoiceMatch m = matchVoice(voice, output, voiceRate, maxLag, formant);
        std::printf("shape %.3f, contour %.3f at lag %d, above 1 kHz %.3f (voice %.3f, ratio %.2f), pauses %.1f dB below, "
                    "peak %.1f dBFS\n",
                    m.shape, m.correlation, m.lag, m.outputHighShare, m.voiceHighShare,
                    m.voiceHighShare > 0 ? m.outputHighShare / m.voiceHighShare : 0.0, m.pauseDb,
                    m.peak > 0 ? 20.0 * std::log10(m.peak) : -INFINITY);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "voice-match: %s\n", error.what());
        return 2;
    }
}
