// The UI binary's one exported symbol, lv2ui_descriptor (any thread): the one
// editor at index 0, null after it.
#include <lv2/ui/ui.h>

#include "lv2/EditorUi.h"

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? korvo_lv2::EditorUi::descriptor() : nullptr;
}
