#include "clap/PluginFactory.h"

#include <cstring>

#include "clap/EqInstance.h"
#include "eq/EqEffect.h"

namespace korvo_clap {

namespace {

const char* const kFeatures[] = {"audio-effect", "equalizer", "stereo", nullptr};

}  // namespace

const clap_plugin_factory_t* PluginFactory::factory()
{
    static const clap_plugin_factory_t theFactory = {&count, &describe, &create};
    return &theFactory;
}

const clap_plugin_descriptor_t& PluginFactory::descriptor()
{
    static const clap_plugin_descriptor_t theDescriptor = {
        KORVO_CLAP_VERSION_INIT, kPluginId, EqEffect::kEffectName, EqEffect::kVendorName, "", "", "",
        KORVO_VERSION,           "A four-band stereo equaliser: a low shelf, two peaking bands and a high shelf",
        kFeatures};
    return theDescriptor;
}

std::uint32_t PluginFactory::count(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* PluginFactory::describe(const clap_plugin_factory_t*, std::uint32_t index)
{
    return index == 0 ? &descriptor() : nullptr;
}

const clap_plugin_t* PluginFactory::create(const clap_plugin_factory_t*, const clap_host_t* host,
                                           const char* pluginId)
{
    if (!host || host->clap_version.major < 1 || !pluginId || std::strcmp(pluginId, kPluginId) != 0) {
        return nullptr;
    }
    EqInstance* instance = EqInstance::create(host, &descriptor());
    return instance ? instance->plugin() : nullptr;
}

}  // namespace korvo_clap
