#include "lv2/EditorUi.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <new>

#include "eq/EqEffect.h"
#include "gui/X11Platform.h"
#include "lv2/PortLayout.h"

namespace korvo_lv2 {

namespace {

// The data of the host's feature of this URI, or null.
const void* featureData(const LV2_Feature* const* features, const char* uri)
{
    for (; features && *features; ++features) {
        if ((*features)->URI && std::strcmp((*features)->URI, uri) == 0) {
            return (*features)->data;
        }
    }
    return nullptr;
}

// The host's ui:scaleFactor (an option of the instance, a float; its URIs
// mapped through urid:map), or 0 when it gives none.
float scaleOption(const LV2_Feature* const* features)
{
    const auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    if (!options || !map || !map->map) {
        return 0.0f;
    }
    const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (; options->key != 0 || options->value; ++options) {
        if (options->context == LV2_OPTIONS_INSTANCE && options->key == key && options->type == floatType &&
            options->size == sizeof(float) && options->value) {
            float scale = 0.0f;
            std::memcpy(&scale, options->value, sizeof scale);
            return std::isfinite(scale) && scale > 0.0f ? scale : 0.0f;
        }
    }
    return 0.0f;
}

bool isControlPort(std::uint32_t port) { return port < static_cast<std::uint32_t>(kNumParameters); }

}  // namespace

const LV2UI_Descriptor* EditorUi::descriptor()
{
    static const LV2UI_Descriptor theDescriptor = {kUiUri, &instantiate, &cleanup, &portEvent, &extensionData};
    return &theDescriptor;
}

EditorUi::~EditorUi()
{
    // The window first (a drag in progress ends with it, letting its port
    // go), then the model.
    if (GuiWindow* window = editor()) {
        window->close();
        window->setResizer(nullptr);
    }
    delete effect;
}

GuiWindow* EditorUi::editor() const { return effect ? dynamic_cast<GuiWindow*>(effect->getEditor()) : nullptr; }

// The bundle's files are the host's to read: the editor's artwork is built in.
LV2UI_Handle EditorUi::instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                                   LV2UI_Write_Function writeFunction, LV2UI_Controller hostController,
                                   LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0 || !writeFunction || !widget) {
        return nullptr;
    }
    try {
        EditorUi* ui = new (std::nothrow) EditorUi;
        if (!ui) {
            return nullptr;
        }
        ui->write = writeFunction;
        ui->controller = hostController;
        if (!ui->open(features, widget)) {
            delete ui;
            return nullptr;
        }
        return ui;
    } catch (...) {
        return nullptr;
    }
}

bool EditorUi::open(const LV2_Feature* const* features, LV2UI_Widget* widget)
{
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (!parent) {
        return false;  // an X11 editor shows only inside the host's window
    }
    hostResize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    hostTouch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    float initial[kNumParameters];
    effect = makeEffect(initial);
    GuiWindow* window = editor();
    auto* system = window ? dynamic_cast<X11Platform*>(&window->getPlatform()) : nullptr;
    if (!system) {
        return false;
    }
    if (const float scale = scaleOption(features); scale > 0.0f) {
        window->setHostScale(scale);
    }
    window->setResizer(this);
    if (!window->open(parent)) {
        window->setResizer(nullptr);
        return false;
    }
    const unsigned long id = system->nativeWindow(window->getWindow());
    if (id == 0) {
        return false;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(id));
    // The host learns the size even when it is the one it expects.
    if (window->getWidth() != toldWidth || window->getHeight() != toldHeight) {
        resizeEditor(window->getWidth(), window->getHeight());
    }
    return true;
}

void EditorUi::cleanup(LV2UI_Handle handle)
{
    try {
        delete &of(handle);
    } catch (...) {
    }
}

void EditorUi::portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                         const void* buffer)
{
    if (!handle || !buffer || format != 0 || size != sizeof(float) || !(isControlPort(port) || port == kEnabled)) {
        return;
    }
    float plain = 0.0f;
    std::memcpy(&plain, buffer, sizeof plain);
    if (port == kEnabled) {
        // The editor shows the bypass at its next idle call.
        EqEffect::of(*of(handle).effect).setBypassed(plain <= 0.0f);
        return;
    }
    try {
        of(handle).receive(port, plain);
    } catch (...) {
    }
}

void EditorUi::receive(std::uint32_t port, float plain)
{
    const auto index = static_cast<VstInt32>(port);
    if (!std::isfinite(plain) || grabbed[index]) {
        return;  // the knob held shows the user's value
    }
    // Already the model's value (the UI's own write coming back, say): the
    // model keeps the value the knob set.
    if (toPlain(index, effect->getParameter(index)) == plain) {
        return;
    }
    effect->setParameter(index, storedFromPlain(index, plain));
}

const void* EditorUi::extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {&idle};
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface : nullptr;
}

// Nonzero once the editor's window is gone (destroyed with the host's).
int EditorUi::idle(LV2UI_Handle handle)
{
    try {
        GuiWindow* window = handle ? of(handle).editor() : nullptr;
        if (!window || !window->getWindow()) {
            return 1;
        }
        window->idle();
        return window->getWindow() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

VstIntPtr EditorUi::answer(VstInt32 opcode, VstInt32 index, float opt)
{
    if (index < 0 || index >= kNumParameters) {
        return 0;
    }
    switch (opcode) {
    case audioMasterBeginEdit:
        touch(index, true);
        return 1;
    case audioMasterAutomate: {
        const float plain = toPlain(index, opt);
        write(controller, static_cast<std::uint32_t>(index), sizeof plain, 0, &plain);
        return 1;
    }
    case audioMasterEndEdit:
        touch(index, false);
        return 1;
    default:
        return 0;
    }
}

void EditorUi::touch(VstInt32 index, bool grab)
{
    grabbed[index] = grab;
    if (hostTouch && hostTouch->touch) {
        hostTouch->touch(hostTouch->handle, static_cast<std::uint32_t>(index), grab);
    }
}

bool EditorUi::resizeEditor(std::int32_t width, std::int32_t height)
{
    toldWidth = width;
    toldHeight = height;
    return hostResize && hostResize->ui_resize && width > 0 && height > 0 &&
           hostResize->ui_resize(hostResize->handle, width, height) == 0;
}

}  // namespace korvo_lv2
