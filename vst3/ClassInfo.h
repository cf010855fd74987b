// What the module says of itself and its one class: the identity hosts store
// in their sessions and the categories they sort by.
#pragma once

#include "vst3/interface/Factory.h"

namespace korvo_vst3 {

// The equaliser's class identifier. Hosts keep it in their sessions and
// presets: it never changes.
constexpr vst3::Uid kClassId = vst3::makeUid(0xB2FB7818, 0x255D45C0, 0x88436741, 0xBCC11E47);

constexpr const char* kSubCategories = "Fx|EQ";
constexpr const char* kInterfaceVersion = "VST 3.7";

// The effect's own name and vendor, and the project's version, as the factory
// and the class information give them. Any thread; built on first use.
struct PluginIdentity {
    char name[65];     // room for the effect's longest name and vendor texts
    char vendor[65];
    char version[64];
};
const PluginIdentity& pluginIdentity();

}  // namespace korvo_vst3
