// The CLAP plug-in's main thread (states loaded, values and texts read)
// against its audio thread (blocks with parameter events, sizes among
// them): no data race under ThreadSanitizer, and the output stays finite.
#include "ClapTestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

TEST(ClapThreads, StatesAndReadsAgainstProcessing)
{
    ClapLibrary library;
    ClapInstance plugin(library);
    const auto* state = plugin.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    MemoryStream saved;
    ASSERT_TRUE(state->save(plugin.plugin(), &saved.out));
    ASSERT_TRUE(plugin.activate(44100.0, 256));

    std::atomic<bool> stop{false};
    std::atomic<bool> finite{true};
    std::thread audio([&] {
        std::vector<float> voice(256), carrier(256), left(256), right(256);
        EventList events;
        for (int block = 0; !stop.load(); ++block) {
            for (size_t i = 0; i < voice.size(); ++i) {
                voice[i] = static_cast<float>(0.5 * std::sin(0.01 * (block * 256 + static_cast<int>(i))));
                carrier[i] = static_cast<float>(0.3 * std::sin(0.07 * (block * 256 + static_cast<int>(i))));
            }
            events.clear();
            events.paramValue(7, 26, block % 4);
            events.paramValue(100, 27, (block / 4) % 4);
            events.paramValue(200, static_cast<clap_id>(block % 26), (block % 5) / 4.0);
            plugin.process(voice.data(), carrier.data(), left.data(), right.data(), 256, events);
            for (const float s : left)
                if (!std::isfinite(s))
                    finite = false;
        }
    });
    char text[256];
    for (int round = 0; round < 2000; ++round) {
        MemoryStream stream{saved.bytes};
        EXPECT_TRUE(state->load(plugin.plugin(), &stream.in));
        for (clap_id id = 0; id < 28; ++id)
            plugin.params().value_to_text(plugin.plugin(), id, plugin.value(id), text, sizeof text);
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(finite.load());
}
