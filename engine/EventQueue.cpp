#include "EventQueue.h"

void EventQueue::store(const MidiEvent& event)
{
    if (pendingCount_ >= kSlots)
        return;
    for (Slot& slot : slots_) {
        if (slot.deltaFrames != FREE_SLOT)
            continue;
        ++pendingCount_;
        slot.status = event.data[0];
        slot.data1 = event.data[1];
        slot.data2 = event.data[2];
        // A free-slot marker from the host would hide the event: treat it as due now.
        slot.deltaFrames = event.offset == FREE_SLOT ? 0 : event.offset;
        return;
    }
}

void EventQueue::deliverDueEvents(std::int32_t i, MidiReceiver& receiver)
{
    for (Slot& slot : slots_) {
        if (slot.deltaFrames == FREE_SLOT || slot.deltaFrames > i)
            continue;
        --pendingCount_;
        const int key = slot.data1 & 0x7F;
        const int value = slot.data2 & 0x7F;
        switch (slot.status & 0xF0) {
        case 0x90:
            if (value > 0)
                receiver.noteOn(key, static_cast<float>(value / 127.0));
            else
                receiver.noteOff(key);
            break;
        case 0x80:
            receiver.noteOff(key);
            break;
        case 0xB0:
            if (key == 1 || key == 33)
                receiver.setModulation(static_cast<float>(value / 127.0));
            else if (key == 120)
                receiver.allSoundOff();
            else if (key == 123)
                receiver.allNotesOff();
            else if (key == 64)
                receiver.setSustain(value >= 64);
            break;
        case 0xE0:
            receiver.setPitchBend(static_cast<float>((value * 128 + key) / 16384.0));
            break;
        case 0xF0:
            if (slot.status == kChokeStatus)
                receiver.chokeNote(key);
            break;
        default:
            break;
        }
        slot.deltaFrames = FREE_SLOT;
    }
}

void EventQueue::ageEvents(std::int32_t frames)
{
    for (Slot& slot : slots_)
        if (slot.deltaFrames != FREE_SLOT) {
            // Saturating, so a hostile offset can neither overflow nor become the marker.
            const long long aged = static_cast<long long>(slot.deltaFrames) - frames;
            slot.deltaFrames = aged <= FREE_SLOT ? FREE_SLOT + 1 : static_cast<std::int32_t>(aged);
        }
}
