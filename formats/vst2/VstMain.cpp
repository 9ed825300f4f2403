// The library's entry points and its load notification.
#include "Module.h"
#include "Vocoder.h"
#include "tools/KeepLoaded.h"

#include <dlfcn.h>
#include <cairo.h>

#define VST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
void* moduleHandle = nullptr;
}  // namespace

// The module handle is the base address the dynamic loader mapped this
// library at: unique per loaded copy, and what resource lookups start from.
__attribute__((constructor)) static void recordModuleHandle()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&recordModuleHandle), &info) != 0)
        moduleHandle = info.dli_fbase;

    // cairo's tables outlive this library (see keepLoaded).
    keepLoaded(reinterpret_cast<void*>(&cairo_create));
}

void* libraryModuleHandle() { return moduleHandle; }

VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    try {
        return (new Vocoder(audioMaster))->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

// Older hosts look for the entry point under this name.
VST_EXPORT AEffect* vstMainAlias(audioMasterCallback audioMaster) __asm__("main");
VST_EXPORT AEffect* vstMainAlias(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
