// The DSP binary's one exported symbol, lv2_descriptor (discovery class): the
// one plug-in at index 0, null after it.
#include <lv2/core/lv2.h>

#include "lv2/EqInstance.h"

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? korvo_lv2::EqInstance::descriptor() : nullptr;
}
