// The library's entry points and its load notification.
#include "Module.h"
#include "Vocoder.h"

#include <dlfcn.h>
#include <cairo.h>
#include <fftw3.h>

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

    // FFTW keeps its planner, and pixman (under cairo) its implementation
    // tables, for the life of their libraries, freed by no one (fftw_cleanup is
    // not ours to call in a process shared with others). Keeping them loaded
    // after this library is unloaded keeps that memory reachable and reused by
    // the next load, instead of leaking it at every unload.
    for (void* symbol : {reinterpret_cast<void*>(&fftw_execute), reinterpret_cast<void*>(&cairo_create)}) {
        Dl_info library{};
        if (dladdr(symbol, &library) != 0 && library.dli_fname)
            dlopen(library.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
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
