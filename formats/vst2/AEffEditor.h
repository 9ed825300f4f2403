// Base of the plug-in's editor: holds the plug-in and the host's parent
// window, and receives the dispatcher's editor requests. A derived editor
// with a real window overrides what it supports.
#pragma once

#include "formats/vst2/aeffectx.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect_(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect_; }
    virtual bool getRect(ERect** rect)
    {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* parent)
    {
        parentWindow_ = parent;
        return false;
    }
    virtual void close() { parentWindow_ = nullptr; }
    virtual bool isOpen() { return parentWindow_ != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode& /*key*/) { return false; }
    virtual bool onKeyUp(VstKeyCode& /*key*/) { return false; }
    virtual bool onWheel(float /*distance*/) { return false; }
    virtual bool setKnobMode(VstInt32 /*mode*/) { return false; }
    // Follows the plug-in's parameter changes. Called on whatever thread the
    // change arrives on, also for indices the plug-in does not have.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}

protected:
    AudioEffect* effect_;
    void* parentWindow_ = nullptr;
};
