#include "host/PluginEntry.h"

#include "host/EffectBase.h"
#include "host/ModuleInstance.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID)
{
    return storeModuleInstance(instance);
}
#endif

#if defined(_WIN32)
#define KORVO_EXPORT
#else
#define KORVO_EXPORT __attribute__((visibility("default")))
#endif

// The host's first call. Also exported as "main" for older hosts.
extern "C" KORVO_EXPORT VST_ENTRY_ALIGN AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback hostCallback)
{
    if (!hostCallback) {
        return nullptr;
    }
    try {
        if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
            return nullptr;
        }
        EffectBase* effect = createEffect(hostCallback);
        if (!effect) {
            return nullptr;
        }
        return effect->getEffectRecord();
    } catch (...) {
        return nullptr;
    }
}

#if !defined(_WIN32)
// The same routine under the older entry name; the module exports nothing else.
__asm__(".globl main\n\t.type main, @function\n\t.set main, VSTPluginMain");
#endif
