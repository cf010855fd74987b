#include "gui/X11Platform.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A timer of the window's, run from pumpEvents.
struct Timer {
    std::uintptr_t number;
    Clock::duration period;
    Clock::time_point due;
};

// One editor window's X11 side.
struct Link {
    Display* display = nullptr;
    ::Window window = 0;
    WindowHandle stand = nullptr;  // the canvas window standing for the host's parent
    GC gc = nullptr;
    int width = 0;
    int height = 0;
    unsigned long redMask = 0, greenMask = 0, blueMask = 0;
    std::vector<unsigned char> shown;  // the canvas pixels last put on the screen
    std::vector<std::uint32_t> image;  // staging for XPutImage
    bool grabbed = false;
    // Who had the keyboard before setFocus took it for a value being typed.
    ::Window focusBefore = None;
    bool focusHeld = false;
    std::vector<Timer> timers;
    bool gone = false;  // destroyed by the host with its parent
    // The last first-button press, for telling a double click.
    Time lastPress = 0;
    int lastPressX = -1000, lastPressY = -1000;
};

// Two first-button presses this close in time and place make a double click,
// as the Windows default has them.
constexpr Time kDoubleClickMilliseconds = 500;
constexpr int kDoubleClickPixels = 4;

// The keys held with a pointer event, as the frame reads them from a mouse message.
std::uintptr_t heldKeys(unsigned int state)
{
    return ((state & ShiftMask) ? kKeyShift : 0u) | ((state & ControlMask) ? kKeyControl : 0u);
}

// A key press as the frame's messages: a named key as kMessageKeyDown with
// its virtual-key code, a printable character as kMessageChar.
void sendKey(SoftwareCanvas& canvas, WindowHandle window, XKeyEvent& press)
{
    char text[8] = {};
    KeySym symbol = NoSymbol;
    const int length = XLookupString(&press, text, sizeof text, &symbol, nullptr);
    std::uintptr_t virtualKey = 0;
    switch (symbol) {
    case XK_Return: case XK_KP_Enter: virtualKey = kVirtualKeyEnter; break;
    case XK_Escape: virtualKey = kVirtualKeyEscape; break;
    case XK_BackSpace: virtualKey = kVirtualKeyBackspace; break;
    case XK_Delete: case XK_KP_Delete: virtualKey = kVirtualKeyDelete; break;
    case XK_Left: case XK_KP_Left: virtualKey = kVirtualKeyLeft; break;
    case XK_Right: case XK_KP_Right: virtualKey = kVirtualKeyRight; break;
    case XK_Home: case XK_KP_Home: virtualKey = kVirtualKeyHome; break;
    case XK_End: case XK_KP_End: virtualKey = kVirtualKeyEnd; break;
    default: break;
    }
    if (virtualKey != 0) {
        canvas.sendMessage(window, kMessageKeyDown, virtualKey, 0);
    } else if (length == 1 && static_cast<unsigned char>(text[0]) >= 0x20 && static_cast<unsigned char>(text[0]) < 0x7F) {
        canvas.sendMessage(window, kMessageChar, static_cast<unsigned char>(text[0]), 0);
    }
}

// The editor's connections, whose errors are the editor's to swallow; the
// handler that was there before gets every other error.
std::vector<Display*> ownDisplays;
XErrorHandler previousHandler = nullptr;
int trapDepth = 0;

bool isOwn(Display* display)
{
    for (Display* own : ownDisplays) {
        if (own == display) {
            return true;
        }
    }
    return false;
}

int swallowOwnErrors(Display* display, XErrorEvent* error)
{
    if (isOwn(display)) {
        return 0;  // a window the host destroyed under us, a focus it would not give: nothing to do
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

// While the editor's own Xlib calls run. On the way out, what the server
// answered is read (so no error of ours arrives later) and the host's handler
// goes back.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : sync(display)
    {
        if (trapDepth++ == 0) {
            previousHandler = XSetErrorHandler(swallowOwnErrors);
        }
    }
    ~ErrorTrap()
    {
        if (sync) {
            XSync(sync, False);
        }
        if (--trapDepth == 0) {
            XSetErrorHandler(previousHandler);
            previousHandler = nullptr;
        }
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

private:
    Display* sync;
};

// A connection of the editor's own, its errors swallowed while its calls run;
// null when there is no X server.
Display* openOwnDisplay()
{
    // The X server, found as every X client finds it.
    Display* display = XOpenDisplay(nullptr);
    if (display) {
        ownDisplays.push_back(display);
    }
    return display;
}

void closeOwnDisplay(Display* display)
{
    {
        ErrorTrap trap(nullptr);  // closing reads what is still queued
        XCloseDisplay(display);
    }
    ownDisplays.erase(std::remove(ownDisplays.begin(), ownDisplays.end(), display), ownDisplays.end());
}

// The text without its leading blanks.
std::string_view skipBlanks(std::string_view text)
{
    return text.substr(std::min(text.find_first_not_of(" \t"), text.size()));
}

// The scale in the server's resources, as xrdb writes them: lines of
// "name:<tab>value", among them "Xft.dpi:\t144". The dots per inch over 96, to
// the nearest quarter; 0 when there is no such line or its value is no
// positive number. Read without the locale, whose decimal point may be a comma.
float scaleFromResources(const char* resources)
{
    constexpr std::string_view kName = "Xft.dpi";
    std::string_view rest = resources ? resources : "";
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = skipBlanks(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (line.substr(0, kName.size()) != kName) {
            continue;
        }
        line = skipBlanks(line.substr(kName.size()));
        if (line.empty() || line.front() != ':') {
            continue;
        }
        line = skipBlanks(line.substr(1));
        double dpi = 0.0;
        const auto read = std::from_chars(line.data(), line.data() + line.size(), dpi);
        if (read.ec != std::errc{} || !skipBlanks(line.substr(static_cast<std::size_t>(read.ptr - line.data()))).empty() ||
            !std::isfinite(dpi) || !(dpi > 0.0)) {
            return 0.0f;
        }
        return static_cast<float>(std::round(dpi / 96.0 * 4.0) / 4.0);
    }
    return 0.0f;
}

int shiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

struct X11Platform::Links {
    std::map<WindowHandle, Link> byWindow;
    WindowHandle grabbing = nullptr;

    Link* find(WindowHandle window)
    {
        auto found = byWindow.find(window);
        return found == byWindow.end() ? nullptr : &found->second;
    }
};

X11Platform::X11Platform() : links(std::make_unique<Links>()) {}

X11Platform::~X11Platform()
{
    while (!links->byWindow.empty()) {
        destroyWindow(links->byWindow.begin()->first);
    }
}

#if !defined(_WIN32)
GuiPlatform* defaultGuiPlatform()
{
    static X11Platform platform;
    return &platform;
}
#endif

WindowHandle X11Platform::createChildWindow(void* instance, const char* className, WindowHandle parent,
                                            std::int32_t width, std::int32_t height)
{
    const auto parentWindow = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(parent));
    if (parentWindow == 0 || width < 1 || height < 1) {
        return nullptr;
    }
    Display* display = openOwnDisplay();
    if (!display) {
        return nullptr;
    }
    Link link;
    link.display = display;
    link.width = width;
    link.height = height;
    {
        ErrorTrap trap(display);
        XWindowAttributes parentAttributes{};
        if (XGetWindowAttributes(display, parentWindow, &parentAttributes)) {
            const int screen = DefaultScreen(display);
            Visual* visual = DefaultVisual(display, screen);
            link.redMask = visual->red_mask;
            link.greenMask = visual->green_mask;
            link.blueMask = visual->blue_mask;
            XSetWindowAttributes attributes{};
            attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                    LeaveWindowMask | StructureNotifyMask | KeyPressMask;
            attributes.background_pixel = BlackPixel(display, screen);
            link.window = XCreateWindow(display, parentWindow, 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                        CopyFromParent, CWEventMask | CWBackPixel, &attributes);
        }
    }
    WindowHandle created = nullptr;
    if (link.window != 0) {
        link.stand = createTopLevelWindow(width, height, 0, 0);
        created = link.stand ? SoftwareCanvas::createChildWindow(instance, className, link.stand, width, height)
                             : nullptr;
    }
    if (!created) {
        {
            ErrorTrap trap(display);
            if (link.window != 0) {
                XDestroyWindow(display, link.window);
            }
        }
        if (link.stand) {
            SoftwareCanvas::destroyWindow(link.stand);
        }
        closeOwnDisplay(display);
        return nullptr;
    }
    {
        ErrorTrap trap(display);
        link.gc = XCreateGC(display, link.window, 0, nullptr);
    }
    link.image.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    links->byWindow[created] = std::move(link);
    return created;
}

void X11Platform::showWindow(WindowHandle window)
{
    SoftwareCanvas::showWindow(window);
    if (Link* link = links->find(window); link && !link->gone) {
        // No round trip: some hosts map their own window only after this returns.
        XMapWindow(link->display, link->window);
        XFlush(link->display);
    }
}

void X11Platform::destroyWindow(WindowHandle window)
{
    Link* link = links->find(window);
    if (!link) {
        SoftwareCanvas::destroyWindow(window);
        return;
    }
    Link closing = std::move(*link);
    links->byWindow.erase(window);
    if (links->grabbing == window) {
        links->grabbing = nullptr;
    }
    SoftwareCanvas::destroyWindow(window);
    SoftwareCanvas::destroyWindow(closing.stand);
    {
        ErrorTrap trap(closing.display);
        if (closing.gc) {
            XFreeGC(closing.display, closing.gc);
        }
        if (!closing.gone) {
            XDestroyWindow(closing.display, closing.window);
        }
    }
    closeOwnDisplay(closing.display);
}

float X11Platform::systemScale(WindowHandle)
{
    // Xlib read the resources from the root window as the connection opened;
    // the question costs no further request.
    Display* display = openOwnDisplay();
    if (!display) {
        return 0.0f;
    }
    const float scale = scaleFromResources(XResourceManagerString(display));
    closeOwnDisplay(display);
    return scale;
}

void X11Platform::setFocus(WindowHandle window)
{
    SoftwareCanvas::setFocus(window);
    if (Link* link = links->find(window); link && !link->gone) {
        ErrorTrap trap(link->display);  // refused while the window is not viewable
        ::Window before = None;
        int revert = 0;
        XGetInputFocus(link->display, &before, &revert);
        if (before != link->window) {
            link->focusBefore = before;
        }
        link->focusHeld = true;
        XSetInputFocus(link->display, link->window, RevertToParent, CurrentTime);
    }
}

void X11Platform::releaseFocus(WindowHandle window)
{
    Link* link = links->find(window);
    if (!link || link->gone || !link->focusHeld) {
        return;
    }
    link->focusHeld = false;
    ErrorTrap trap(link->display);  // the window that had it may be gone
    ::Window now = None;
    int revert = 0;
    XGetInputFocus(link->display, &now, &revert);
    if (now == link->window && link->focusBefore != None) {
        XSetInputFocus(link->display, link->focusBefore, RevertToParent, CurrentTime);
    }
    link->focusBefore = None;
}

void X11Platform::setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t milliseconds)
{
    SoftwareCanvas::setTimer(window, number, milliseconds);
    if (Link* link = links->find(window)) {
        killTimer(window, number);
        const Clock::duration period = std::chrono::milliseconds(milliseconds);
        link->timers.push_back(Timer{number, period, Clock::now() + period});
    }
}

void X11Platform::killTimer(WindowHandle window, std::uintptr_t number)
{
    SoftwareCanvas::killTimer(window, number);
    if (Link* link = links->find(window)) {
        link->timers.erase(std::remove_if(link->timers.begin(), link->timers.end(),
                                          [number](const Timer& timer) { return timer.number == number; }),
                           link->timers.end());
    }
}

void X11Platform::setCapture(WindowHandle window)
{
    SoftwareCanvas::setCapture(window);
    if (Link* link = links->find(window); link && !link->gone) {
        ErrorTrap trap(link->display);
        link->grabbed = XGrabPointer(link->display, link->window, False,
                                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                     GrabModeAsync, 0, 0, CurrentTime) == GrabSuccess;
        links->grabbing = window;
    }
}

void X11Platform::releaseCapture()
{
    SoftwareCanvas::releaseCapture();
    if (Link* link = links->find(links->grabbing)) {
        if (link->grabbed && !link->gone) {
            ErrorTrap trap(link->display);
            XUngrabPointer(link->display, CurrentTime);
        }
        link->grabbed = false;
    }
    links->grabbing = nullptr;
}

void X11Platform::resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height)
{
    Link* link = links->find(window);
    if (!link || width < 1 || height < 1) {
        SoftwareCanvas::resizeWindow(window, width, height);
        return;
    }
    SoftwareCanvas::resizeWindow(link->stand, width, height);
    SoftwareCanvas::resizeWindow(window, width, height);
    link->width = width;
    link->height = height;
    link->image.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    link->shown.clear();
    if (!link->gone) {
        ErrorTrap trap(link->display);
        XResizeWindow(link->display, link->window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    }
}

void X11Platform::endPaint(WindowHandle window, PaintRecord& record)
{
    SoftwareCanvas::endPaint(window, record);
    present(window);
}

void X11Platform::releaseDeviceContext(WindowHandle window, DeviceHandle device)
{
    SoftwareCanvas::releaseDeviceContext(window, device);
    present(window);
}

// Puts the rectangle of pixels that changed since the last time on the screen.
void X11Platform::present(WindowHandle window)
{
    Link* link = links->find(window);
    if (!link || link->gone) {
        return;
    }
    const std::vector<unsigned char> pixels = windowPixels(window);
    const int w = link->width, h = link->height;
    if (pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3u) {
        return;
    }
    int left = w, top = h, right = -1, bottom = -1;
    const bool first = link->shown.size() != pixels.size();
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 3u];
        const unsigned char* old = first ? nullptr : &link->shown[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) * 3u];
        for (int x = 0; x < w; ++x) {
            if (first || std::memcmp(row + 3 * x, old + 3 * x, 3) != 0) {
                left = x < left ? x : left;
                right = x > right ? x : right;
                top = y < top ? y : top;
                bottom = y;
            }
        }
    }
    if (right < 0) {
        return;
    }
    link->shown = pixels;
    const int rs = shiftOf(link->redMask), gs = shiftOf(link->greenMask), bs = shiftOf(link->blueMask);
    const int cw = right - left + 1, ch = bottom - top + 1;
    for (int y = 0; y < ch; ++y) {
        for (int x = 0; x < cw; ++x) {
            const unsigned char* p =
                &pixels[(static_cast<std::size_t>(top + y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(left + x)) * 3u];
            link->image[static_cast<std::size_t>(y) * static_cast<std::size_t>(cw) + static_cast<std::size_t>(x)] =
                (static_cast<std::uint32_t>(p[2]) << rs) | (static_cast<std::uint32_t>(p[1]) << gs) |
                (static_cast<std::uint32_t>(p[0]) << bs);
        }
    }
    ErrorTrap trap(nullptr);
    const int screen = DefaultScreen(link->display);
    XImage* image = XCreateImage(link->display, DefaultVisual(link->display, screen),
                                 static_cast<unsigned>(DefaultDepth(link->display, screen)), ZPixmap, 0,
                                 reinterpret_cast<char*>(link->image.data()), static_cast<unsigned>(cw),
                                 static_cast<unsigned>(ch), 32, cw * 4);
    if (image) {
        image->byte_order = LSBFirst;
        XPutImage(link->display, link->window, link->gc, image, 0, 0, left, top, static_cast<unsigned>(cw),
                  static_cast<unsigned>(ch));
        image->data = nullptr;  // the pixels are the link's
        XDestroyImage(image);
        XFlush(link->display);
    }
}

int X11Platform::eventDescriptor(WindowHandle window)
{
    Link* link = links->find(window);
    return link && !link->gone && link->display ? ConnectionNumber(link->display) : -1;
}

unsigned long X11Platform::nativeWindow(WindowHandle window)
{
    Link* link = links->find(window);
    return link && !link->gone ? link->window : 0;
}

void X11Platform::pumpEvents(WindowHandle window)
{
    Link* link = links->find(window);
    if (!link || link->gone) {
        return;
    }
    Display* display = link->display;
    bool destroyed = false;
    {
        ErrorTrap trap(nullptr);
        while (!destroyed && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) {
                    link->shown.clear();  // the screen lost what was shown: everything again
                    sendMessage(window, kMessagePaint, 0, 0);
                }
                break;
            case ButtonPress:
                if (event.xbutton.button == Button1) {
                    const XButtonEvent& press = event.xbutton;
                    const bool second = link->lastPress != 0 && press.time - link->lastPress <= kDoubleClickMilliseconds &&
                                        std::abs(press.x - link->lastPressX) <= kDoubleClickPixels &&
                                        std::abs(press.y - link->lastPressY) <= kDoubleClickPixels;
                    // A third press starts the count again.
                    link->lastPress = second ? 0 : press.time;
                    link->lastPressX = press.x;
                    link->lastPressY = press.y;
                    // No activation: a click takes no keyboard focus from the host;
                    // the editor asks for it only while a value is typed.
                    sendMessage(window, second ? kMessageLeftButtonDoubleClick : kMessageLeftButtonDown,
                                heldKeys(press.state), pointParam(press.x, press.y));
                } else if (event.xbutton.button == Button3) {
                    sendMessage(window, kMessageRightButtonDown, heldKeys(event.xbutton.state),
                                pointParam(event.xbutton.x, event.xbutton.y));
                } else if (event.xbutton.button == Button4 || event.xbutton.button == Button5) {
                    // The canvas's windows sit at the screen's origin, so client points are screen points here.
                    sendMessage(window, kMessageMouseWheel,
                                wheelParam(event.xbutton.button == Button4 ? 120 : -120) | heldKeys(event.xbutton.state),
                                pointParam(event.xbutton.x, event.xbutton.y));
                }
                break;
            case ButtonRelease:
                if (event.xbutton.button == Button1 || event.xbutton.button == Button3) {
                    sendMessage(window, event.xbutton.button == Button1 ? kMessageLeftButtonUp : kMessageRightButtonUp,
                                heldKeys(event.xbutton.state), pointParam(event.xbutton.x, event.xbutton.y));
                }
                break;
            case KeyPress:
                sendKey(*this, window, event.xkey);
                break;
            case MotionNotify:
                sendMessage(window, kMessageMouseMove, heldKeys(event.xmotion.state),
                            pointParam(event.xmotion.x, event.xmotion.y));
                break;
            case LeaveNotify:
                if (event.xcrossing.mode == NotifyNormal) {
                    sendMessage(window, kMessageMouseMove, heldKeys(event.xcrossing.state),
                                pointParam(event.xcrossing.x, event.xcrossing.y));
                    sendMessage(window, kMessageMouseLeave, 0, pointParam(event.xcrossing.x, event.xcrossing.y));
                }
                break;
            case DestroyNotify:
                destroyed = event.xdestroywindow.window == link->window;
                break;
            default:
                break;
            }
            link = links->find(window);  // a message may have closed the window
            if (!link) {
                return;
            }
        }
    }
    if (destroyed) {
        // The host destroyed its window, and ours with it: the frame forgets
        // it, and its connection closes.
        link->gone = true;
        sendMessage(window, kMessageDestroy, 0, 0);
        sendMessage(window, kMessageNcDestroy, 0, 0);
        destroyWindow(window);
        return;
    }
    // The timers that are due, each once however late.
    const Clock::time_point now = Clock::now();
    std::uintptr_t due[8];
    std::size_t count = 0;
    for (Timer& timer : link->timers) {
        if (timer.due <= now && count < sizeof due / sizeof due[0]) {
            due[count++] = timer.number;
            timer.due = now + timer.period;
        }
    }
    for (std::size_t k = 0; k < count && links->find(window); ++k) {
        sendMessage(window, kMessageTimer, due[k], 0);
    }
}
