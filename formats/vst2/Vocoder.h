// The VST 2 plug-in object: the effect record's parameters, program and
// lifecycle, forwarded to the engine it owns.
#pragma once

#include "AudioEffectX.h"
#include "engine/Engine.h"
#include "parameters/Identity.h"
#include "parameters/ParameterTable.h"

#include <array>
#include <memory>

// One program: 28 normalised values and a name of at most 23 characters.
struct ProgramRecord {
    std::array<float, kVst2Parameters> values;
    char name[kVstMaxProgNameLen];

    ProgramRecord();  // the defaults and "Init"
};

class Vocoder : public AudioEffectX {
public:
    static constexpr VstInt32 kUniqueId = kVocoderUniqueId;

    explicit Vocoder(audioMasterCallback audioMaster);
    ~Vocoder() override;

    void resume() override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return identity::kVendorVersion; }
    VstInt32 canDo(const char* text) override;
    VstPlugCategory getPlugCategory() override { return kPlugCategEffect; }

    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    void setSampleRate(float sampleRate) override;
    void setBlockSize(VstInt32 blockSize) override;

    // Applies every value of a program through setParameter, in index order.
    virtual void loadProgram(VstInt32 index);

    Engine& engine() { return *engine_; }
    const Engine& engine() const { return *engine_; }

private:
    // Built in this order: the engine, then the program.
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<ProgramRecord[]> programs_;
};
