// The effect frame: owns the effect record handed to the host, reaches the
// host through its callback, and dispatches the interface's 1.x requests to
// virtual operations that a plug-in overrides.
#pragma once

#include "formats/vst2/aeffectx.h"

class AEffEditor;

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }
    virtual void setBlockSize(VstInt32 blockSize) { blockSize_ = blockSize; }

    // Without an override the frame writes silence.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames);
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                        VstInt32 /*sampleFrames*/) {}

    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    // Applies the value, then tells the host (for the plug-in's own indices only).
    virtual void setParameterAutomated(VstInt32 index, float value);

    virtual VstInt32 getProgram() { return curProgram_; }
    virtual void setProgram(VstInt32 program) { curProgram_ = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }
    virtual void getParameterLabel(VstInt32 /*index*/, char* /*label*/) {}
    virtual void getParameterDisplay(VstInt32 /*index*/, char* /*text*/) {}
    virtual void getParameterName(VstInt32 /*index*/, char* /*text*/) {}
    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/) { return 0; }

    // The frame owns the editor; setting one also sets the has-editor flag.
    virtual void setEditor(AEffEditor* editor);
    AEffEditor* getEditor() const { return editor_; }

    // Host notifications around a user's edit of a parameter.
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    void masterIdle();

    AEffect* getAeffect() { return &cEffect_; }
    float getSampleRate() const { return sampleRate_; }
    VstInt32 getBlockSize() const { return blockSize_; }
    VstInt32 getNumParams() const { return numParams_; }
    VstInt32 getNumPrograms() const { return numPrograms_; }
    void setUniqueID(VstInt32 id) { cEffect_.uniqueID = id; }
    void setNumInputs(VstInt32 inputs) { cEffect_.numInputs = inputs; }
    void setNumOutputs(VstInt32 outputs) { cEffect_.numOutputs = outputs; }

    // Fixed-width number texts for parameter displays: at most `limit`
    // characters and a terminating zero.
    static void int2string(VstInt32 value, char* text, VstInt32 limit);

protected:
    // Calls the host, or answers 0 when there is no callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    bool isOwnParameter(VstInt32 index) const { return index >= 0 && index < numParams_; }

    audioMasterCallback audioMaster_;
    AEffEditor* editor_ = nullptr;
    float sampleRate_ = 44100.0f;
    VstInt32 blockSize_ = 1024;
    VstInt32 numPrograms_;
    VstInt32 numParams_;
    VstInt32 curProgram_ = 0;
    AEffect cEffect_{};
};
