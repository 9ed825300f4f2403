#include "engine/EventQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder : MidiReceiver {
    void noteOn(int key, float velocity) override { log.push_back("on " + std::to_string(key) + " " + std::to_string(velocity)); }
    void noteOff(int key) override { log.push_back("off " + std::to_string(key)); }
    void setModulation(float value) override { log.push_back("mod " + std::to_string(value)); }
    void setPitchBend(float value) override { log.push_back("bend " + std::to_string(value)); }
    void allNotesOff() override { log.push_back("notes off"); }
    void allSoundOff() override { log.push_back("sound off"); }
    void chokeNote(int key) override { log.push_back("choke " + std::to_string(key)); }
    void setSustain(bool down) override { log.push_back(down ? "pedal down" : "pedal up"); }
    std::vector<std::string> log;
};

MidiEvent midi(std::int32_t offset, int status, int data1, int data2)
{
    return {offset, {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2)}};
}

void store(EventQueue& queue, const std::vector<MidiEvent>& events)
{
    for (const MidiEvent& event : events)
        queue.store(event);
}

void runBlock(EventQueue& queue, Recorder& recorder, std::int32_t frames, std::vector<int>* at = nullptr)
{
    for (std::int32_t i = 0; i < frames; ++i) {
        const size_t before = recorder.log.size();
        queue.deliverDueEvents(i, recorder);
        if (at)
            for (size_t n = before; n < recorder.log.size(); ++n)
                at->push_back(i);
    }
    if (queue.pendingCount() > 0)
        queue.ageEvents(frames);
}

}  // namespace

TEST(EventQueue, DeliversAtTheirSamplesInListOrder)
{
    EventQueue queue;
    Recorder recorder;
    store(queue, {midi(100, 0x90, 60, 127), midi(100, 0x80, 60, 0), midi(5, 0x93, 64, 0),
                  midi(7, 0xB0, 1, 127), midi(7, 0xB5, 33, 127), midi(8, 0xB0, 7, 100),
                  midi(8, 0xB0, 64, 127), midi(9, 0xE0, 0, 64), midi(9, 0xC0, 5, 0),
                  midi(9, 0xD0, 5, 0), midi(120, 0xB2, 123, 0), midi(121, 0xBF, 120, 0),
                  midi(122, kChokeStatus, 61, 0), midi(122, 0xF8, 61, 0)});
    EXPECT_EQ(queue.pendingCount(), 14);
    std::vector<int> at;
    runBlock(queue, recorder, 256, &at);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"off 64", "mod 1.000000", "mod 1.000000", "pedal down",
                                                      "bend 0.500000", "on 60 1.000000", "off 60", "notes off",
                                                      "sound off", "choke 61"}));
    EXPECT_EQ(at, (std::vector<int>{5, 7, 7, 8, 9, 100, 100, 120, 121, 122}));
    EXPECT_EQ(queue.pendingCount(), 0);
}

TEST(EventQueue, LateEventsKeepTheirAbsolutePosition)
{
    EventQueue queue;
    Recorder recorder;
    queue.store(midi(300, 0x90, 48, 64));
    std::vector<int> at;
    runBlock(queue, recorder, 256, &at);
    EXPECT_TRUE(at.empty());
    runBlock(queue, recorder, 64, &at);
    EXPECT_EQ(at, std::vector<int>{44});
}

TEST(EventQueue, HoldsAtMost250)
{
    EventQueue queue;
    store(queue, std::vector<MidiEvent>(251, midi(10, 0x90, 60, 100)));
    EXPECT_EQ(queue.pendingCount(), 250);
    queue.store(midi(0, 0x90, 61, 100));
    EXPECT_EQ(queue.pendingCount(), 250);
    Recorder recorder;
    queue.deliverDueEvents(10, recorder);
    EXPECT_EQ(recorder.log.size(), 250u);
    EXPECT_EQ(queue.pendingCount(), 0);
}

TEST(EventQueue, HostileOffsetsCannotHideOrOverflow)
{
    EventQueue queue;
    Recorder recorder;
    store(queue, {midi(EventQueue::FREE_SLOT, 0x90, 60, 1), midi(-2147483647 - 1, 0x80, 60, 0)});
    queue.ageEvents(1 << 30);
    queue.deliverDueEvents(0, recorder);
    EXPECT_EQ(recorder.log.size(), 2u);
    EXPECT_EQ(queue.pendingCount(), 0);
}
