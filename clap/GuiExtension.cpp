#include "clap/GuiExtension.h"

#include <cmath>
#include <cstring>

#include "clap/EqInstance.h"
#include "host/EffectBase.h"

namespace korvo_clap {

const clap_plugin_gui_t GuiExtension::kGui = {
    &GuiExtension::isApiSupported, &GuiExtension::preferredApi, &GuiExtension::create,   &GuiExtension::destroy,
    &GuiExtension::setScale,       &GuiExtension::getSize,      &GuiExtension::canResize, &GuiExtension::resizeHints,
    &GuiExtension::adjustSize,     &GuiExtension::setSize,      &GuiExtension::setParent, &GuiExtension::setTransient,
    &GuiExtension::suggestTitle,   &GuiExtension::show,         &GuiExtension::hide};
const clap_plugin_timer_support_t GuiExtension::kTimerSupport = {&GuiExtension::onTimer};
const clap_plugin_posix_fd_support_t GuiExtension::kPosixFdSupport = {&GuiExtension::onFd};

namespace {

#if defined(_WIN32)
const char* const kNativeApi = CLAP_WINDOW_API_WIN32;
#else
const char* const kNativeApi = CLAP_WINDOW_API_X11;
#endif

// Nothing unwinds into the host: an entry that throws answers `failed`.
template <class Result, class Action>
Result guarded(Result failed, Action action) noexcept
{
    try {
        return action();
    } catch (...) {
        return failed;
    }
}

}  // namespace

GuiExtension& GuiExtension::of(const clap_plugin_t* plugin) { return EqInstance::of(plugin).getGui(); }

void GuiExtension::setHost(const clap_host_t* clapHost, EffectBase* owner)
{
    host = clapHost;
    effect = owner;
}

GuiWindow* GuiExtension::editor() const { return effect ? dynamic_cast<GuiWindow*>(effect->getEditor()) : nullptr; }

// ---- clap.gui ---------------------------------------------------------------------

bool GuiExtension::isApiSupported(const clap_plugin_t*, const char* api, bool isFloating)
{
    return !isFloating && api && std::strcmp(api, kNativeApi) == 0;
}

bool GuiExtension::preferredApi(const clap_plugin_t*, const char** api, bool* isFloating)
{
    if (!api || !isFloating) {
        return false;
    }
    *api = kNativeApi;
    *isFloating = false;
    return true;
}

bool GuiExtension::create(const clap_plugin_t* plugin, const char* api, bool isFloating)
{
    return guarded(false, [&] { return of(plugin).createEditor(api, isFloating); });
}

bool GuiExtension::createEditor(const char* api, bool isFloating)
{
    if (created || !isApiSupported(nullptr, api, isFloating) || !editor() || !host || !host->get_extension) {
        return false;
    }
    hostGui = static_cast<const clap_host_gui_t*>(host->get_extension(host, CLAP_EXT_GUI));
#if !defined(_WIN32)
    // Without the host's timers and descriptors nothing would call the editor.
    hostTimers = static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
    hostFds = static_cast<const clap_host_posix_fd_support_t*>(host->get_extension(host, CLAP_EXT_POSIX_FD_SUPPORT));
    if (!hostTimers || !hostTimers->register_timer || !hostTimers->unregister_timer || !hostFds ||
        !hostFds->register_fd || !hostFds->unregister_fd) {
        hostGui = nullptr;
        hostTimers = nullptr;
        hostFds = nullptr;
        return false;
    }
#endif
    created = true;
    return true;
}

void GuiExtension::destroy(const clap_plugin_t* plugin)
{
    guarded(0, [&] {
        of(plugin).destroyEditor();
        return 0;
    });
}

void GuiExtension::destroyEditor()
{
    closeWindow();
    created = false;
    hostGui = nullptr;
    hostTimers = nullptr;
    hostFds = nullptr;
}

// The host's scale for the editor's contents: the editor takes it unless the
// user chose a size from its menu (and asks the host for its size when open).
// CLAP means it for the Windows API; X11 hosts that send it get it too.
bool GuiExtension::setScale(const clap_plugin_t* plugin, double scale)
{
    return guarded(false, [&] {
        GuiWindow* window = of(plugin).editor();
        if (!of(plugin).created || !window || !(scale > 0.0) || !std::isfinite(scale)) {
            return false;
        }
        window->setHostScale(static_cast<float>(scale));
        return true;
    });
}

bool GuiExtension::size(std::uint32_t& width, std::uint32_t& height) const
{
    GuiWindow* window = editor();
    EditorRect* rect = nullptr;
    if (!created || !window || !window->getRect(&rect) || !rect) {
        return false;
    }
    width = static_cast<std::uint32_t>(rect->right - rect->left);
    height = static_cast<std::uint32_t>(rect->bottom - rect->top);
    return true;
}

bool GuiExtension::getSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height)
{
    return width && height && guarded(false, [&] { return of(plugin).size(*width, *height); });
}

// The editor has the size of its scale: the host cannot drag it to another.
bool GuiExtension::canResize(const clap_plugin_t*) { return false; }

bool GuiExtension::resizeHints(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints)
{
    std::uint32_t width = 0, height = 0;
    if (!hints || !guarded(false, [&] { return of(plugin).size(width, height); })) {
        return false;
    }
    *hints = clap_gui_resize_hints_t{false, false, true, width, height};
    return true;
}

bool GuiExtension::adjustSize(const clap_plugin_t* plugin, std::uint32_t* width, std::uint32_t* height)
{
    return getSize(plugin, width, height);
}

bool GuiExtension::setSize(const clap_plugin_t* plugin, std::uint32_t width, std::uint32_t height)
{
    std::uint32_t ownWidth = 0, ownHeight = 0;
    return getSize(plugin, &ownWidth, &ownHeight) && width == ownWidth && height == ownHeight;
}

bool GuiExtension::setParent(const clap_plugin_t* plugin, const clap_window_t* window)
{
    return guarded(false, [&] { return of(plugin).embed(window); });
}

bool GuiExtension::embed(const clap_window_t* window)
{
    GuiWindow* frame = editor();
    if (!created || open || !window || !frame || (window->api && std::strcmp(window->api, kNativeApi) != 0)) {
        return false;
    }
#if defined(_WIN32)
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->x11));
#endif
    if (!parent) {
        return false;
    }
    frame->setResizer(this);
    if (!frame->open(parent)) {
        frame->setResizer(nullptr);
        return false;
    }
    open = true;
    if (!startTicks()) {
        closeWindow();
        return false;
    }
    return true;
}

void GuiExtension::closeWindow()
{
    stopTicks();
    if (open) {
        if (GuiWindow* window = editor()) {
            window->close();
            window->setResizer(nullptr);
        }
        open = false;
    }
}

// Only for floating editors.
bool GuiExtension::setTransient(const clap_plugin_t*, const clap_window_t*) { return false; }
void GuiExtension::suggestTitle(const clap_plugin_t*, const char*) {}

// The editor shows inside the host's window, which the host shows and hides.
bool GuiExtension::show(const clap_plugin_t* plugin) { return of(plugin).created; }
bool GuiExtension::hide(const clap_plugin_t* plugin) { return of(plugin).created; }

// ---- The host's run loop -----------------------------------------------------------

bool GuiExtension::startTicks()
{
#if defined(_WIN32)
    return true;  // the editor's window timer and the system's messages
#else
    GuiWindow* frame = editor();
    const int connection = frame->getPlatform().eventDescriptor(frame->getWindow());
    if (connection >= 0 && hostFds->register_fd(host, connection, CLAP_POSIX_FD_READ)) {
        descriptor = connection;
    }
    clap_id registered = CLAP_INVALID_ID;
    if (!hostTimers->register_timer(host, GuiWindow::kRefreshMilliseconds, &registered)) {
        return false;
    }
    timer = registered;
    return true;
#endif
}

void GuiExtension::stopTicks()
{
    if (descriptor >= 0 && hostFds) {
        hostFds->unregister_fd(host, descriptor);
    }
    if (timer != CLAP_INVALID_ID && hostTimers) {
        hostTimers->unregister_timer(host, timer);
    }
    descriptor = -1;
    timer = CLAP_INVALID_ID;
}

void GuiExtension::tick()
{
    GuiWindow* window = editor();
    if (!open || !window) {
        return;
    }
    window->idle();
    // A window gone with the host's (destroyed before gui.destroy) reads no
    // more events: its connection is not watched any longer.
    if (!window->getWindow() && descriptor >= 0) {
        hostFds->unregister_fd(host, descriptor);
        descriptor = -1;
    }
}

void GuiExtension::onTimer(const clap_plugin_t* plugin, clap_id id)
{
    guarded(0, [&] {
        GuiExtension& self = of(plugin);
        if (id == self.timer && id != CLAP_INVALID_ID) {
            self.tick();
        }
        return 0;
    });
}

void GuiExtension::onFd(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t)
{
    guarded(0, [&] {
        GuiExtension& self = of(plugin);
        if (fd == self.descriptor && fd >= 0) {
            self.tick();
        }
        return 0;
    });
}

bool GuiExtension::resizeEditor(std::int32_t width, std::int32_t height)
{
    return hostGui && hostGui->request_resize && width > 0 && height > 0 &&
           hostGui->request_resize(host, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
}

}  // namespace korvo_clap
