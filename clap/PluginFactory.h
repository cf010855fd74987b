// The module's plug-in factory: one plug-in, the equaliser, and its
// descriptor, which hosts keep in their sessions by its id.
#pragma once

#include "clap/interface/Plugin.h"

namespace korvo_clap {

class PluginFactory {
public:
    // The equaliser's id: reverse-domain, and never to change.
    static constexpr const char* kPluginId = "com.vardle.korvo-eq";

    // The module's one factory, which lives as long as the module is loaded.
    static const clap_plugin_factory_t* factory();
    static const clap_plugin_descriptor_t& descriptor();

private:
    static std::uint32_t KORVO_CLAP_ABI count(const clap_plugin_factory_t* factory);  // [thread-safe]
    static const clap_plugin_descriptor_t* KORVO_CLAP_ABI describe(const clap_plugin_factory_t* factory,
                                                                   std::uint32_t index);  // [thread-safe]
    static const clap_plugin_t* KORVO_CLAP_ABI create(const clap_plugin_factory_t* factory, const clap_host_t* host,
                                                      const char* pluginId);  // [thread-safe]
};

}  // namespace korvo_clap
