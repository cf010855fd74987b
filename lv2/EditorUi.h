// The plug-in's editor under LV2 (ui:X11UI, in the UI binary KorvoEQ_ui.so):
// the equaliser's own editor, the one every face shows (785 x 82 at 100 %),
// embedded in the host's X11 window (ui:parent). Its model is an effect of its
// own, made as every face makes it (createEffect, through FaceHost), which
// processes no audio; the editor never reaches into the DSP instance.
//
// A knob's press touches its port (ui:touch, where the host offers it), each
// value is written to the port in its unit (the host's write function, the
// plain value toPlain makes), and the release lets the port go. The host's
// port events set the model's values (storedFromPlain), which the editor shows
// at its next idle call; an event that only repeats what the model holds, or
// comes for a knob being dragged, changes nothing, so the UI's own writes
// coming back never move a knob or write again.
//
// The module runs no thread: the host's idle calls (ui:idleInterface) take
// the editor's X events and show the values. The editor's size, at the
// host's ui:scaleFactor (an option) or the size chosen from its menu, is told
// to the host (ui:resize) when the editor opens and whenever it changes.
// Every entry runs on the host's UI thread, as LV2 asks of UI functions, and
// catches whatever is thrown inside it.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>

#include "eq/Parameters.h"
#include "gui/GuiWindow.h"
#include "host/EffectBase.h"
#include "host/FaceHost.h"

namespace korvo_lv2 {

class EditorUi final : public FaceHost, private GuiWindow::Resizer {
public:
    // Any thread: the binary's one UI descriptor.
    static const LV2UI_Descriptor* descriptor();

private:
    EditorUi() = default;
    ~EditorUi();
    static EditorUi& of(LV2UI_Handle handle) { return *static_cast<EditorUi*>(handle); }

    static LV2UI_Handle instantiate(const LV2UI_Descriptor* descriptor, const char* pluginUri,
                                    const char* bundlePath, LV2UI_Write_Function writeFunction,
                                    LV2UI_Controller hostController, LV2UI_Widget* widget,
                                    const LV2_Feature* const* features);  // the host's UI thread
    static void cleanup(LV2UI_Handle handle);                             // the host's UI thread
    static void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                          const void* buffer);                            // the host's UI thread
    static const void* extensionData(const char* uri);                    // the host's UI thread
    static int idle(LV2UI_Handle handle);                                 // the host's UI thread

    // Makes the model and opens its editor in the host's window; false when
    // either cannot be had. The host's UI thread.
    bool open(const LV2_Feature* const* features, LV2UI_Widget* widget);
    GuiWindow* editor() const;
    // A port's plain value from the host, on the model.
    void receive(std::uint32_t port, float plain);

    // The model's requests, from its editor on the host's UI thread: the
    // gestures and values of the knobs.
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, float opt) override;
    void touch(VstInt32 index, bool grab);
    // The editor's size, told to the host.
    bool resizeEditor(std::int32_t width, std::int32_t height) override;

    EffectBase* effect = nullptr;
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Resize* hostResize = nullptr;  // may be null
    const LV2UI_Touch* hostTouch = nullptr;    // may be null
    std::int32_t toldWidth = 0;                // the size last told to the host
    std::int32_t toldHeight = 0;
    bool grabbed[kNumParameters] = {};  // a knob of the port is being dragged
};

}  // namespace korvo_lv2
