// FFT SIZE, HOP SIZE, the other parameters and the sample rate hammered from
// other threads while the audio thread processes: no data race (run under
// ThreadSanitizer), no crash, and the output stays finite; the band levels
// read against processing.
#include "engine/Engine.h"
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

// The band display's levels read on another thread while the extended
// engine processes and publishes them: no data race, only finite levels.
TEST(EngineThreads, BandLevelsAgainstProcessing)
{
    Engine engine(Dialect::extended);
    engine.prepare(44100.0f, 256);
    engine.parameters().set(kCarrier, 1.0f);
    engine.parameters().set(kEngine, 1.0f);
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    bool finite = true;
    std::thread reader([&] {
        BandLevels levels;
        while (!stop.load())
            if (engine.bandMeter().read(levels)) {
                for (size_t b = 0; b < BandLevels::kBands; ++b)
                    finite = finite && std::isfinite(levels.voice[b]) && std::isfinite(levels.output[b]);
                reads.fetch_add(1);
            }
    });
    std::vector<float> in1(256), in2(256), out1(256), out2(256);
    for (int block = 0; block < 2000; ++block) {
        for (size_t i = 0; i < in1.size(); ++i) {
            in1[i] = static_cast<float>(0.5 * std::sin(0.01 * (block * 256 + static_cast<int>(i))));
            in2[i] = static_cast<float>(0.3 * std::sin(0.07 * (block * 256 + static_cast<int>(i))));
        }
        engine.process(in1.data(), in2.data(), out1.data(), out2.data(), 256);
    }
    stop = true;
    reader.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(reads.load(), 0);
}
