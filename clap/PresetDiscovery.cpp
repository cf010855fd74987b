#include "clap/PresetDiscovery.h"

#include <cstring>
#include <new>

#include "clap/PluginFactory.h"
#include "eq/EqEffect.h"
#include "eq/FactoryPresets.h"

namespace korvo_clap {

namespace {

// A provider and the indexer it declares its location to.
struct Provider {
    clap_preset_discovery_provider_t record;
    const clap_preset_discovery_indexer_t* indexer;
};

}  // namespace

const clap_preset_discovery_provider_descriptor_t PresetDiscovery::kDescriptor = {
    KORVO_CLAP_VERSION_INIT, kProviderId, "Korvo-EQ factory presets", EqEffect::kVendorName};

const clap_preset_discovery_factory_t* PresetDiscovery::factory()
{
    static const clap_preset_discovery_factory_t theFactory = {&count, &describe, &create};
    return &theFactory;
}

std::uint32_t PresetDiscovery::count(const clap_preset_discovery_factory_t*) { return 1; }

const clap_preset_discovery_provider_descriptor_t* PresetDiscovery::describe(const clap_preset_discovery_factory_t*,
                                                                              std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap_preset_discovery_provider_t* PresetDiscovery::create(const clap_preset_discovery_factory_t*,
                                                                const clap_preset_discovery_indexer_t* indexer,
                                                                const char* providerId)
{
    if (!indexer || !providerId || std::strcmp(providerId, kProviderId) != 0) {
        return nullptr;
    }
    Provider* provider = new (std::nothrow) Provider;
    if (!provider) {
        return nullptr;
    }
    provider->indexer = indexer;
    provider->record = {&kDescriptor, provider, &init, &destroy, &getMetadata, &getExtension};
    return &provider->record;
}

// The one location: inside the plug-in, factory content.
bool PresetDiscovery::init(const clap_preset_discovery_provider_t* provider)
{
    const clap_preset_discovery_indexer_t* indexer = static_cast<Provider*>(provider->provider_data)->indexer;
    const clap_preset_discovery_location_t location = {CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT,
                                                       "Korvo-EQ factory presets",
                                                       CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr};
    return indexer->declare_location && indexer->declare_location(indexer, &location);
}

void PresetDiscovery::destroy(const clap_preset_discovery_provider_t* provider)
{
    delete static_cast<Provider*>(provider->provider_data);
}

bool PresetDiscovery::getMetadata(const clap_preset_discovery_provider_t*, std::uint32_t kind, const char*,
                                  const clap_preset_discovery_metadata_receiver_t* receiver)
{
    if (kind != CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN || !receiver || !receiver->begin_preset) {
        return false;
    }
    const clap_universal_plugin_id_t plugin = {"clap", PluginFactory::kPluginId};
    for (int i = 0; i < FactoryPresets::count(); ++i) {
        const FactoryPreset& preset = FactoryPresets::at(i);
        if (!receiver->begin_preset(receiver, preset.name, preset.name)) {
            break;
        }
        if (receiver->add_plugin_id) receiver->add_plugin_id(receiver, &plugin);
        if (receiver->set_flags) receiver->set_flags(receiver, CLAP_PRESET_DISCOVERY_IS_FACTORY_CONTENT);
        if (receiver->add_creator) receiver->add_creator(receiver, EqEffect::kVendorName);
        if (receiver->set_description) receiver->set_description(receiver, preset.purpose);
    }
    return true;
}

const void* PresetDiscovery::getExtension(const clap_preset_discovery_provider_t*, const char*) { return nullptr; }

}  // namespace korvo_clap
