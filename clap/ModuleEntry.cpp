// The module's one exported symbol, clap_entry: the interface's version, the
// module's set-up and tear-down (nothing to do: the factories are static, and a
// host may pair them any number of times), its plug-in factory and its
// preset-discovery factory.
#include <cstring>

#include "clap/PluginFactory.h"
#include "clap/PresetDiscovery.h"
#include "host/ModuleInstance.h"

#if defined(_WIN32)
#include <windows.h>
#define KORVO_CLAP_EXPORT
#else
#define KORVO_CLAP_EXPORT __attribute__((visibility("default")))
#endif

#if defined(_WIN32)
// The loader's thread: keeps the module's handle for the editor's window class and bitmaps.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    return storeModuleInstance(instance);
}
#endif

namespace {

// Any thread, never at once with any other call into the module.
bool KORVO_CLAP_ABI initModule(const char*) { return true; }
void KORVO_CLAP_ABI deinitModule() {}

// [thread-safe] The plug-in factory, and the preset-discovery factory under its id and the draft's.
const void* KORVO_CLAP_ABI getFactory(const char* id)
{
    if (!id) {
        return nullptr;
    }
    if (std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0) {
        return korvo_clap::PluginFactory::factory();
    }
    if (std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID) == 0 ||
        std::strcmp(id, CLAP_PRESET_DISCOVERY_FACTORY_ID_COMPAT) == 0) {
        return korvo_clap::PresetDiscovery::factory();
    }
    return nullptr;
}

}  // namespace

extern "C" KORVO_CLAP_EXPORT const clap_plugin_entry_t clap_entry = {KORVO_CLAP_VERSION_INIT, &initModule,
                                                                     &deinitModule, &getFactory};
