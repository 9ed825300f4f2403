// The factory presets in CLAP hosts' preset browsers: one provider, whose
// presets live inside the plug-in, each loaded by its name as the key.
#include "ClapPresets.h"

#include "parameters/Identity.h"
#include "presets/FactoryPresets.h"

#include <cstring>
#include <new>

namespace {

const clap_preset_discovery_provider_descriptor_t kProvider = {CLAP_VERSION, identity::kClapId, "Vocoder factory presets",
                                                                identity::kVendor};

struct Provider {
    clap_preset_discovery_provider_t clap;
    const clap_preset_discovery_indexer_t* indexer;
};

const Provider& self(const clap_preset_discovery_provider_t* p) { return *static_cast<const Provider*>(p->provider_data); }

bool init(const clap_preset_discovery_provider_t* p)
{
    const clap_preset_discovery_indexer_t* indexer = self(p).indexer;
    const clap_preset_discovery_location_t location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT, "Factory presets",
                                                       CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return indexer->declare_location && indexer->declare_location(indexer, &location);
}

void destroy(const clap_preset_discovery_provider_t* p) { delete &self(p); }

bool metadata(const clap_preset_discovery_provider_t*, std::uint32_t kind, const char* location,
              const clap_preset_discovery_metadata_receiver_t* receiver)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location || !receiver || !receiver->begin_preset)
        return false;
    const clap_universal_plugin_id_t plugin = {"clap", identity::kClapId};
    for (const FactoryPreset& preset : factoryPresets()) {
        if (!receiver->begin_preset(receiver, preset.name, preset.name))
            break;
        if (receiver->add_plugin_id)
            receiver->add_plugin_id(receiver, &plugin);
        if (receiver->set_flags)
            receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        if (receiver->add_creator)
            receiver->add_creator(receiver, identity::kVendor);
        if (receiver->set_description)
            receiver->set_description(receiver, preset.description);
        if (receiver->add_feature)
            receiver->add_feature(receiver, "vocoder");
    }
    return true;
}

const void* providerExtension(const clap_preset_discovery_provider_t*, const char*) { return nullptr; }

std::uint32_t count(const clap_preset_discovery_factory_t*) { return 1; }

const clap_preset_discovery_provider_descriptor_t* descriptor(const clap_preset_discovery_factory_t*,
                                                                std::uint32_t index)
{
    return index == 0 ? &kProvider : nullptr;
}

const clap_preset_discovery_provider_t* create(const clap_preset_discovery_factory_t*,
                                               const clap_preset_discovery_indexer_t* indexer, const char* id)
{
    if (!indexer || !id || std::strcmp(id, kProvider.id) != 0)
        return nullptr;
    auto* provider = new (std::nothrow) Provider{{&kProvider, nullptr, init, destroy, metadata, providerExtension}, indexer};
    if (!provider)
        return nullptr;
    provider->clap.provider_data = provider;
    return &provider->clap;
}

const clap_preset_discovery_factory_t kFactory = {count, descriptor, create};

}  // namespace

const clap_preset_discovery_factory_t* clapPresetDiscovery() { return &kFactory; }

const FactoryPreset* clapPresetToLoad(std::uint32_t kind, const char* location, const char* key)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || location || !key)
        return nullptr;
    for (const FactoryPreset& preset : factoryPresets())
        if (std::strcmp(preset.name, key) == 0)
            return &preset;
    return nullptr;
}
