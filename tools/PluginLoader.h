// Loads a plug-in module from a path and finds its exported entries, as a host does.
#pragma once

#include <string>

#include "host/VstAbi.h"

class PluginLoader {
public:
    using Entry = AEffect*(VSTCALLBACK*)(audioMasterCallback);

    explicit PluginLoader(const std::string& path);
    ~PluginLoader();

    bool isLoaded() const { return handle != nullptr; }
    const std::string& error() const { return message; }

    // The exported routine of that name, or null.
    Entry entry(const char* name) const;
    // The exported symbol of that name, whatever its type, or null.
    void* symbol(const char* name) const;
    // The platform's handle of the loaded module (HMODULE, or dlopen's), or null.
    void* nativeHandle() const { return handle; }

    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

private:
    void* handle = nullptr;
    std::string message;
};
