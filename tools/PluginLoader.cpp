#include "tools/PluginLoader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

PluginLoader::PluginLoader(const std::string& path)
{
#if defined(_WIN32)
    handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!handle) {
        message = "LoadLibrary failed with error " + std::to_string(GetLastError()) + " for " + path;
    }
#else
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        message = reason ? reason : "dlopen failed for " + path;
    }
#endif
}

PluginLoader::~PluginLoader()
{
    if (!handle) {
        return;
    }
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

PluginLoader::Entry PluginLoader::entry(const char* name) const { return reinterpret_cast<Entry>(symbol(name)); }

void* PluginLoader::symbol(const char* name) const
{
    if (!handle) {
        return nullptr;
    }
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}
