// The software canvas: every GuiPlatform operation on in-memory 24-bit surfaces,
// drawing exactly what the Windows module's GDI calls draw. It is the Linux
// editor's drawing engine (gui/X11Platform.h presents its pixels), it renders
// snapshots of the editor, and tests install it with setGuiPlatform to run the
// editor without a window system (tests/support/TestCanvas.h looks inside).
//
// What it models, as the Windows module's USER and GDI calls behave:
// - Surfaces hold pixels as blue, green, red bytes, rows top to bottom, like a
//   24-bit DIB. bitBlt with Copy, And and Or sets, ANDs and ORs those bytes
//   (SRCCOPY, SRCAND, SRCPAINT), clipped to both surfaces; a blit within one
//   surface reads the source as it was before the blit. fillRect fills
//   [left, right) x [top, bottom). ellipse fills the inside with the selected
//   brush and draws a 1-pixel outline with the selected pen, within
//   [left, right) x [top, bottom).
// - A memory context starts with a shared 1 x 1 stock bitmap, a stock black pen
//   and a stock white brush selected; window contexts (getDeviceContext,
//   beginPaint) draw on the window's own surface and start with the same pen and
//   brush. selectObject answers the previous object of the same kind. A bitmap
//   goes only into a memory context, and into one at a time (a second context
//   gets null). An object still selected into a context is not deleted by
//   deleteObject (it stays alive and counts in liveObjects), nor is a stock one.
// - Handles are opaque values that are never reused, so a stale handle cannot
//   reach a newer object. Every operation checks its handles: a null, dead or
//   wrong kind of handle does nothing and yields null, false, 0 or {0, 0}.
// - Window classes are kept per (instance, name), names compared without regard
//   to ASCII case. registerClass keeps an existing registration; unregisterClass
//   is refused while a window of the class lives.
// - A child window needs a live parent and a registered class; it starts hidden
//   at 0, 0 of its parent, so its screen origin is the parent's. Destroying a
//   window destroys its descendants and drops capture and focus that they held;
//   each gets kMessageDestroy (parents first), then kMessageNcDestroy
//   (children first), before it dies.
//   Window surfaces start as kUndrawnColour.
// - beginPaint clears the window's invalid area but does not clip to it.
//
// Every operation takes an internal lock, so the canvas may be used from several
// threads; the lock is not held while a window procedure runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/GuiPlatform.h"

class SoftwareCanvas : public GuiPlatform {
public:
    // Every window pixel that nothing has drawn yet: magenta, so it shows.
    static constexpr Colour kUndrawnColour = 0x00FF00FF;
    // Answered by pixel() and bitmapPixel() for a dead handle or a point off the
    // surface; no drawn pixel has this value, since colours have a zero top byte.
    static constexpr Colour kNoPixel = 0xFFFFFFFFu;

    SoftwareCanvas();
    ~SoftwareCanvas() override;
    SoftwareCanvas(const SoftwareCanvas&) = delete;
    SoftwareCanvas& operator=(const SoftwareCanvas&) = delete;

    bool isClassRegistered(void* instance, const char* className) override;
    void registerClass(void* instance, const char* className, WindowProcedure procedure) override;
    void unregisterClass(void* instance, const char* className) override;

    WindowHandle createChildWindow(void* instance, const char* className, WindowHandle parent, std::int32_t width,
                                   std::int32_t height) override;
    void showWindow(WindowHandle window) override;
    void destroyWindow(WindowHandle window) override;
    void setWindowSlot(WindowHandle window, void* value) override;
    void* getWindowSlot(WindowHandle window) override;
    // Paint clears the invalid area and answers 0; mouse activation answers 1
    // (activate); everything else answers 0.
    std::intptr_t defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;
    void setFocus(WindowHandle window) override;  // null takes the focus away
    void setCapture(WindowHandle window) override;
    void releaseCapture() override;
    // A dead window leaves the point unchanged.
    GuiPoint screenToClient(WindowHandle window, GuiPoint point) override;
    // Adds the part of rect inside the window to its invalid area.
    void invalidateRect(WindowHandle window, const GuiRect& rect) override;
    bool isWindowThread(WindowHandle window) override;
    // Timers are kept, not run (the Linux editor refreshes from effEditIdle;
    // tests deliver them with TestCanvas::fireTimers).
    void setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t milliseconds) override;
    void killTimer(WindowHandle window, std::uintptr_t number) override;

    DeviceHandle beginPaint(WindowHandle window, PaintRecord& record) override;
    void endPaint(WindowHandle window, PaintRecord& record) override;
    DeviceHandle getDeviceContext(WindowHandle window) override;
    void releaseDeviceContext(WindowHandle window, DeviceHandle device) override;
    // Null or any live context as the model; a memory context holding the stock bitmap.
    DeviceHandle createCompatibleContext(DeviceHandle device) override;
    void deleteContext(DeviceHandle device) override;  // memory contexts only
    GdiObject selectObject(DeviceHandle device, GdiObject object) override;

    BitmapSize bitmapSize(BitmapHandle bitmap) override;
    // Nothing for a width or height below 1.
    void bitBlt(DeviceHandle target, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                DeviceHandle source, std::int32_t sourceX, std::int32_t sourceY, RasterOp operation) override;
    GdiObject createSolidBrush(Colour colour) override;  // the top byte of colour is ignored
    void fillRect(DeviceHandle device, const GuiRect& rect, GdiObject brush) override;
    GdiObject createPen(Colour colour) override;
    void ellipse(DeviceHandle device, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
    void deleteObject(GdiObject object) override;

    // Decodes the BMP file that findEmbeddedBitmap (gui/EmbeddedBitmaps.h) holds
    // for the number; null when there is none or it does not decode. The
    // instance is not checked: the canvas serves one module.
    BitmapHandle loadBitmap(void* instance, std::int32_t resourceId) override;
    bool loadImage(void* instance, std::int32_t resourceId, BmpImage& image) override;
    BitmapHandle createBitmap(const BmpImage& image) override;
    // Keeps the pixels that still fit; the rest is undrawn until the next paint.
    void resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height) override;

    // ---- For the window systems that present the canvas, and for snapshots ----

    // A window standing for the host's: no class, visible, its origin at
    // screenX, screenY. Null for a negative or oversized size.
    WindowHandle createTopLevelWindow(std::int32_t width, std::int32_t height, std::int32_t screenX,
                                      std::int32_t screenY);
    // Delivers a message as the window system would: to the procedure of the
    // window's class, or to defaultHandling for a window without a class.
    // Answers 0 for a dead window. The procedure runs with this canvas as the
    // calling thread's deliveringPlatform().
    std::intptr_t sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);
    // The lParam of a mouse message: x in the low 16 bits, y in the next 16.
    static std::intptr_t pointParam(std::int32_t x, std::int32_t y);
    // The wParam of a wheel message: the signed distance in bits 16 to 31.
    static std::uintptr_t wheelParam(std::int32_t distance);
    // The window's surface: rows top to bottom, width x 3 bytes each (blue,
    // green, red), no padding. Empty for a dead window.
    std::vector<unsigned char> windowPixels(WindowHandle window);
    // A bitmap from a BMP file in memory (see gui/BmpImage.h), or null.
    BitmapHandle createBitmapFromBmp(const unsigned char* data, std::size_t size);

protected:
    // The model (gui/SoftwareCanvasModel.h), for what inspects the canvas.
    struct State;
    State& model() { return *state; }

private:
    std::unique_ptr<State> state;
};
