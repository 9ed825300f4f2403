// The table's contract for the formats that use it: unique lower-case
// symbols, names for all, choices that select the texts they carry, and
// plain values whose inverse lands on the normalised value again.
#include "engine/Engine.h"
#include "engine/ParameterStore.h"

#include <gtest/gtest.h>

#include <bit>
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

        EXPECT_EQ(i < kVst2Parameters, p.formats == Formats::all) << p.title;
        EXPECT_EQ(p.placement.page == Page::first, i < kVst2Parameters) << p.title;
        if (!p.choices.empty())
            continue;
        ASSERT_NE(p.plays, nullptr) << p.title;
        ASSERT_NE(p.normalised, nullptr);
        EXPECT_EQ(p.normalised(p.plays(0.0f)), 0.0f) << p.title;
        EXPECT_EQ(p.normalised(p.plays(1.0f)), 1.0f) << p.title;
        EXPECT_EQ(p.normalised(p.plays(0.0f) - 1000.0), 0.0f) << p.title;
        // Through the inverse and back, the same value plays (a stepped
        // row's inverse lands anywhere on its step).
        for (int step = 1; step < 100 && p.typed; ++step) {
            const float x = static_cast<float>(step) / 100.0f;
            const double plain = p.plays(x);
            EXPECT_NEAR(p.plays(p.normalised(plain)), plain, 1e-5 * std::max(1.0, std::fabs(plain))) << p.title << x;
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
        if (!p.typed)
            continue;
        for (int step = 0; step <= 64; ++step) {
            const float x = static_cast<float>(step) / 64.0f;
            const double plain = p.plays(x);
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
            // Where the engine's part can be read here; a parameter's own test measures its sound.
            if (const double heard = played(e, i); !std::isnan(heard)) {
                EXPECT_NEAR(heard, plain, 1e-3 * std::max(1.0, std::fabs(plain))) << p.title << " " << x;
            }
        }
    }
}

// The defaults are given in the units that play; the VST 2 library's 28
// come out at exactly the values it has always had.
TEST(ParameterTable, DefaultsKeepTheirBits)
{
    const unsigned bits[kVst2Parameters] = {
        0x00000000, 0x00000000, 0x3F000000, 0x00000000, 0x3CF5C28F, 0x3E2AAAAB, 0x00000000,
        0x00000000, 0x3E75C28F, 0x3D240106, 0x3E800DA9, 0x3F000000, 0x3DCD0148, 0x3E800DA9,
        0x3F000000, 0x3F19C0F6, 0x3F800000, 0x3F000000, 0x3F800000, 0x3F000000, 0x3F000000,
        0x3F000000, 0x3F000000, 0x3F28F5C3, 0x00000000, 0x00000000, 0x3F2AAAAB, 0x3F800000};
    for (int i = 0; i < kVst2Parameters; ++i)
        EXPECT_EQ(std::bit_cast<unsigned>(kParameterTable[static_cast<size_t>(i)].defaultValue), bits[i])
            << kParameterTable[static_cast<size_t>(i)].title;
}

// The typed-text rule CLAP and the hosts share: choices by their text,
// typed parameters by a number with or without their label, beyond the
// range clamped or refused, anything else refused.
TEST(ParameterTable, TypedTexts)
{
    EXPECT_EQ(parseTyped(kEngine, "clear", false), 1.0f);
    EXPECT_EQ(parseTyped(kMode, " Audio1", false), 1.0f);
    EXPECT_EQ(parseTyped(kFormant, "-4", false), parseTyped(kFormant, "-4 st", false));
    EXPECT_EQ(shownText(kFormant, parseTyped(kFormant, "-4", false)), "-4.0 st");
    EXPECT_EQ(shownText(kWidth, parseTyped(kWidth, "80 %", false)), "80 %");
    EXPECT_EQ(shownText(kLowCut, parseTyped(kLowCut, "467 hz", false)), "467");
    EXPECT_EQ(parseTyped(kFormant, "-40", false), -1.0f);
    EXPECT_EQ(parseTyped(kFormant, "-40", true), 0.0f);
    for (const char* refused : {"", "st", "4 Hz", "nan", "inf", "1e999"})
        EXPECT_EQ(parseTyped(kFormant, refused, true), -1.0f) << refused;
    EXPECT_EQ(parseTyped(kCarrierVolume, "0.5", true), -1.0f);  // not typed: crosses normalised
    EXPECT_EQ(parseTyped(kNumParameters, "1", true), -1.0f);
}
