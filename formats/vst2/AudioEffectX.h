// The 2.x half of the effect frame: events, names, capabilities and the
// extended editor requests. Opcodes it does not know fall to AudioEffect.
#pragma once

#include "AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    using AudioEffect::AudioEffect;

    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // Asks the host for MIDI when the plug-in says it receives MIDI events.
    void resume() override;

    virtual VstInt32 processEvents(VstEvents* /*events*/) { return 0; }
    virtual bool canParameterBeAutomated(VstInt32 /*index*/) { return true; }
    virtual bool getProgramNameIndexed(VstInt32 /*category*/, VstInt32 /*index*/, char* /*text*/)
    {
        return false;
    }
    virtual VstPlugCategory getPlugCategory() { return kPlugCategUnknown; }
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    // 1 yes, 0 no, -1 don't know.
    virtual VstInt32 canDo(const char* /*text*/) { return 0; }
    virtual VstInt32 getVstVersion() { return 2400; }

    bool wantEvents(VstInt32 filter = 1);
    // The host's answer to a capability string: 1 yes, 0 don't know, -1 no.
    VstInt32 canHostDo(const char* text);
    // Asks the host to resize the editor's window; true if it did.
    bool sizeWindow(VstInt32 width, VstInt32 height);
    bool sendVstEventsToHost(VstEvents* events);
};
