// MIDI events of the host's lists, kept with their sample offsets until the
// engine reaches them. A fixed table: nothing allocates on the audio thread,
// and processEvents and processReplacing run one after the other on it.
#pragma once

#include "formats/vst2/aeffectx.h"

#include <array>

// What the queue plays: the carrier synthesiser.
class MidiReceiver {
public:
    virtual void noteOn(int key, float velocity) = 0;
    virtual void noteOff(int key) = 0;
    virtual void setModulation(float value) = 0;  // 0 to 1
    virtual void setPitchBend(float value) = 0;   // 0 to 0.99994, centre 0.5

protected:
    ~MidiReceiver() = default;
};

class EventQueue {
public:
    static constexpr int kSlots = 250;
    static constexpr VstInt32 FREE_SLOT = -99;

    struct Slot {
        VstInt32 deltaFrames = FREE_SLOT;
        unsigned char status = 0;
        unsigned char data1 = 0;
        unsigned char data2 = 0;
    };

    // Stores each MIDI event in the lowest free slot; beyond 250 pending the
    // excess is dropped. Other event types are never stored.
    void store(const VstEvents& events);
    // Hands every event due at sample i (offset i or less) to the receiver, in slot order.
    void deliverDueEvents(VstInt32 i, MidiReceiver& receiver);
    // At the end of a block of `frames` samples: later events move into the next block.
    void ageEvents(VstInt32 frames);

    int pendingCount() const { return pendingCount_; }

private:
    std::array<Slot, kSlots> slots_{};
    int pendingCount_ = 0;
};
