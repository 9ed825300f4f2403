// Loads a plug-in library from a package as a host would and prints what
// its entry point gives, for the package checks:
//   package_probe vst2 FILE   "<unique id> <parameters> <inputs> <outputs>"
//   package_probe clap FILE   "<id> <version> <plug-ins>"
// Exit code 1 when the library does not load or its entry does not answer.
#include "TestHost.h"
#include "formats/clap/clap_abi.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

int probeVst2(const char* path)
{
    TestHost host(path);
    const AEffect* effect = host.create();
    if (!effect || effect->magic != kEffectMagic)
        return 1;
    std::printf("%d %d %d %d\n", effect->uniqueID, effect->numParams, effect->numInputs, effect->numOutputs);
    host.close();
    return 0;
}

int probeClap(const char* path)
{
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    const auto* entry = static_cast<const clap_plugin_entry_t*>(dlsym(library, "clap_entry"));
    int result = 1;
    if (entry && entry->init(path)) {
        const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (factory && factory->get_plugin_count(factory) > 0) {
            const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
            std::printf("%s %s %u\n", d->id, d->version, factory->get_plugin_count(factory));
            result = 0;
        }
        entry->deinit();
    }
    dlclose(library);
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "vst2") != 0 && std::strcmp(argv[1], "clap") != 0)) {
        std::fprintf(stderr, "usage: package_probe vst2|clap FILE\n");
        return 2;
    }
    try {
        return std::strcmp(argv[1], "vst2") == 0 ? probeVst2(argv[2]) : probeClap(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "package_probe: %s\n", error.what());
        return 1;
    }
}
