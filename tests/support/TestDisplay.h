// The X server the editor tests run under (xvfb-run). A server that resets
// when its last client leaves refuses new ones for a moment (run Xvfb with
// -noreset): the connection is tried again for up to two seconds.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>

#include "tests/support/CanvasEditor.h"

// Pixels of a box of a window on a 24-bit screen that differ from the canvas's
// picture of the editor, once the server has done what it was asked.
inline int differingPixels(Display* display, ::Window window, CanvasEditor& expected, const Box& box)
{
    XSync(display, False);
    XImage* image = XGetImage(display, window, box.left, box.top, static_cast<unsigned>(box.width),
                              static_cast<unsigned>(box.height), AllPlanes, ZPixmap);
    if (!image) return box.width * box.height;
    int count = 0;
    for (int y = 0; y < box.height; ++y) {
        for (int x = 0; x < box.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            count += expected.at(box.left + x, box.top + y) !=
                     static_cast<Colour>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
        }
    }
    XDestroyImage(image);
    return count;
}

// Keys through XTest, as a keyboard sends them (capitals with Shift; '\r' is
// Return, '\x1b' Escape), letting the editor take each before the next.
inline void typeThroughXTest(Display* display, const char* text, const std::function<void()>& letEditorRun)
{
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    for (const char* c = text; *c; ++c) {
        const KeySym symbol = *c == '\r' ? XK_Return : *c == ' ' ? XK_space : *c == '\x1b' ? XK_Escape
                                                                            : static_cast<KeySym>(*c);
        const bool capital = *c >= 'A' && *c <= 'Z';
        if (capital) XTestFakeKeyEvent(display, shift, True, CurrentTime);
        const KeyCode code = XKeysymToKeycode(display, symbol);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        if (capital) XTestFakeKeyEvent(display, shift, False, CurrentTime);
        XSync(display, False);
        letEditorRun();
    }
}

inline Display* openTestDisplay()
{
    Display* display = nullptr;
    for (int attempt = 0; attempt < 100 && !display; ++attempt) {
        display = XOpenDisplay(nullptr);
        if (!display) usleep(20000);
    }
    return display;
}

// The server's Xft.dpi resource (as xrdb sets it in the root window's
// RESOURCE_MANAGER) for as long as this lives; then the resources go back to
// what they were, so later tests see the server as it was.
class ServerDpi {
public:
    ServerDpi(Display* server, const std::string& dpi)
        : display(server), root(DefaultRootWindow(server)), property(XInternAtom(server, "RESOURCE_MANAGER", False))
    {
        Atom type = None;
        int format = 0;
        unsigned long length = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, root, property, 0, 1 << 20, False, XA_STRING, &type, &format, &length, &after,
                               &data) == Success && type == XA_STRING) {
            saved.emplace(reinterpret_cast<const char*>(data), length);
        }
        if (data) XFree(data);
        put("Xft.dpi:\t" + dpi + "\n");
    }
    ~ServerDpi()
    {
        if (saved) put(*saved);
        else XDeleteProperty(display, root, property);
        XSync(display, False);
    }
    ServerDpi(const ServerDpi&) = delete;
    ServerDpi& operator=(const ServerDpi&) = delete;

private:
    void put(const std::string& resources)
    {
        XChangeProperty(display, root, property, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
        XSync(display, False);
    }

    Display* display;
    ::Window root;
    Atom property;
    std::optional<std::string> saved;
};
