// The module's one exported symbol, clap_entry: the interface's version, the
// module's set-up and tear-down (nothing to do: the factory is static, and a
// host may pair them any number of times) and its plug-in factory.
#include <cstring>

#include "clap/PluginFactory.h"
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

// [thread-safe]
const void* KORVO_CLAP_ABI getFactory(const char* id)
{
    return id && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? korvo_clap::PluginFactory::factory() : nullptr;
}

}  // namespace

extern "C" KORVO_CLAP_EXPORT const clap_plugin_entry_t clap_entry = {KORVO_CLAP_VERSION_INIT, &initModule,
                                                                     &deinitModule, &getFactory};
