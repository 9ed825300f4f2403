// MIDI events kept with their sample offsets until the engine reaches them.
// A fixed table: nothing allocates on the audio thread, and events are
// stored and played one after the other on it.
#pragma once

#include <array>
#include <cstdint>

// A MIDI message of up to three bytes at a sample offset in the next block
// (negative: due at once).
struct MidiEvent {
    std::int32_t offset;
    std::uint8_t data[3];
};

// Not a MIDI status (0xF4 is undefined there): ends the note data[1] at
// once, for formats whose hosts can choke a note.
inline constexpr std::uint8_t kChokeStatus = 0xF4;

// What the queue plays: the carrier synthesiser.
class MidiReceiver {
public:
    virtual void noteOn(int key, float velocity) = 0;
    virtual void noteOff(int key) = 0;
    virtual void setModulation(float value) = 0;  // 0 to 1
    virtual void setPitchBend(float value) = 0;   // 0 to 0.99994, centre 0.5
    virtual void allNotesOff() = 0;               // every held note released
    virtual void allSoundOff() = 0;               // every voice silent at once
    virtual void chokeNote(int key) = 0;          // that key's voice silent at once
    virtual void setSustain(bool down) = 0;       // the sustain pedal (controller 64 at 64 or more)

protected:
    ~MidiReceiver() = default;
};

class EventQueue {
public:
    static constexpr int kSlots = 250;
    static constexpr std::int32_t FREE_SLOT = -99;

    struct Slot {
        std::int32_t deltaFrames = FREE_SLOT;
        unsigned char status = 0;
        unsigned char data1 = 0;
        unsigned char data2 = 0;
    };

    // Stores the event in the lowest free slot; beyond 250 pending it is dropped.
    void store(const MidiEvent& event);
    // Hands every event due at sample i (offset i or less) to the receiver, in slot order.
    void deliverDueEvents(std::int32_t i, MidiReceiver& receiver);
    // At the end of a block of `frames` samples: later events move into the next block.
    void ageEvents(std::int32_t frames);

    int pendingCount() const { return pendingCount_; }

private:
    std::array<Slot, kSlots> slots_{};
    int pendingCount_ = 0;
};
