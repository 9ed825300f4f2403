// Keeps a shared library loaded for the life of the process.
//
// pixman (under cairo) and FFTW's planner keep their tables for the life of
// their libraries, freed by no one. A plug-in library that
// keeps them loaded after it is itself unloaded keeps that memory reachable
// and reused by its next load, instead of leaking it at every unload.
#pragma once

#include <dlfcn.h>

// The library that defines `symbol` stays loaded until the process ends.
inline void keepLoaded(void* symbol)
{
    Dl_info library{};
    if (dladdr(symbol, &library) != 0 && library.dli_fname)
        dlopen(library.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}
