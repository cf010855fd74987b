// The module's exported entries, the only symbols it exports: the factory,
// and the load and unload routines each platform's hosts call around it.
#include "host/ModuleInstance.h"
#include "vst3/PluginFactory.h"

#if defined(_WIN32)
#include <windows.h>
#define KORVO_VST3_EXPORT
#else
#define KORVO_VST3_EXPORT __attribute__((visibility("default")))
#endif

#if defined(_WIN32)
// The loader's thread: keeps the module's handle for the editor's window class and bitmaps.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    return storeModuleInstance(instance);
}
#endif

// The host's main thread, after loading the module. The factory is static: it
// needs nothing set up, and a host may ask for it any number of times.
extern "C" KORVO_VST3_EXPORT vst3::IPluginFactory* KORVO_VST3_API GetPluginFactory()
{
    return &korvo_vst3::PluginFactory::instance();
}

#if defined(_WIN32)
// The host's main thread, after LoadLibrary and before FreeLibrary.
extern "C" KORVO_VST3_EXPORT bool InitDll() { return true; }
extern "C" KORVO_VST3_EXPORT bool ExitDll() { return true; }
#else
// The host's main thread, after dlopen (with the library's handle) and before dlclose.
extern "C" KORVO_VST3_EXPORT bool ModuleEntry(void*) { return true; }
extern "C" KORVO_VST3_EXPORT bool ModuleExit() { return true; }
#endif
