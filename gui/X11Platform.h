// The editor's window system on Linux: X11 through Xlib. The software canvas
// does all the drawing, exactly as it draws what GDI draws on Windows; this
// side gives each editor window a real X11 window inside the host's, shows
// the canvas's pixels there, and turns X events into the frame's messages.
//
// Linux hosts hand effEditOpen the X11 Window id of their parent window. Each
// editor window has a Display connection of its own, used only on the thread
// that opened it (the host's GUI thread), so the host need not call
// XInitThreads. Events are read without blocking, only when the frame asks
// (pumpEvents, from the host's effEditIdle calls): the module runs no thread.
// Xlib errors on the editor's connections are caught while the editor's own
// calls run, and then the host's error handler is put back.
#pragma once

#include <memory>

#include "gui/SoftwareCanvas.h"

class X11Platform : public SoftwareCanvas {
public:
    X11Platform();
    ~X11Platform() override;

    // The parent is the host's X11 Window id. Null when there is no X server
    // or the parent is not a window.
    WindowHandle createChildWindow(void* instance, const char* className, WindowHandle parent, std::int32_t width,
                                   std::int32_t height) override;
    void showWindow(WindowHandle window) override;     // maps and flushes; never waits for the server
    void destroyWindow(WindowHandle window) override;  // and closes the window's connection
    // Takes the keyboard (XSetInputFocus), remembering who had it.
    void setFocus(WindowHandle window) override;
    // Gives it back when the editor window still has it.
    void releaseFocus(WindowHandle window) override;
    void setCapture(WindowHandle window) override;     // a pointer grab: the drag follows the pointer anywhere
    void releaseCapture() override;
    // Drawing ends by showing what changed in the X11 window.
    void endPaint(WindowHandle window, PaintRecord& record) override;
    void releaseDeviceContext(WindowHandle window, DeviceHandle device) override;
    // The server's Xft.dpi resource (as xrdb sets it, the one desktops set for
    // their scale) over 96, to a quarter; 0 without one. Asked on a connection
    // of its own, opened and closed for the question: the parent is not read.
    float systemScale(WindowHandle parent) override;
    // The canvas window and the X11 window both; the next present puts every pixel.
    void resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height) override;
    // Timers run from pumpEvents, when they are due.
    void setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t milliseconds) override;
    void killTimer(WindowHandle window, std::uintptr_t number) override;
    // The window's events, then its timers that are due.
    void pumpEvents(WindowHandle window) override;
    int eventDescriptor(WindowHandle window) override;  // the window's own X connection
    // The X11 Window id of the editor window, for a host that embeds it by id
    // (LV2 hands the host its window); 0 when it has none. The window's thread.
    unsigned long nativeWindow(WindowHandle window);

    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

private:
    struct Links;
    std::unique_ptr<Links> links;
    void present(WindowHandle window);
};
