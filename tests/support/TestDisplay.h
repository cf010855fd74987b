// The X server the editor tests run under (xvfb-run). A server that resets
// when its last client leaves refuses new ones for a moment (run Xvfb with
// -noreset): the connection is tried again for up to two seconds.
#pragma once

#include <X11/Xlib.h>
#include <unistd.h>

inline Display* openTestDisplay()
{
    Display* display = nullptr;
    for (int attempt = 0; attempt < 100 && !display; ++attempt) {
        display = XOpenDisplay(nullptr);
        if (!display) usleep(20000);
    }
    return display;
}
