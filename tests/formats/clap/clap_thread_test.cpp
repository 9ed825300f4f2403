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
    std::vector<std::uint8_t> saved;
    clap_ostream_t out{&saved, [](const clap_ostream_t* s, const void* data, std::uint64_t size) -> std::int64_t {
                           auto* p = static_cast<const std::uint8_t*>(data);
                           static_cast<std::vector<std::uint8_t>*>(s->ctx)->insert(
                               static_cast<std::vector<std::uint8_t>*>(s->ctx)->end(), p, p + size);
                           return static_cast<std::int64_t>(size);
                       }};
    ASSERT_TRUE(state->save(plugin.plugin(), &out));
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
    // The saved state handed out again on every load.
    struct Reader {
        const std::vector<std::uint8_t>& bytes;
        size_t offset = 0;
        static std::int64_t read(const clap_istream_t* s, void* data, std::uint64_t size)
        {
            auto& r = *static_cast<Reader*>(s->ctx);
            const size_t n = std::min<size_t>(size, r.bytes.size() - r.offset);
            std::memcpy(data, r.bytes.data() + r.offset, n);
            r.offset += n;
            return static_cast<std::int64_t>(n);
        }
    };
    char text[256];
    for (int round = 0; round < 2000; ++round) {
        Reader reader{saved};
        const clap_istream_t in{&reader, Reader::read};
        EXPECT_TRUE(state->load(plugin.plugin(), &in));
        for (clap_id id = 0; id < 28; ++id)
            plugin.params().value_to_text(plugin.plugin(), id, plugin.value(id), text, sizeof text);
    }
    stop = true;
    audio.join();
    EXPECT_TRUE(finite.load());
}
