// A small LV2 UI host for the tests: the UI binary loaded as a host loads it
// (dlopen, lv2ui_descriptor), its one UI instantiated in an X11 window of the
// test's with the features a host gives an X11 UI (ui:parent, ui:idleInterface,
// ui:resize, ui:touch, urid:map and, when asked, the ui:scaleFactor option),
// driven through its idle interface and told port values; what the UI asks of
// the host is recorded in order.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/PluginLoader.h"

class Lv2UiHost {
public:
    // The UI binary at the path, from the bundle that holds it.
    explicit Lv2UiHost(const std::string& binaryPath);
    ~Lv2UiHost();

    const LV2UI_Descriptor* descriptor() const { return ui; }
    const std::string& error() const { return message; }

    // A call of the UI's: a port written (the write function: its size,
    // protocol and float) or touched (ui:touch), or a size (ui:resize).
    struct Call {
        enum Kind { Write, Touch, Resize } kind;
        std::uint32_t port = 0;
        float value = 0.0f;        // Write
        std::uint32_t size = 0;    // Write
        std::uint32_t format = 0;  // Write
        bool grabbed = false;      // Touch
        int width = 0, height = 0; // Resize
    };
    std::vector<Call> calls;
    // The calls of one kind.
    std::vector<Call> callsOf(Call::Kind kind) const;

    // Instantiates the UI for the plug-in in the X11 window `parent`, with
    // ui:touch when `offerTouch` and the scale option when `scale` > 0; false
    // when the UI gives no instance.
    bool instantiate(unsigned long parent, float scale = 0.0f, bool offerTouch = true);
    // The UI's window, as instantiate handed it.
    unsigned long widget() const { return reinterpret_cast<std::uintptr_t>(uiWidget); }
    // The UI's idle() through its idle interface: nonzero once it is closed.
    int idle();
    // The plug-in's port holds this value now (format 0, a float).
    void portEvent(std::uint32_t port, float value);
    void cleanup();

    Lv2UiHost(const Lv2UiHost&) = delete;
    Lv2UiHost& operator=(const Lv2UiHost&) = delete;

private:
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer);
    static int resize(LV2UI_Feature_Handle handle, int width, int height);
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed);
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri);

    std::unique_ptr<PluginLoader> loader;
    std::string bundle;
    std::string message;
    const LV2UI_Descriptor* ui = nullptr;
    LV2UI_Handle instance = nullptr;
    LV2UI_Widget uiWidget = nullptr;
    std::vector<std::string> uris;  // URID n is uris[n - 1]
    // The features' data, which the UI may keep for its life.
    float scaleFactor = 0.0f;
    LV2_Options_Option options[2] = {};
    LV2UI_Resize resizeFeature{this, &Lv2UiHost::resize};
    LV2UI_Touch touchFeature{this, &Lv2UiHost::touch};
    LV2_URID_Map mapFeature{this, &Lv2UiHost::map};
};
