// The table's contract for the formats that use it: unique lower-case
// symbols, names for all, choices that select the texts they carry, and
// plain values whose inverse lands on the normalised value again.
#include "engine/Engine.h"
#include "engine/ParameterStore.h"

#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

TEST(ParameterTable, SymbolsChoicesAndPlainValues)
{
    std::set<std::string> symbols;
    for (int i = 0; i < kNumParameters; ++i) {
        const ParameterSpec& p = kParameterTable[static_cast<size_t>(i)];
        const std::string symbol = p.symbol;
        EXPECT_TRUE(symbols.insert(symbol).second) << symbol;
        for (char c : symbol)
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
                        c == '_')
                << symbol;
        ASSERT_NE(p.title, nullptr);
        EXPECT_EQ(p.name ? std::string(p.name) : "OSC 2 Transpose", p.title);

        for (const ParameterChoice& choice : p.choices) {
            ASSERT_NE(p.choiceOf, nullptr);
            EXPECT_EQ(p.choiceOf(choice.value), &choice - p.choices.data()) << p.title;
            ParameterStore store;
            store.set(kHopSize, 0.0f);  // the smallest hop, so that every FFT size is taken
            store.set(i, choice.value);
            char text[64] = "";
            store.display(i, text);
            EXPECT_STREQ(text, choice.text) << p.title;
        }

        if (!p.plain)
            continue;
        ASSERT_NE(p.normalised, nullptr);
        EXPECT_EQ(p.normalised(p.plain(0.0f)), 0.0f) << p.title;
        EXPECT_EQ(p.normalised(p.plain(1.0f)), 1.0f) << p.title;
        EXPECT_EQ(p.normalised(p.plain(0.0f) - 1000.0), 0.0f) << p.title;
        // Through the inverse and back, the same value plays (a stepped
        // row's inverse lands anywhere on its step).
        for (int step = 1; step < 100; ++step) {
            const float x = static_cast<float>(step) / 100.0f;
            const double plain = p.plain(x);
            EXPECT_NEAR(p.plain(p.normalised(plain)), plain, 1e-5 * std::max(1.0, std::fabs(plain))) << p.title << x;
        }
    }
}

// Every row that says what plays in a unit: for a sweep of its value, the
// text the formats we design show is that value cut to the text's digits,
// and the engine's part runs at that value.
TEST(ParameterTable, TextPlainValueAndEngineAgree)
{
    const auto played = [](const Engine& e, int index) -> double {
        const Equaliser& eq = e.equaliser();
        switch (index) {
        case kAttack: return 1000.0 / (e.synth().voice(0).attackIncrement() * 44100.0);
        case kRelease: return 1000.0 / (e.synth().voice(0).releaseIncrement() * 44100.0);
        case kLowCut: return eq.lowCut().frequency();
        case kPeak1Freq: return eq.peak1().frequency();
        case kPeak1Q: return eq.peak1().q();
        case kPeak1Gain: return eq.peak1().gain();
        case kPeak2Freq: return eq.peak2().frequency();
        case kPeak2Q: return eq.peak2().q();
        case kPeak2Gain: return eq.peak2().gain();
        case kHighCut: return eq.highCut().frequency();
        case kAudioLimiter: return e.limiter().threshold();
        case kVocoderRatio: return e.compressor().ratio();
        case kVocoderThreshold: return e.compressor().threshold();
        case kVocoderAttack: return e.compressor().attack();
        case kVocoderRelease: return e.compressor().release();
        case kBands: return e.bandVocoder().bands();
        case kFlatten: return 100.0 * e.bandVocoder().flatten();
        case kFormant: return e.bandVocoder().formant();
        case kSibilance: return 100.0 * e.bandVocoder().sibilance();
        case kMix: return 100.0 * e.mix();
        case kWidth: return 100.0 * e.bandVocoder().width();
        default: return NAN;
        }
    };
    std::vector<float> silence(64), out1(64), out2(64);
    for (int i = 0; i < kNumParameters; ++i) {
        const ParameterSpec& p = kParameterTable[static_cast<size_t>(i)];
        if (!p.plain)
            continue;
        for (int step = 0; step <= 64; ++step) {
            const float x = static_cast<float>(step) / 64.0f;
            const double plain = p.plain(x);
            Engine e(Dialect::extended);
            e.parameters().set(i, x);
            e.process(silence.data(), silence.data(), out1.data(), out2.data(), 64);
            char text[64] = "";
            e.parameters().display(i, text);
            const std::string shown = text;
            const size_t point = shown.find('.');
            size_t digits = 0;
            while (point != std::string::npos && point + 1 + digits < shown.size() &&
                   std::isdigit(static_cast<unsigned char>(shown[point + 1 + digits])))
                ++digits;
            const double unit = std::pow(10.0, -static_cast<double>(digits));
            const double number = std::strtod(text, nullptr);
            EXPECT_LE(std::fabs(number), std::fabs(plain) + 1e-9) << p.title << " " << x << " " << shown;
            EXPECT_LT(std::fabs(plain) - std::fabs(number), unit) << p.title << " " << x << " " << shown;
            EXPECT_NEAR(played(e, i), plain, 1e-3 * std::max(1.0, std::fabs(plain))) << p.title << " " << x;
        }
    }
}
