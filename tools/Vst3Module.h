// Loads a VST 3 module's binary as a host does: the platform's load routine
// (ModuleEntry on Linux, InitDll on Windows), then its factory; the unload
// routine when done.
#pragma once

#include <memory>
#include <string>

#include "tools/PluginLoader.h"
#include "vst3/interface/Factory.h"

class Vst3Module {
public:
    explicit Vst3Module(const std::string& binaryPath);
    ~Vst3Module();

    // The factory, or null with error() saying why.
    vst3::IPluginFactory2* factory() const { return pluginFactory; }
    const std::string& error() const { return message; }

    // The class identifier as hosts write it: the four words in 32
    // uppercase hexadecimal digits.
    static std::string uidText(const char* bytes);

    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

private:
    std::unique_ptr<PluginLoader> loader;
    vst3::IPluginFactory2* pluginFactory = nullptr;
    bool entered = false;
    std::string message;
};
