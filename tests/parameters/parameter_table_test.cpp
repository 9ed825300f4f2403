// The table's contract for the formats that use it: unique lower-case
// symbols, names for all, choices that select the texts they carry, and
// plain values whose inverse lands on the normalised value again.
#include "engine/ParameterStore.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <set>
#include <string>

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
        for (int step = 1; step < 100; ++step) {
            const float x = static_cast<float>(step) / 100.0f;
            EXPECT_NEAR(p.normalised(p.plain(x)), x, 1e-6f) << p.title << " " << x;
        }
    }
}
