// A storm of gestures from the editor's thread against the thread that tells
// the host: every begin reaches it before its values and its end, in the
// order they were made, none merged or lost; values that found the ring full
// arrive as the parameter's latest value instead.
#include "formats/clap/EditQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(EditQueueThreads, GesturesArriveWholeAndInOrder)
{
    EditQueue queue;
    constexpr int kGestures = 20000;
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int g = 0; g < kGestures; ++g) {
            const int index = g % 28;
            queue.begin(index);
            for (int v = 0; v < g % 7; ++v)
                queue.value(index, static_cast<float>(v));
            queue.end(index);
            if (g % 50 == 0)
                std::this_thread::yield();
        }
        done = true;
    });
    std::vector<EditQueue::Record> seen;
    int late = 0;
    const auto take = [&] {
        queue.drain([&](const EditQueue::Record& r) { seen.push_back(r); }, [&](std::int32_t) { ++late; });
    };
    while (!done.load())
        take();
    take();
    editor.join();

    // Gestures in the order made; one may be missing whole (its begin found
    // no room), never in part.
    int next = 0, values = 0, whole = 0;
    int openIndex = -1;
    for (const EditQueue::Record& r : seen) {
        switch (r.kind) {
        case EditQueue::Kind::begin:
            ASSERT_EQ(openIndex, -1);
            while (next % 28 != r.index)
                ++next;
            openIndex = r.index;
            break;
        case EditQueue::Kind::value:
            ASSERT_EQ(r.index, openIndex);
            ++values;
            break;
        case EditQueue::Kind::end:
            ASSERT_EQ(r.index, openIndex);
            openIndex = -1;
            ++next;
            ++whole;
            break;
        }
    }
    EXPECT_EQ(openIndex, -1);
    EXPECT_LE(next, kGestures);
    EXPECT_GT(whole, 0);
    int made = 0;
    for (int g = 0; g < kGestures; ++g)
        made += g % 7;
    EXPECT_LE(values, made);
    EXPECT_TRUE(values == made || late > 0);
}
