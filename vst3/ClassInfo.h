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

}  // namespace korvo_vst3
