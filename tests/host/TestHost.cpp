#include "TestHost.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace {
// The callback has no user pointer: it reaches the host made last on the
// calling thread, or else the one made last anywhere (a plug-in may call
// back from a thread of the host's).
thread_local TestHost* threadHost = nullptr;
std::atomic<TestHost*> lastHost{nullptr};

void makeCurrent(TestHost* host)
{
    threadHost = host;
    lastHost = host;
}
}  // namespace

TestHost::TestHost(const std::string& libraryPath)
{
    library_ = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_)
        throw std::runtime_error(dlerror());
    makeCurrent(this);
}

TestHost::~TestHost()
{
    close();
    dlclose(library_);
    if (threadHost == this)
        threadHost = nullptr;
    TestHost* self = this;
    lastHost.compare_exchange_strong(self, nullptr);
}

AEffect* TestHost::create(const char* entryPoint, VstIntPtr version)
{
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library_, entryPoint));
    if (!entry)
        throw std::runtime_error(std::string("no entry point ") + entryPoint);
    makeCurrent(this);
    version_ = version;
    effect_ = entry(&TestHost::callback);
    return effect_;
}

VstIntPtr TestHost::close()
{
    if (!effect_)
        return 0;
    const VstIntPtr result = dispatch(effClose);
    effect_ = nullptr;
    return result;
}

VstIntPtr TestHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string TestHost::text(VstInt32 opcode, VstInt32 index)
{
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    buffer[sizeof buffer - 1] = 0;
    buffer[0] = 0;
    dispatch(opcode, index, 0, buffer);
    return buffer;
}

std::vector<HostCall> TestHost::callsOf(VstInt32 opcode) const
{
    std::vector<HostCall> result;
    for (const HostCall& call : calls_)
        if (call.opcode == opcode)
            result.push_back(call);
    return result;
}

VstIntPtr TestHost::callback(AEffect* /*effect*/, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt)
{
    TestHost* current = threadHost ? threadHost : lastHost.load();
    if (!current)
        return 0;
    current->calls_.push_back({opcode, index, value, ptr, opt});
    return opcode == audioMasterVersion ? current->version_ : 0;
}
