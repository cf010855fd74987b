#include "gui/GuiWindow.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "eq/ParameterParser.h"
#include "host/EffectBaseX.h"
#include "host/ModuleInstance.h"

namespace {

std::atomic<std::int32_t> windowCount{0};

// A point packed as the window system packs it: x in the low 16 bits, y in the
// high 16 bits, each a signed 16-bit number.
GuiPoint pointFrom(std::intptr_t lParam)
{
    const auto bits = static_cast<std::uint32_t>(lParam);
    return GuiPoint{static_cast<std::int16_t>(bits & 0xFFFF), static_cast<std::int16_t>((bits >> 16) & 0xFFFF)};
}

// The named key of a virtual-key code, or Character for one the editor does not name.
GuiKey namedKey(std::uintptr_t virtualKey)
{
    switch (virtualKey) {
    case kVirtualKeyEnter: return GuiKey::Enter;
    case kVirtualKeyEscape: return GuiKey::Escape;
    case kVirtualKeyBackspace: return GuiKey::Backspace;
    case kVirtualKeyDelete: return GuiKey::Delete;
    case kVirtualKeyLeft: return GuiKey::Left;
    case kVirtualKeyRight: return GuiKey::Right;
    case kVirtualKeyHome: return GuiKey::Home;
    case kVirtualKeyEnd: return GuiKey::End;
    default: return GuiKey::Character;
    }
}

bool inside(const GuiRect& box, std::int32_t x, std::int32_t y)
{
    return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

}  // namespace

const char* const GuiWindow::kClassName = "VXGui";

GuiPlatform& GuiWindow::modulePlatform()
{
    GuiPlatform* installedPlatform = guiPlatform();
    return installedPlatform ? *installedPlatform : inertGuiPlatform();
}

GuiWindow::GuiWindow(EffectBase* owner, std::int32_t w, std::int32_t h) : GuiWindow(owner, w, h, modulePlatform()) {}

GuiWindow::GuiWindow(EffectBase* owner, std::int32_t w, std::int32_t h, GuiPlatform& on)
    : EditorBase(owner),
      rect{0, 0, static_cast<VstInt16>(h), static_cast<VstInt16>(w)},
      clientRect{0, 0, w, h},
      baseWidth(w),
      baseHeight(h),
      width(w),
      height(h),
      instance(moduleInstance),
      platform(on),
      hostWidth(w),
      hostHeight(h)
{
    if (!platform.isClassRegistered(instance, kClassName)) {
        platform.registerClass(instance, kClassName, &GuiWindow::windowProc);
    }
    ++windowCount;
}

GuiWindow::~GuiWindow()
{
    // The window first, so no message reaches the controls while they go.
    GuiWindow::close();
    for (GuiControl* control : controls) {
        delete control;
    }
    controls.clear();
    if (--windowCount < 1) {
        platform.unregisterClass(instance, kClassName);
    }
}

std::int32_t GuiWindow::liveFrames() { return windowCount.load(); }

bool GuiWindow::getRect(EditorRect** out)
{
    // Before it opens, the editor takes the size it will most likely have:
    // the host sizes its window by this.
    if (!window) {
        applyScale(wantedScale(nullptr));
    }
    hostWidth = width;
    hostHeight = height;
    if (out) {
        *out = &rect;
    }
    return true;
}

bool GuiWindow::open(void* parent)
{
    // A second open without a close replaces the first window instead of leaking it.
    if (isOpen()) {
        close();
    }
    applyScale(wantedScale(parent));
    WindowHandle created = platform.createChildWindow(instance, kClassName, parent, width, height);
    if (!created) {
        return false;
    }
    systemWindow = parent;
    window = created;
    platform.setWindowSlot(window, this);
    // The controls may be behind the effect's values by now.
    refresh();
    platform.setTimer(window, kRefreshTimer, kRefreshMilliseconds);
    platform.showWindow(window);
    // The host sized its window before the editor knew the scale of the
    // host's window.
    askHostForSize();
    return true;
}

void GuiWindow::close()
{
    // A drag in progress ends with the window: the next window starts with no
    // control holding the mouse.
    if (captureControl) {
        endDrag();
        platform.releaseCapture();
    }
    hoverControl = nullptr;
    // The menu and a field being typed in go with the window; nothing is set.
    menu.close();
    menuControl = nullptr;
    closeField();
    forgetOverlays();
    // Forgotten before it is destroyed: destroying sends messages, and the
    // host may call in again while they run.
    WindowHandle closing = window;
    window = nullptr;
    systemWindow = nullptr;
    if (closing) {
        platform.killTimer(closing, kRefreshTimer);
        platform.setWindowSlot(closing, nullptr);
        platform.destroyWindow(closing);
    }
}

void GuiWindow::forgetWindow()
{
    if (captureControl) {
        endDrag();
    }
    hoverControl = nullptr;
    menu.close();
    menuControl = nullptr;
    field.close();
    fieldControl = nullptr;
    focusTaken = false;
    forgetOverlays();
    if (window) {
        platform.setWindowSlot(window, nullptr);
        window = nullptr;
    }
    systemWindow = nullptr;
}

void GuiWindow::endDrag()
{
    GuiControl* dragged = captureControl;
    captureControl = nullptr;
    dragged->onCaptureEnd(0, 0);
}

void GuiWindow::idle()
{
    if (window && platform.isWindowThread(window)) {
        platform.pumpEvents(window);
        if (window) {  // the events may have closed it
            refresh();
        }
    }
}

bool GuiWindow::onWheel(float distance)
{
    GuiControl* target = hoverControl;
    if (!window || !target || menu.isOpen() || !(distance != 0.0f)) {
        return false;
    }
    // A fraction of a notch still turns by one; the host sends no modifier keys.
    const float whole = std::round(distance);
    const auto notches = whole == 0.0f ? 1 : static_cast<std::int32_t>(std::fabs(whole));
    const std::int32_t step = distance > 0.0f ? 1 : -1;
    fine = false;
    for (std::int32_t n = 0; n < notches && n < 100; ++n) {
        target->onWheel(step);
    }
    refresh();
    return true;
}

void GuiWindow::beginEdit(std::int32_t index)
{
    if (auto* extended = dynamic_cast<EffectBaseX*>(getEffect())) {
        extended->beginEdit(index);
    }
}

void GuiWindow::endEdit(std::int32_t index)
{
    if (auto* extended = dynamic_cast<EffectBaseX*>(getEffect())) {
        extended->endEdit(index);
    }
}

void GuiWindow::addControl(GuiControl* control)
{
    if (!control) {
        return;
    }
    control->owner = this;
    control->reportAsAutomation = true;
    controls.push_back(control);
}

GuiControl* GuiWindow::controlAt(std::int32_t x, std::int32_t y)
{
    for (GuiControl* control : controls) {
        if (control->contains(x, y)) {
            return control;
        }
    }
    return nullptr;
}

void GuiWindow::parameterChanged(std::int32_t index, float value)
{
    for (GuiControl* control : controls) {
        if (control->paramIndex == index && std::fabs(control->getValue() - value) > 0.0001f) {
            control->setValue(value, false);
        }
    }
}

void GuiWindow::syncControls()
{
    EffectBase* owner = getEffect();
    if (!owner) {
        return;
    }
    for (GuiControl* control : controls) {
        control->setValue(owner->getParameter(control->paramIndex), false);
    }
    effectShown();
}

void GuiWindow::redraw()
{
    // Only the window's own thread draws; the others leave values in the
    // effect, which the window's timer picks up.
    if (!isOpen() || !window || !platform.isWindowThread(window)) {
        return;
    }
    DeviceHandle device = platform.getDeviceContext(window);
    if (!device) {
        return;
    }
    drawDirty(device);
    updateOverlays(device);
    platform.releaseDeviceContext(window, device);
}

void GuiWindow::refresh()
{
    EffectBase* owner = getEffect();
    if (!owner) {
        return;
    }
    for (GuiControl* control : controls) {
        // The knob being dragged shows the user's value, whatever else happens
        // meanwhile; it catches up when the drag ends.
        if (control == captureControl) {
            continue;
        }
        const float value = owner->getParameter(control->paramIndex);
        const float shown = control->getValue();
        if (std::memcmp(&value, &shown, sizeof value) != 0) {
            control->setValue(value, false);
        }
    }
    effectShown();
    redraw();
}

namespace {

bool isEmpty(const GuiRect& box) { return box.left >= box.right || box.top >= box.bottom; }

bool meet(const GuiRect& a, const GuiRect& b)
{
    return !isEmpty(a) && !isEmpty(b) && a.left < b.right && b.left < a.right && a.top < b.bottom &&
           b.top < a.bottom;
}

bool operator!=(const GuiRect& a, const GuiRect& b)
{
    return a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom;
}

}  // namespace

void GuiWindow::drawDirty(DeviceHandle device)
{
    bool overDrawn = false;
    for (GuiControl* control : controls) {
        overDrawn = overDrawn || (control->dirty && (meet(control->box(), labelDrawn) || meet(control->box(), menuDrawn) ||
                                                     meet(control->box(), fieldDrawn)));
        control->paint(device, lineColour, fillColour);
    }
    // A control drawn over the label or the menu goes back under them.
    if (overDrawn) {
        forgetOverlays();
        updateOverlays(device);
    }
}

void GuiWindow::paintAll(DeviceHandle device)
{
    uncover(device, clientRect);
    forgetOverlays();
    updateOverlays(device);
}

void GuiWindow::onPaint()
{
    if (!isOpen() || !window) {
        return;
    }
    PaintRecord record;
    DeviceHandle device = platform.beginPaint(window, record);
    if (device) {
        paintAll(device);
    }
    platform.endPaint(window, record);
}

void GuiWindow::uncover(DeviceHandle device, const GuiRect& box)
{
    if (hasBackground) {
        DeviceHandle memory = platform.createCompatibleContext(device);
        if (memory) {
            GdiObject previous = platform.selectObject(memory, backgroundBitmap);
            platform.bitBlt(device, box.left, box.top, box.right - box.left, box.bottom - box.top, memory, box.left,
                            box.top, RasterOp::Copy);
            platform.selectObject(memory, previous);
            platform.deleteContext(memory);
        }
    } else {
        GdiObject brush = platform.createSolidBrush(backgroundColour);
        platform.fillRect(device, box, brush);
        platform.deleteObject(brush);
    }
    for (GuiControl* control : controls) {
        if (meet(control->box(), box)) {
            control->dirty = true;
            control->paint(device, lineColour, fillColour);
        }
    }
}

void GuiWindow::drawImage(DeviceHandle device, const BmpImage& image, std::int32_t x, std::int32_t y)
{
    BitmapHandle bitmap = platform.createBitmap(image);
    if (!bitmap) {
        return;
    }
    DeviceHandle memory = platform.createCompatibleContext(device);
    if (memory) {
        GdiObject previous = platform.selectObject(memory, bitmap);
        platform.bitBlt(device, x, y, image.width, image.height, memory, 0, 0, RasterOp::Copy);
        platform.selectObject(memory, previous);
        platform.deleteContext(memory);
    }
    platform.deleteObject(bitmap);
}

void GuiWindow::forgetOverlays()
{
    labelDrawn = GuiRect{0, 0, 0, 0};
    labelDrawnText.clear();
    menuDrawn = GuiRect{0, 0, 0, 0};
    menuDirty = true;
    fieldDrawn = GuiRect{0, 0, 0, 0};
    fieldDirty = true;
}

void GuiWindow::updateOverlays(DeviceHandle device)
{
    // The value of the knob held, else of the one under the pointer, while no
    // menu and no field is open.
    GuiControl* subject = captureControl ? captureControl : hoverControl;
    if (subject && subject->showsValue() && getEffect() && !menu.isOpen() && !field.isShown()) {
        label.place(subject->box(), valueText(subject->paramIndex), scale, width, height);
    } else {
        label.clear();
    }
    const bool labelMoved = label.box() != labelDrawn || label.text() != labelDrawnText;
    const bool menuMoved = menuDirty || menu.box() != menuDrawn;
    const bool fieldMoved = fieldDirty || field.box() != fieldDrawn;
    if (!labelMoved && !menuMoved && !fieldMoved) {
        return;
    }
    // What was drawn goes, then what stands now is drawn, the menu on top.
    const GuiRect oldLabel = labelDrawn, oldMenu = menuDrawn, oldField = fieldDrawn;
    labelDrawn = menuDrawn = fieldDrawn = GuiRect{0, 0, 0, 0};
    for (const GuiRect& old : {oldLabel, oldField, oldMenu}) {
        if (!isEmpty(old)) {
            uncover(device, old);
        }
    }
    if (label.isShown()) {
        drawImage(device, label.render(), label.box().left, label.box().top);
        labelDrawn = label.box();
        labelDrawnText = label.text();
    }
    if (field.isShown()) {
        drawImage(device, field.render(), field.box().left, field.box().top);
        fieldDrawn = field.box();
    }
    if (menu.isOpen()) {
        drawImage(device, menu.render(), menu.box().left, menu.box().top);
        menuDrawn = menu.box();
    }
    menuDirty = fieldDirty = false;
}

std::string GuiWindow::valueText(std::int32_t index)
{
    EffectBase* owner = getEffect();
    if (!owner) {
        return std::string();
    }
    char display[64] = {};
    char unit[64] = {};
    owner->getParameterDisplay(index, display);
    owner->getParameterLabel(index, unit);
    display[sizeof display - 1] = unit[sizeof unit - 1] = '\0';  // whatever the effect wrote
    std::string text(display);
    if (unit[0] != '\0') {
        text.append(" ").append(unit);
    }
    return text;
}

std::int32_t GuiWindow::scaled(std::int32_t length) const
{
    return static_cast<std::int32_t>(static_cast<float>(length) * scale + 0.5f);
}

float GuiWindow::wantedScale(WindowHandle parent)
{
    float wanted = chosenScale > 0.0f ? chosenScale : hostScale;
    if (!(wanted > 0.0f)) {
        // Asked again for each parent; before the editor opens, once.
        if (parent || !systemAsked) {
            systemScaleSeen = platform.systemScale(parent);
            systemAsked = true;
        }
        wanted = systemScaleSeen;
    }
    if (!(wanted >= kMinimumScale)) {  // NaN too
        return kMinimumScale;
    }
    return wanted > kMaximumScale ? kMaximumScale : wanted;
}

void GuiWindow::applyScale(float newScale)
{
    if (newScale == scale) {
        return;
    }
    scale = newScale;
    width = scaled(baseWidth);
    height = scaled(baseHeight);
    rect.right = static_cast<VstInt16>(width);
    rect.bottom = static_cast<VstInt16>(height);
    clientRect = GuiRect{0, 0, width, height};
    menu.close();
    menuControl = nullptr;
    closeField();
    label.clear();
    forgetOverlays();
    scaleChanged();
    if (!window) {
        return;
    }
    platform.resizeWindow(window, width, height);
    if (platform.isWindowThread(window)) {
        if (DeviceHandle device = platform.getDeviceContext(window)) {
            paintAll(device);
            platform.releaseDeviceContext(window, device);
        }
    }
    platform.invalidateRect(window, clientRect);
    askHostForSize();
}

void GuiWindow::scaleChanged() {}

void GuiWindow::askHostForSize()
{
    if (!window || (width == hostWidth && height == hostHeight)) {
        return;
    }
    // Told once: a host that refuses keeps its size, and the editor draws
    // itself whole at the new one all the same.
    hostWidth = width;
    hostHeight = height;
    if (hostResizer) {
        hostResizer->resizeEditor(width, height);
    } else if (auto* extended = dynamic_cast<EffectBaseX*>(getEffect())) {
        extended->sizeWindow(width, height);
    }
}

void GuiWindow::chooseScale(float choice)
{
    chosenScale = choice > 0.0f ? choice : 0.0f;
    applyScale(wantedScale(window ? systemWindow : nullptr));
}

void GuiWindow::setHostScale(float factor)
{
    hostScale = factor > 0.0f ? factor : 0.0f;
    applyScale(wantedScale(window ? systemWindow : nullptr));
}

void GuiWindow::systemScaleChanged()
{
    systemAsked = false;
    applyScale(wantedScale(window ? systemWindow : nullptr));
}

std::intptr_t GuiWindow::windowProc(WindowHandle handle, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam)
{
    // The slot is read from the window system that delivers the message: a
    // frame on its own platform (a software canvas) gets its messages from that
    // one, beside the module's window system.
    GuiPlatform* delivering = deliveringPlatform();
    GuiPlatform& system = delivering ? *delivering : modulePlatform();
    // Nothing may unwind into the window system.
    try {
        auto* frame = static_cast<GuiWindow*>(system.getWindowSlot(handle));
        if (frame && frame->window == handle) {
            return frame->handleMessage(message, wParam, lParam);
        }
    } catch (...) {
        return 0;
    }
    return system.defaultHandling(handle, message, wParam, lParam);
}

std::intptr_t GuiWindow::handleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    const GuiPoint point = pointFrom(lParam);
    if (message >= kMessageMouseMove && message <= kMessageMouseWheel) {
        fine = (wParam & (kKeyShift | kKeyControl)) != 0;
        // While the menu is open, the mouse is the menu's; while a value is
        // typed, a press elsewhere cancels it and does nothing else.
        if (routeMenu(message, point.x, point.y) || routeField(message, point.x, point.y)) {
            refresh();
            return 0;
        }
    }
    switch (message) {
    case kMessagePaint:
        onPaint();
        return 0;
    case kMessageMouseActivate:
        platform.setFocus(window);
        return 0;
    // After mouse input the controls take the effect's values at once, so a
    // knob's LED lights in the same message that turns the knob.
    case kMessageMouseMove:
        routeMove(point.x, point.y);
        refresh();
        return 0;
    case kMessageLeftButtonDown:
        routePress(point.x, point.y);
        refresh();
        return 0;
    case kMessageLeftButtonUp:
        routeRelease(point.x, point.y);
        refresh();
        return 0;
    case kMessageLeftButtonDoubleClick:
        routeDoubleClick(point.x, point.y);
        refresh();
        return 0;
    case kMessageMouseWheel:
        routeWheel(wParam, lParam);
        refresh();
        return 0;
    case kMessageRightButtonDown:
        routeRightPress(point.x, point.y);
        refresh();
        return 0;
    case kMessageMouseLeave:
        if (hoverControl && !captureControl) {
            hoverControl->onMouseLeave(point.x, point.y);
            hoverControl = nullptr;
        }
        refresh();
        return 0;
    case kMessageDpiChangedAfterParent:
        systemScaleChanged();
        return 0;
    case kMessageCaptureChanged:
        // Something else took the mouse (another window, a system gesture): the
        // drag is over, or the knob would go on following a pointer whose
        // button is no longer held.
        if (captureControl) {
            endDrag();
            redraw();
        }
        return 0;
    case kMessageKeyDown:
        if (namedKey(wParam) != GuiKey::Character && typeKey(namedKey(wParam), 0)) {
            return 0;
        }
        return platform.defaultHandling(window, message, wParam, lParam);
    case kMessageChar:
        // Control characters come as named keys with their key-down.
        if (wParam >= 0x20 && typeKey(GuiKey::Character, static_cast<std::uint32_t>(wParam))) {
            return 0;
        }
        return platform.defaultHandling(window, message, wParam, lParam);
    case kMessageGetDialogCode:
        // Inside a host's dialog, Enter and Escape reach the field, not the dialog.
        if (field.isEditing()) {
            constexpr std::intptr_t kWantAllKeys = 0x0004, kWantCharacters = 0x0080;
            return kWantAllKeys | kWantCharacters;
        }
        return platform.defaultHandling(window, message, wParam, lParam);
    case kMessageTimer:
        if (wParam == kRefreshTimer) {
            refresh();
            return 0;
        }
        if (wParam == kNoticeTimer) {
            platform.killTimer(window, kNoticeTimer);
            if (field.isNotice()) {
                closeField();
            }
            refresh();
            return 0;
        }
        return platform.defaultHandling(window, message, wParam, lParam);
    case kMessageDestroy:
    case kMessageNcDestroy: {
        // Destroyed by someone else (a host closing its window without asking
        // the editor to close first): the handle is dead, and may soon name
        // another window.
        WindowHandle dying = window;
        forgetWindow();
        return platform.defaultHandling(dying, message, wParam, lParam);
    }
    default:
        return platform.defaultHandling(window, message, wParam, lParam);
    }
}

void GuiWindow::routeMove(std::int32_t x, std::int32_t y)
{
    GuiControl* hit = controlAt(x, y);
    if (captureControl) {
        captureControl->onDrag(x, y);
    }
    if (hoverControl && hoverControl != hit) {
        hoverControl->onMouseLeave(x, y);
        hoverControl = nullptr;
        return;
    }
    if (hit && hit != hoverControl && (!captureControl || captureControl == hit)) {
        hit->onMouseEnter(x, y);
        hoverControl = hit;
    }
}

void GuiWindow::routePress(std::int32_t x, std::int32_t y)
{
    GuiControl* hit = controlAt(x, y);
    if (!hit) {
        return;
    }
    hit->onMouseDown(0, x, y);
    captureControl = hit;
    platform.setCapture(window);
}

void GuiWindow::routeRelease(std::int32_t x, std::int32_t y)
{
    GuiControl* hit = controlAt(x, y);
    if (hit && (!captureControl || captureControl == hit)) {
        hit->onMouseUp(0, x, y);
    }
    if (captureControl) {
        GuiControl* released = captureControl;
        captureControl = nullptr;
        released->onCaptureEnd(x, y);
        platform.releaseCapture();
    }
}

void GuiWindow::routeWheel(std::uintptr_t wParam, std::intptr_t lParam)
{
    const GuiPoint client = platform.screenToClient(window, pointFrom(lParam));
    GuiControl* hit = controlAt(client.x, client.y);
    if (hit) {
        const auto distance = static_cast<std::int16_t>((static_cast<std::uint32_t>(wParam) >> 16) & 0xFFFF);
        hit->onWheel(distance > 0 ? 1 : -1);
    }
}

void GuiWindow::routeRightPress(std::int32_t x, std::int32_t y)
{
    // A drag still held ends: the menu takes the mouse from here.
    if (captureControl) {
        endDrag();
        platform.releaseCapture();
    }
    if (hoverControl) {
        hoverControl->onMouseLeave(x, y);
        hoverControl = nullptr;
    }
    // Over a knob the menu offers its value too.
    GuiControl* hit = controlAt(x, y);
    menuControl = hit && hit->showsValue() ? hit : nullptr;
    menu.open(x, y, scale, width, height, chosenScale, menuControl != nullptr);
    menuDirty = true;
}

bool GuiWindow::routeMenu(std::uint32_t message, std::int32_t x, std::int32_t y)
{
    if (!menu.isOpen()) {
        return false;
    }
    switch (message) {
    case kMessageMouseMove:
        menuDirty = menu.hover(x, y) || menuDirty;
        return true;
    case kMessageLeftButtonDown:
    case kMessageLeftButtonDoubleClick: {
        // An item does its work; a press anywhere else only closes the menu.
        float choice = 0.0f;
        const ScaleMenu::Pick pick = menu.pickAt(x, y, choice);
        GuiControl* knob = menuControl;
        menu.close();
        menuControl = nullptr;
        menuDirty = true;
        if (pick == ScaleMenu::Pick::EnterValue) {
            openField(knob);
        } else if (pick == ScaleMenu::Pick::Reset && knob) {
            knob->onDoubleClick(x, y);  // as a double click on it
        } else if (pick == ScaleMenu::Pick::Size) {
            chooseScale(choice);
        }
        return true;
    }
    case kMessageRightButtonDown:
        return false;  // opens it again where the press was
    default:
        return true;
    }
}

void GuiWindow::routeDoubleClick(std::int32_t x, std::int32_t y)
{
    // A drag still held (a press whose release never came) ends first: its
    // gesture closes before the double click's opens.
    if (captureControl) {
        endDrag();
        platform.releaseCapture();
    }
    if (GuiControl* hit = controlAt(x, y)) {
        hit->onDoubleClick(x, y);
    }
}

bool GuiWindow::routeField(std::uint32_t message, std::int32_t x, std::int32_t y)
{
    if (!field.isEditing()) {
        return false;
    }
    switch (message) {
    case kMessageLeftButtonDown:
    case kMessageLeftButtonDoubleClick:
        if (!inside(field.box(), x, y)) {
            closeField();
        }
        return true;
    case kMessageLeftButtonUp:
        return true;  // the release of the press that opened the field
    case kMessageRightButtonDown:
        closeField();
        return false;  // and the menu opens where the press was
    default:
        return false;
    }
}

void GuiWindow::openField(GuiControl* control)
{
    if (!control || !window) {
        return;
    }
    closeField();
    fieldControl = control;
    field.open(control->box(), valueText(control->paramIndex), scale, width, height);
    fieldDirty = true;
    // The keyboard comes to the editor while the field is open.
    platform.setFocus(window);
    focusTaken = true;
}

void GuiWindow::closeField()
{
    if (!field.isShown()) {
        return;
    }
    field.close();
    fieldControl = nullptr;
    fieldDirty = true;
    if (window) {
        platform.killTimer(window, kNoticeTimer);
    }
    giveFocusBack();
}

void GuiWindow::giveFocusBack()
{
    if (focusTaken && window) {
        platform.releaseFocus(window);
    }
    focusTaken = false;
}

void GuiWindow::applyField()
{
    GuiControl* control = fieldControl;
    float normalised = 0.0f;
    std::string reason;
    // Read as korvo --set reads the parameter's values (units, or n for
    // normalised), at the effect's rate: a frequency shown held below the
    // band's limit there reads back as the knob that shows it.
    const double rate = effect ? static_cast<double>(effect->getSampleRate()) : 0.0;
    if (control && parseParameterValue(control->paramIndex, field.text(), normalised, reason, rate)) {
        closeField();
        control->enterValue(normalised);
        return;
    }
    // Refused: the reason stands for a moment, without its advice in brackets;
    // the knob keeps its value.
    fieldControl = nullptr;
    field.showNotice(reason.substr(0, reason.find(" (")));
    fieldDirty = true;
    giveFocusBack();
    platform.setTimer(window, kNoticeTimer, kNoticeMilliseconds);
}

bool GuiWindow::keyOfCharacter(std::uint32_t code, GuiKey& named, std::uint32_t& character)
{
    character = 0;
    switch (code) {
    case 0x08: named = GuiKey::Backspace; return true;
    case 0x0D: named = GuiKey::Enter; return true;
    case 0x1B: named = GuiKey::Escape; return true;
    case 0x7F: named = GuiKey::Delete; return true;
    default:
        named = GuiKey::Character;
        character = code;
        return code >= 0x20 && code < 0x7F;
    }
}

bool GuiWindow::wantsKey(GuiKey named, std::uint32_t character) const
{
    return field.wants(named, character) || (menu.isOpen() && named == GuiKey::Escape);
}

bool GuiWindow::typeKey(GuiKey named, std::uint32_t character)
{
    if (!window || !platform.isWindowThread(window)) {
        return false;
    }
    if (menu.isOpen()) {
        // Escape closes the menu; the host keeps every other key.
        if (named != GuiKey::Escape) {
            return false;
        }
        menu.close();
        menuControl = nullptr;
        menuDirty = true;
        redraw();
        return true;
    }
    switch (field.key(named, character)) {
    case ValueField::Outcome::Unused:
        return false;
    case ValueField::Outcome::Apply:
        applyField();
        break;
    case ValueField::Outcome::Cancel:
        closeField();
        break;
    case ValueField::Outcome::Edited:
    default:
        fieldDirty = true;
        break;
    }
    refresh();
    return true;
}

bool GuiWindow::onKeyDown(VstKeyCode& key)
{
    GuiKey named = GuiKey::Character;
    std::uint32_t character = 0;
    try {
        return keyOfCharacter(static_cast<std::uint32_t>(key.character), named, character) &&
               typeKey(named, character);
    } catch (...) {
        return false;
    }
}

bool GuiWindow::onKeyUp(VstKeyCode& key)
{
    GuiKey named = GuiKey::Character;
    std::uint32_t character = 0;
    return window && platform.isWindowThread(window) &&
           keyOfCharacter(static_cast<std::uint32_t>(key.character), named, character) && wantsKey(named, character);
}
