#include "vst3/EditorView.h"

#include <cstring>

#include "gui/GuiWindow.h"
#include "vst3/EqInstance.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace korvo_vst3 {

using namespace vst3;
using namespace vst3::linux_ui;

namespace {

constexpr TimerInterval kTickMilliseconds = GuiWindow::kRefreshMilliseconds;

// The editor's key for the host's: by its virtual key code, else by its character.
bool keyOf(char16 key, int16 keyCode, GuiKey& named, std::uint32_t& character)
{
    character = 0;
    switch (keyCode) {
    case KEY_BACK: named = GuiKey::Backspace; return true;
    case KEY_RETURN:
    case KEY_ENTER: named = GuiKey::Enter; return true;
    case KEY_ESCAPE: named = GuiKey::Escape; return true;
    case KEY_END: named = GuiKey::End; return true;
    case KEY_HOME: named = GuiKey::Home; return true;
    case KEY_LEFT: named = GuiKey::Left; return true;
    case KEY_RIGHT: named = GuiKey::Right; return true;
    case KEY_DELETE: named = GuiKey::Delete; return true;
    case 0: return GuiWindow::keyOfCharacter(static_cast<std::uint32_t>(key), named, character);
    default: return false;
    }
}

#if defined(_WIN32)
// The open views' thread timers; Windows calls the procedure on the thread
// that set the timer, the UI thread, which alone reads and writes this table.
struct Ticking {
    UINT_PTR timer;
    EditorView* view;
};
Ticking ticking[16];

void CALLBACK tickProcedure(HWND, UINT, UINT_PTR timer, DWORD)
{
    for (Ticking& entry : ticking) {
        if (entry.view && entry.timer == timer) {
            entry.view->tick();
        }
    }
}
#endif

}  // namespace

EditorView::EditorView(EqInstance& owner) : instance(owner) { instance.addRef(); }

EditorView::~EditorView()
{
    if (open) {
        removed();
    }
    instance.viewGone(this);
    instance.release();
}

tresult EditorView::queryInterface(const TUID wanted, void** object)
{
    if (!object) {
        return kInvalidArgument;
    }
    void* found = nullptr;
    if (sameUid(wanted, FUnknown::iid) || sameUid(wanted, IPlugView::iid)) {
        found = static_cast<IPlugView*>(this);
    } else if (sameUid(wanted, IPlugViewContentScaleSupport::iid)) {
        found = static_cast<IPlugViewContentScaleSupport*>(this);
    } else if (sameUid(wanted, IEventHandler::iid)) {
        found = static_cast<IEventHandler*>(this);
    } else if (sameUid(wanted, ITimerHandler::iid)) {
        found = static_cast<ITimerHandler*>(this);
    }
    *object = found;
    if (!found) {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

uint32 EditorView::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 EditorView::release()
{
    const uint32 left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

GuiWindow* EditorView::editor() { return dynamic_cast<GuiWindow*>(instance.getEffect().getEditor()); }

tresult EditorView::isPlatformTypeSupported(FIDString type)
{
#if defined(_WIN32)
    const char* native = kPlatformTypeHWND;
#else
    const char* native = kPlatformTypeX11EmbedWindowID;
#endif
    return type && std::strcmp(type, native) == 0 ? kResultTrue : kResultFalse;
}

tresult EditorView::attached(void* parent, FIDString type)
{
    GuiWindow* window = editor();
    if (open || !parent || !window || isPlatformTypeSupported(type) != kResultTrue) {
        return kResultFalse;
    }
    window->setResizer(this);
    if (!window->open(parent)) {
        window->setResizer(nullptr);
        return kResultFalse;
    }
    open = true;
    startTicks();
    return kResultOk;
}

tresult EditorView::removed()
{
    if (!open) {
        return kResultFalse;
    }
    stopTicks();
    if (GuiWindow* window = editor()) {
        window->close();
        window->setResizer(nullptr);
    }
    open = false;
    instance.getHostCallback().endGesturesExcept(-1);
    return kResultOk;
}

void EditorView::startTicks()
{
#if defined(_WIN32)
    for (Ticking& entry : ticking) {
        if (!entry.view) {
            windowsTimer = SetTimer(nullptr, 0, static_cast<UINT>(kTickMilliseconds), tickProcedure);
            entry = Ticking{windowsTimer, windowsTimer ? this : nullptr};
            break;
        }
    }
#else
    void* found = nullptr;
    if (frame && frame->queryInterface(IRunLoop::iid.bytes, &found) == kResultOk && found) {
        runLoop = static_cast<IRunLoop*>(found);
        const int descriptor = editor()->getPlatform().eventDescriptor(editor()->getWindow());
        watching = descriptor >= 0 && runLoop->registerEventHandler(this, descriptor) == kResultOk;
        timing = runLoop->registerTimer(this, kTickMilliseconds) == kResultOk;
    }
#endif
}

void EditorView::stopTicks()
{
#if defined(_WIN32)
    for (Ticking& entry : ticking) {
        if (entry.view == this) {
            KillTimer(nullptr, entry.timer);
            entry = Ticking{0, nullptr};
        }
    }
    windowsTimer = 0;
#else
    if (runLoop) {
        if (watching) {
            runLoop->unregisterEventHandler(this);
        }
        if (timing) {
            runLoop->unregisterTimer(this);
        }
        runLoop->release();
    }
    runLoop = nullptr;
    watching = timing = false;
#endif
}

void EditorView::tick()
{
    GuiWindow* window = editor();
    if (!open || !window) {
        return;
    }
    window->idle();
    GuiControl* held = window->getCaptureControl();
    instance.getHostCallback().endGesturesExcept(held ? held->paramIndex : -1);
}

void EditorView::onFDIsSet(FileDescriptor) { tick(); }
void EditorView::onTimer() { tick(); }

tresult EditorView::onWheel(float distance)
{
    GuiWindow* window = editor();
    return window && open && window->onWheel(distance) ? kResultTrue : kResultFalse;
}

// A key the host forwards: the editor's, when it uses it (a value being typed,
// Escape on its menu); the host keeps every other.
tresult EditorView::onKeyDown(char16 key, int16 keyCode, int16)
{
    GuiWindow* window = editor();
    GuiKey named = GuiKey::Character;
    std::uint32_t character = 0;
    try {
        return window && open && keyOf(key, keyCode, named, character) && window->typeKey(named, character)
                   ? kResultTrue
                   : kResultFalse;
    } catch (...) {
        return kResultFalse;
    }
}

tresult EditorView::onKeyUp(char16 key, int16 keyCode, int16)
{
    GuiWindow* window = editor();
    GuiKey named = GuiKey::Character;
    std::uint32_t character = 0;
    return window && open && keyOf(key, keyCode, named, character) && window->wantsKey(named, character)
               ? kResultTrue
               : kResultFalse;
}

tresult EditorView::getSize(ViewRect* size)
{
    EditorRect* rect = nullptr;
    GuiWindow* window = editor();
    if (!size || !window || !window->getRect(&rect) || !rect) {
        return kInvalidArgument;
    }
    *size = ViewRect{rect->left, rect->top, rect->right, rect->bottom};
    return kResultOk;
}

// The editor has the size of its scale: the host may only confirm it.
tresult EditorView::onSize(ViewRect* newSize)
{
    ViewRect size{};
    if (!newSize || getSize(&size) != kResultOk) {
        return kInvalidArgument;
    }
    const bool same = newSize->right - newSize->left == size.right - size.left &&
                      newSize->bottom - newSize->top == size.bottom - size.top;
    return same ? kResultOk : kResultFalse;
}

tresult EditorView::onFocus(TBool) { return kResultOk; }

tresult EditorView::setFrame(IPlugFrame* newFrame)
{
    frame = newFrame;
    return kResultOk;
}

tresult EditorView::canResize() { return kResultFalse; }

tresult EditorView::checkSizeConstraint(ViewRect* rect)
{
    ViewRect size{};
    if (!rect || getSize(&size) != kResultOk) {
        return kInvalidArgument;
    }
    rect->right = rect->left + (size.right - size.left);
    rect->bottom = rect->top + (size.bottom - size.top);
    return kResultOk;
}

// The host's scale for the view's contents: the editor takes it unless the
// user chose a size of their own, and asks the frame for the size it has then.
tresult EditorView::setContentScaleFactor(float factor)
{
    GuiWindow* window = editor();
    if (!window || !(factor > 0.0f)) {
        return kResultFalse;
    }
    window->setHostScale(factor);
    return kResultTrue;
}

bool EditorView::resizeEditor(std::int32_t width, std::int32_t height)
{
    ViewRect size{0, 0, width, height};
    return frame && frame->resizeView(this, &size) == kResultTrue;
}

}  // namespace korvo_vst3
