// The library's entry: one factory with one plug-in.
#include "ClapPlugin.h"
#include "clap_abi.h"
#include "tools/KeepLoaded.h"

#include <cairo.h>

#include <cstring>

const clap_plugin_t* createClapPlugin(const clap_host_t* host);

namespace {

std::uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* descriptor(const clap_plugin_factory_t*, std::uint32_t index)
{
    return index == 0 ? &ClapPlugin::kDescriptor : nullptr;
}

const clap_plugin_t* create(const clap_plugin_factory_t*, const clap_host_t* host, const char* id)
{
    if (!host || !id || !clap_version_is_compatible(host->clap_version) ||
        std::strcmp(id, ClapPlugin::kDescriptor.id) != 0)
        return nullptr;
    return createClapPlugin(host);
}

const clap_plugin_factory_t kFactory = {pluginCount, descriptor, create};

bool init(const char*) { return true; }
void deinit() {}

const void* factory(const char* id) { return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr; }

}  // namespace

// cairo's tables outlive this library, kept reachable (see keepLoaded).
__attribute__((constructor)) static void keepLibrariesLoaded()
{
    keepLoaded(reinterpret_cast<void*>(&cairo_create));
}

extern "C" __attribute__((visibility("default"))) const clap_plugin_entry_t clap_entry = {CLAP_VERSION, init, deinit,
                                                                                           factory};
