// The editor's view: the effect's own editor (785 x 82 at 100 %, the one the
// VST 2 module shows, at the host's content scale or the user's size) in the
// host's window: an HWND on Windows, an X11 window on
// Linux, where the host's run loop drives it, calling it when its X
// connection has events and on a timer about 30 times a second. Each tick
// lets the editor take its events and show the values the host set, and ends
// the edit gestures of controls no longer held.
#pragma once

#include <atomic>

#include "gui/GuiWindow.h"
#include "vst3/interface/View.h"

namespace korvo_vst3 {

class EqInstance;

class EditorView final : public vst3::IPlugView,
                         public vst3::IPlugViewContentScaleSupport,
                         public vst3::linux_ui::IEventHandler,
                         public vst3::linux_ui::ITimerHandler,
                         private GuiWindow::Resizer {
public:
    // Holds a reference to the instance while it lives. The host's UI thread.
    explicit EditorView(EqInstance& owner);

    vst3::tresult KORVO_VST3_API queryInterface(const vst3::TUID wanted, void** object) override;  // any thread
    vst3::uint32 KORVO_VST3_API addRef() override;                                            // any thread
    vst3::uint32 KORVO_VST3_API release() override;                                           // the UI thread

    // Every other entry: the host's UI thread, the editor window's thread.
    vst3::tresult KORVO_VST3_API isPlatformTypeSupported(vst3::FIDString type) override;
    vst3::tresult KORVO_VST3_API attached(void* parent, vst3::FIDString type) override;
    vst3::tresult KORVO_VST3_API removed() override;
    vst3::tresult KORVO_VST3_API onWheel(float distance) override;
    vst3::tresult KORVO_VST3_API onKeyDown(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    vst3::tresult KORVO_VST3_API onKeyUp(vst3::char16 key, vst3::int16 keyCode, vst3::int16 modifiers) override;
    vst3::tresult KORVO_VST3_API getSize(vst3::ViewRect* size) override;
    vst3::tresult KORVO_VST3_API onSize(vst3::ViewRect* newSize) override;
    vst3::tresult KORVO_VST3_API onFocus(vst3::TBool state) override;
    vst3::tresult KORVO_VST3_API setFrame(vst3::IPlugFrame* frame) override;
    vst3::tresult KORVO_VST3_API canResize() override;
    vst3::tresult KORVO_VST3_API checkSizeConstraint(vst3::ViewRect* rect) override;
    vst3::tresult KORVO_VST3_API setContentScaleFactor(float factor) override;
    void KORVO_VST3_API onFDIsSet(vst3::linux_ui::FileDescriptor fd) override;
    void KORVO_VST3_API onTimer() override;

    // One tick: the editor's events and values, then the gestures.
    void tick();
    // The editor's new size for the host's frame (IPlugFrame::resizeView).
    bool resizeEditor(std::int32_t width, std::int32_t height) override;

    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

private:
    ~EditorView();
    GuiWindow* editor();
    void startTicks();
    void stopTicks();

    std::atomic<vst3::uint32> references{1};
    EqInstance& instance;
    vst3::IPlugFrame* frame = nullptr;                  // the host's, not counted
    vst3::linux_ui::IRunLoop* runLoop = nullptr;        // counted while attached
    bool open = false;
    bool watching = false;                              // the event handler is registered
    bool timing = false;                                // the timer is registered
    std::uintptr_t windowsTimer = 0;
};

}  // namespace korvo_vst3
