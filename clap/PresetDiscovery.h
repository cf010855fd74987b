// The module's preset-discovery factory: one provider, which declares the
// factory presets (eq/FactoryPresets.h) as living inside the plug-in, each
// with its name as its load key, for hosts' preset browsers; the plug-in's
// preset-load extension loads them by that key (clap/EqInstance.h).
#pragma once

#include "clap/interface/PresetDiscovery.h"

namespace korvo_clap {

class PresetDiscovery {
public:
    static constexpr const char* kProviderId = "com.vardle.korvo-eq.factory-presets";

    // The module's one preset-discovery factory, which lives as long as the module.
    static const clap_preset_discovery_factory_t* factory();

private:
    // The factory: every call [thread-safe].
    static std::uint32_t KORVO_CLAP_ABI count(const clap_preset_discovery_factory_t* factory);
    static const clap_preset_discovery_provider_descriptor_t* KORVO_CLAP_ABI describe(
        const clap_preset_discovery_factory_t* factory, std::uint32_t index);
    static const clap_preset_discovery_provider_t* KORVO_CLAP_ABI create(
        const clap_preset_discovery_factory_t* factory, const clap_preset_discovery_indexer_t* indexer,
        const char* providerId);

    // The provider: one thread at a time, whichever the host indexes on.
    static bool KORVO_CLAP_ABI init(const clap_preset_discovery_provider_t* provider);
    static void KORVO_CLAP_ABI destroy(const clap_preset_discovery_provider_t* provider);
    static bool KORVO_CLAP_ABI getMetadata(const clap_preset_discovery_provider_t* provider, std::uint32_t kind,
                                           const char* location,
                                           const clap_preset_discovery_metadata_receiver_t* receiver);
    static const void* KORVO_CLAP_ABI getExtension(const clap_preset_discovery_provider_t* provider,
                                                   const char* id);

    static const clap_preset_discovery_provider_descriptor_t kDescriptor;
};

}  // namespace korvo_clap
