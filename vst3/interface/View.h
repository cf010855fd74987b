// The editor's view in a host's window, the frame the host wraps it in, and on
// Linux the host's run loop, which calls the view back on the host's UI
// thread when the view's descriptor is ready and on its timers.
#pragma once

#include "vst3/interface/Base.h"

namespace vst3 {

struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};
static_assert(sizeof(ViewRect) == 16, "view rectangle layout");

constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

// The virtual key codes of onKeyDown and onKeyUp that the editor reads; a
// key without one comes as its character, with key code 0.
enum VirtualKeyCodes : int16 {
    KEY_BACK = 1,
    KEY_RETURN = 4,
    KEY_ESCAPE = 6,
    KEY_END = 9,
    KEY_HOME = 10,
    KEY_LEFT = 11,
    KEY_RIGHT = 13,
    KEY_ENTER = 19,
    KEY_DELETE = 22,
};

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    virtual tresult KORVO_VST3_API isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult KORVO_VST3_API attached(void* parent, FIDString type) = 0;
    virtual tresult KORVO_VST3_API removed() = 0;
    virtual tresult KORVO_VST3_API onWheel(float distance) = 0;
    virtual tresult KORVO_VST3_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult KORVO_VST3_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult KORVO_VST3_API getSize(ViewRect* size) = 0;
    virtual tresult KORVO_VST3_API onSize(ViewRect* newSize) = 0;
    virtual tresult KORVO_VST3_API onFocus(TBool state) = 0;
    virtual tresult KORVO_VST3_API setFrame(IPlugFrame* frame) = 0;
    virtual tresult KORVO_VST3_API canResize() = 0;
    virtual tresult KORVO_VST3_API checkSizeConstraint(ViewRect* rect) = 0;
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
};

class IPlugFrame : public FUnknown {
public:
    virtual tresult KORVO_VST3_API resizeView(IPlugView* view, ViewRect* newSize) = 0;
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
};

class IPlugViewContentScaleSupport : public FUnknown {
public:
    virtual tresult KORVO_VST3_API setContentScaleFactor(float factor) = 0;
    static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
};

namespace linux_ui {

using TimerInterval = uint64;
using FileDescriptor = int;

class IEventHandler : public FUnknown {
public:
    virtual void KORVO_VST3_API onFDIsSet(FileDescriptor fd) = 0;
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
};

class ITimerHandler : public FUnknown {
public:
    virtual void KORVO_VST3_API onTimer() = 0;
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
};

class IRunLoop : public FUnknown {
public:
    virtual tresult KORVO_VST3_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult KORVO_VST3_API unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult KORVO_VST3_API registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult KORVO_VST3_API unregisterTimer(ITimerHandler* handler) = 0;
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
};

}  // namespace linux_ui

}  // namespace vst3
