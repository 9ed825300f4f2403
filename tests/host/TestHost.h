// A host of our own for tests: loads the plug-in library as strict hosts do
// (dlopen with RTLD_NOW | RTLD_LOCAL), calls its entry point with a callback
// that records every call, and reaches the plug-in only through the record.
#pragma once

#include "formats/vst2/aeffectx.h"

#include <string>
#include <vector>

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

class TestHost {
public:
    explicit TestHost(const std::string& libraryPath = VOCODER_PLUGIN_PATH);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Calls the named entry point; answers `version` to audioMasterVersion.
    AEffect* create(const char* entryPoint = "VSTPluginMain", VstIntPtr version = 2400);
    // effClose on the created effect, if any.
    VstIntPtr close();

    AEffect* effect() const { return effect_; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    std::string text(VstInt32 opcode, VstInt32 index = 0);

    const std::vector<HostCall>& calls() const { return calls_; }
    std::vector<HostCall> callsOf(VstInt32 opcode) const;
    void clearCalls() { calls_.clear(); }

private:
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);

    void* library_ = nullptr;
    AEffect* effect_ = nullptr;
    VstIntPtr version_ = 2400;
    std::vector<HostCall> calls_;
};
