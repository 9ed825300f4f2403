// FFT SIZE, HOP SIZE, the other parameters and the sample rate hammered from
// other threads while the audio thread processes: no data race (run under
// ThreadSanitizer), no crash, and the output stays finite.
#include "formats/vst2/Vocoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

TEST(EngineThreads, SizesAndSettingsAgainstProcessing)
{
    Vocoder plugin(nullptr);
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; !stop.load(); ++i) {
                const float x = static_cast<float>((i * 37 + w * 11) % 101) / 100.0f;
                plugin.setParameter(w ? kFftSize : kHopSize, x);
                plugin.setParameter((i + w) % kNumParameters, x);
                if (i % 64 == 0)
                    plugin.engine().setSampleRate(i % 128 ? 48000.0f : 44100.0f);
            }
        });

    std::vector<float> in1(256), in2(256), out1(256), out2(256);
    float* inputs[] = {in1.data(), in2.data()};
    float* outputs[] = {out1.data(), out2.data()};
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.byteSize = sizeof note;
    VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
    bool finite = true;
    for (int block = 0; block < 3000; ++block) {
        for (size_t i = 0; i < in1.size(); ++i) {
            in1[i] = static_cast<float>(0.5 * std::sin(0.01 * (block * 256 + static_cast<int>(i))));
            in2[i] = static_cast<float>(0.3 * std::sin(0.07 * (block * 256 + static_cast<int>(i))));
        }
        note.midiData[0] = static_cast<char>(block % 2 ? 0x90 : 0x80);
        note.midiData[1] = static_cast<char>(48 + block % 24);
        note.midiData[2] = 90;
        plugin.processEvents(&events);
        const int frames = 1 + (block * 53) % 256;
        plugin.processReplacing(inputs, outputs, frames);
        for (int i = 0; i < frames; ++i)
            finite = finite && std::isfinite(out1[static_cast<size_t>(i)]) && out1[static_cast<size_t>(i)] == out2[static_cast<size_t>(i)];
    }
    stop = true;
    for (auto& t : writers)
        t.join();
    EXPECT_TRUE(finite);
}
