// The library's entry: a factory with one plug-in, and the factory presets'
// discovery.
#include "ClapPlugin.h"
#include "ClapPresets.h"
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

const void* factory(const char* id)
{
    if (!id)
        return nullptr;
    if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0)
        return &kFactory;
    if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 || std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0)
        return clapPresetDiscovery();
    return nullptr;
}

}  // namespace

// cairo's tables outlive this library, kept reachable (see keepLoaded).
__attribute__((constructor)) static void keepLibrariesLoaded()
{
    keepLoaded(reinterpret_cast<void*>(&cairo_create));
}

extern "C" __attribute__((visibility("default"))) const clap_plugin_entry_t clap_entry = {CLAP_VERSION, init, deinit,
                                                                                           factory};
