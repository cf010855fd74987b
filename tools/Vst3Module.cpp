#include "tools/Vst3Module.h"

#include <cstdio>

namespace {

using FactoryEntry = vst3::IPluginFactory* (KORVO_VST3_API*)();
#if defined(_WIN32)
using LoadEntry = bool (*)();
const char* const kLoadName = "InitDll";
const char* const kUnloadName = "ExitDll";
#else
using LoadEntry = bool (*)(void*);
const char* const kLoadName = "ModuleEntry";
const char* const kUnloadName = "ModuleExit";
#endif
using UnloadEntry = bool (*)();

}  // namespace

Vst3Module::Vst3Module(const std::string& binaryPath) : loader(std::make_unique<PluginLoader>(binaryPath))
{
    if (!loader->isLoaded()) {
        message = loader->error();
        return;
    }
    auto load = reinterpret_cast<LoadEntry>(loader->symbol(kLoadName));
    auto getFactory = reinterpret_cast<FactoryEntry>(loader->symbol("GetPluginFactory"));
    if (!load || !getFactory) {
        message = std::string("no ") + (load ? "GetPluginFactory" : kLoadName) + " in " + binaryPath;
        return;
    }
#if defined(_WIN32)
    entered = load();
#else
    entered = load(loader->nativeHandle());
#endif
    if (!entered) {
        message = std::string(kLoadName) + " failed";
        return;
    }
    vst3::IPluginFactory* first = getFactory();
    void* second = nullptr;
    if (!first || first->queryInterface(vst3::IPluginFactory2::iid.bytes, &second) != vst3::kResultOk) {
        message = "no IPluginFactory2";
    }
    pluginFactory = static_cast<vst3::IPluginFactory2*>(second);
    if (first) {
        first->release();
    }
}

Vst3Module::~Vst3Module()
{
    if (pluginFactory) {
        pluginFactory->release();
    }
    auto unload = reinterpret_cast<UnloadEntry>(loader->symbol(kUnloadName));
    if (entered && unload) {
        unload();
    }
}

std::string Vst3Module::uidText(const char* bytes)
{
    vst3::uint32 words[4];
    vst3::uidWords(bytes, words);
    char text[33];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", static_cast<unsigned>(words[0]),
                  static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]), static_cast<unsigned>(words[3]));
    return text;
}
