// Parameter threads change the tools' settings while the audio thread runs
// them: no data race (run under ThreadSanitizer), and the output stays finite.
#include "shell/Parameters.h"
#include "shell/Vocoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

TEST(ToolThreads, SettersAgainstProcessing)
{
    Vocoder plugin(nullptr);
    auto& limiter = const_cast<SimpleLimit&>(plugin.limiter());
    auto& compressor = const_cast<SimpleCompRms&>(plugin.compressor());
    auto& equaliser = const_cast<Equaliser&>(plugin.equaliser());

    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; !stop.load(); ++i) {
                const float x = float((i * 37 + w * 11) % 101) / 100.0f;
                for (VstInt32 index : {kLowCut, kPeak1Freq, kPeak1Q, kPeak1Gain, kPeak2Freq,
                                       kPeak2Q, kPeak2Gain, kHighCut, kAudioLimiter, kVocoderRatio,
                                       kVocoderThreshold, kVocoderAttack, kVocoderRelease,
                                       kCarrierVolume, kMode, kCarrier, kFftSize, kHopSize})
                    plugin.setParameter(index, x);
            }
        });

    std::vector<float> buffer(512), out(512);
    bool finite = true;
    for (int block = 0; block < 400; ++block) {
        for (int i = 0; i < 512; ++i)
            buffer[i] = static_cast<float>(0.5 * std::sin(0.01 * (block * 512 + i)));
        equaliser.process(buffer.data(), out.data(), 512);
        for (float& sample : out) {
            double a = sample, b = sample;
            limiter.process(a, b);
            compressor.process(a, b);
            finite = finite && std::isfinite(a);
        }
        finite = finite && plugin.spectralSizes().hopSize() < plugin.spectralSizes().fftSize();
    }
    stop = true;
    for (auto& t : writers)
        t.join();
    EXPECT_TRUE(finite);
}
