// The editor under CLAP (clap.gui): the equaliser's own editor, the one every
// face shows (785 x 82 at 100 %), embedded in the host's window: an X11
// window on Linux, an HWND on Windows; never floating.
//
// On Linux the host's main loop drives it: set_parent registers the editor's
// X connection with the host (posix-fd-support) and a timer of about 30 Hz
// (timer-support), and each of their calls runs one tick: the editor's
// events, then the effect's values. A host that offers either extension not
// gets no editor, as the module runs no thread and never waits. On Windows
// the editor's own window timer shows the values and the system delivers its
// input. A size chosen from the editor's menu is asked of the host
// (clap_host_gui.request_resize). The editor itself begins a knob's gesture
// at the press and ends it at the release (or as it closes); the instance's
// HostCallback carries them to the host.
#pragma once

#include <cstdint>

#include "clap/interface/HostExtensions.h"
#include "clap/interface/PluginExtensions.h"
#include "gui/GuiWindow.h"

class EffectBase;

namespace korvo_clap {

class GuiExtension final : private GuiWindow::Resizer {
public:
    // The extensions the plug-in offers for its editor.
    static const clap_plugin_gui_t kGui;
    static const clap_plugin_timer_support_t kTimerSupport;
    static const clap_plugin_posix_fd_support_t kPosixFdSupport;

    GuiExtension() = default;
    GuiExtension(const GuiExtension&) = delete;
    GuiExtension& operator=(const GuiExtension&) = delete;

    // [main-thread] The host, and the effect whose editor this shows, from
    // the plug-in's init on.
    void setHost(const clap_host_t* clapHost, EffectBase* owner);
    // [main-thread] Closes the editor and lets go of the host's run loop; the
    // host's gui.destroy, and the plug-in's destroy for a host that forgot it.
    void destroyEditor();

private:
    static GuiExtension& of(const clap_plugin_t* plugin);

    // The plug-in's clap.gui.
    static bool KORVO_CLAP_ABI isApiSupported(const clap_plugin_t* plugin, const char* api,
                                              bool isFloating);                                  // [main-thread]
    static bool KORVO_CLAP_ABI preferredApi(const clap_plugin_t* plugin, const char** api,
                                            bool* isFloating);                                   // [main-thread]
    static bool KORVO_CLAP_ABI create(const clap_plugin_t* plugin, const char* api, bool isFloating);  // [main-thread]
    static void KORVO_CLAP_ABI destroy(const clap_plugin_t* plugin);                                   // [main-thread]
    static bool KORVO_CLAP_ABI setScale(const clap_plugin_t* plugin, double scale);                    // [main-thread]
    static bool KORVO_CLAP_ABI getSize(const clap_plugin_t* plugin, std::uint32_t* width,
                                       std::uint32_t* height);                                   // [main-thread]
    static bool KORVO_CLAP_ABI canResize(const clap_plugin_t* plugin);                           // [main-thread]
    static bool KORVO_CLAP_ABI resizeHints(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);  // [main-thread]
    static bool KORVO_CLAP_ABI adjustSize(const clap_plugin_t* plugin, std::uint32_t* width,
                                          std::uint32_t* height);                                // [main-thread]
    static bool KORVO_CLAP_ABI setSize(const clap_plugin_t* plugin, std::uint32_t width,
                                       std::uint32_t height);                                    // [main-thread]
    static bool KORVO_CLAP_ABI setParent(const clap_plugin_t* plugin, const clap_window_t* window);  // [main-thread]
    static bool KORVO_CLAP_ABI setTransient(const clap_plugin_t* plugin, const clap_window_t* window);  // [main-thread]
    static void KORVO_CLAP_ABI suggestTitle(const clap_plugin_t* plugin, const char* title);     // [main-thread]
    static bool KORVO_CLAP_ABI show(const clap_plugin_t* plugin);                                // [main-thread]
    static bool KORVO_CLAP_ABI hide(const clap_plugin_t* plugin);                                // [main-thread]

    // The plug-in's clap.timer-support and clap.posix-fd-support.
    static void KORVO_CLAP_ABI onTimer(const clap_plugin_t* plugin, clap_id timer);              // [main-thread]
    static void KORVO_CLAP_ABI onFd(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);  // [main-thread]

    // The same on this instance.
    GuiWindow* editor() const;
    bool createEditor(const char* api, bool isFloating);
    bool embed(const clap_window_t* window);
    // Unregisters the ticks and closes the editor's window.
    void closeWindow();
    // The editor's size at its scale; false without an editor.
    bool size(std::uint32_t& width, std::uint32_t& height) const;
    // The host's run loop calls the editor (Linux); false when it would not.
    bool startTicks();
    void stopTicks();
    // One tick: the editor's events and values.
    void tick();
    // The editor's new size, asked of the host.
    bool resizeEditor(std::int32_t width, std::int32_t height) override;

    const clap_host_t* host = nullptr;
    EffectBase* effect = nullptr;
    const clap_host_gui_t* hostGui = nullptr;                // looked up at create; may be null
    const clap_host_timer_support_t* hostTimers = nullptr;   // looked up at create (Linux)
    const clap_host_posix_fd_support_t* hostFds = nullptr;   // looked up at create (Linux)
    bool created = false;
    bool open = false;
    clap_id timer = CLAP_INVALID_ID;  // registered with the host, or CLAP_INVALID_ID
    int descriptor = -1;              // registered with the host, or -1
};

}  // namespace korvo_clap
