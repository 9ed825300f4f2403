#include "EventQueue.h"

void EventQueue::store(const VstEvents& events)
{
    for (VstInt32 e = 0; e < events.numEvents; ++e) {
        const VstEvent* event = events.events[e];
        if (!event || event->type != kVstMidiType)
            continue;
        if (pendingCount_ >= kSlots)
            continue;
        for (Slot& slot : slots_) {
            if (slot.deltaFrames != FREE_SLOT)
                continue;
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            ++pendingCount_;
            slot.status = static_cast<unsigned char>(midi->midiData[0]);
            slot.data1 = static_cast<unsigned char>(midi->midiData[1]);
            slot.data2 = static_cast<unsigned char>(midi->midiData[2]);
            // A free-slot marker from the host would hide the event: treat it as due now.
            slot.deltaFrames = midi->deltaFrames == FREE_SLOT ? 0 : midi->deltaFrames;
            break;
        }
    }
}

void EventQueue::deliverDueEvents(VstInt32 i, MidiReceiver& receiver)
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
            break;
        case 0xE0:
            receiver.setPitchBend(static_cast<float>((value * 128 + key) / 16384.0));
            break;
        default:
            break;
        }
        slot.deltaFrames = FREE_SLOT;
    }
}

void EventQueue::ageEvents(VstInt32 frames)
{
    for (Slot& slot : slots_)
        if (slot.deltaFrames != FREE_SLOT) {
            // Saturating, so a hostile offset can neither overflow nor become the marker.
            const long long aged = static_cast<long long>(slot.deltaFrames) - frames;
            slot.deltaFrames = aged <= FREE_SLOT ? FREE_SLOT + 1 : static_cast<VstInt32>(aged);
        }
}
