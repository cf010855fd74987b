#include "tests/support/Lv2UiHost.h"

#include <lv2/atom/atom.h>

#include <cstring>

Lv2UiHost::Lv2UiHost(const std::string& binaryPath) : loader(std::make_unique<PluginLoader>(binaryPath))
{
    bundle = binaryPath.substr(0, binaryPath.find_last_of('/') + 1);
    if (!loader->isLoaded()) {
        message = loader->error();
        return;
    }
    using Entry = const LV2UI_Descriptor* (*)(std::uint32_t);
    const auto entry = reinterpret_cast<Entry>(loader->symbol("lv2ui_descriptor"));
    ui = entry ? entry(0) : nullptr;
    if (!ui) {
        message = "no lv2ui_descriptor, or no UI at index 0";
    }
}

Lv2UiHost::~Lv2UiHost() { cleanup(); }

std::vector<Lv2UiHost::Call> Lv2UiHost::callsOf(Call::Kind kind) const
{
    std::vector<Call> found;
    for (const Call& call : calls) {
        if (call.kind == kind) found.push_back(call);
    }
    return found;
}

bool Lv2UiHost::instantiate(unsigned long parent, float scale, bool offerTouch)
{
    scaleFactor = scale;
    options[0] = {LV2_OPTIONS_INSTANCE, 0, map(this, LV2_UI__scaleFactor), sizeof(float), map(this, LV2_ATOM__Float),
                  &scaleFactor};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent))};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature resizing{LV2_UI__resize, &resizeFeature};
    const LV2_Feature touching{LV2_UI__touch, &touchFeature};
    const LV2_Feature mapping{LV2_URID__map, &mapFeature};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
    std::vector<const LV2_Feature*> features{&parentFeature, &idleFeature, &resizing, &mapping};
    if (offerTouch) features.push_back(&touching);
    if (scale > 0.0f) features.push_back(&optionsFeature);
    features.push_back(nullptr);
    instance = ui ? ui->instantiate(ui, "https://vardle.example/plugins/korvo-eq", bundle.c_str(), &Lv2UiHost::write,
                                    this, &uiWidget, features.data())
                  : nullptr;
    return instance != nullptr;
}

int Lv2UiHost::idle()
{
    const auto* interface =
        ui && ui->extension_data ? static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface))
                                 : nullptr;
    return instance && interface ? interface->idle(instance) : 1;
}

void Lv2UiHost::portEvent(std::uint32_t port, float value)
{
    if (instance && ui->port_event) ui->port_event(instance, port, sizeof value, 0, &value);
}

void Lv2UiHost::cleanup()
{
    if (instance) ui->cleanup(instance);
    instance = nullptr;
}

void Lv2UiHost::write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer)
{
    Call call{Call::Write};
    call.port = port;
    call.size = size;
    call.format = format;
    if (buffer && size == sizeof(float)) std::memcpy(&call.value, buffer, sizeof(float));
    static_cast<Lv2UiHost*>(controller)->calls.push_back(call);
}

int Lv2UiHost::resize(LV2UI_Feature_Handle handle, int width, int height)
{
    Call call{Call::Resize};
    call.width = width;
    call.height = height;
    static_cast<Lv2UiHost*>(handle)->calls.push_back(call);
    return 0;
}

void Lv2UiHost::touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
{
    Call call{Call::Touch};
    call.port = port;
    call.grabbed = grabbed;
    static_cast<Lv2UiHost*>(handle)->calls.push_back(call);
}

LV2_URID Lv2UiHost::map(LV2_URID_Map_Handle handle, const char* uri)
{
    auto& uris = static_cast<Lv2UiHost*>(handle)->uris;
    for (std::size_t i = 0; i < uris.size(); ++i) {
        if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    }
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}
