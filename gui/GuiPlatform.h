// The thin seam between the editor's logic and the window system: exactly the
// window and drawing operations the frame and its controls use. The Windows
// module implements it with USER and GDI; the software canvas implements it on
// in-memory 24-bit surfaces so the editor runs and draws without a window system.
#pragma once

#include <cstdint>

#include "gui/BmpImage.h"

using WindowHandle = void*;   // a window
using DeviceHandle = void*;   // a drawing surface: a window's, or a memory one holding one bitmap
using BitmapHandle = void*;   // a bitmap
using GdiObject = void*;      // anything that can be selected into a surface: bitmap, brush, pen
using Colour = std::uint32_t; // 0x00BBGGRR, red in the low byte

// The window messages the frame handles, with their platform values.
enum GuiMessage : std::uint32_t {
    kMessageDestroy = 0x0002,         // the window is being destroyed, by anyone
    kMessagePaint = 0x000F,
    kMessageMouseActivate = 0x0021,
    kMessageNcDestroy = 0x0082,       // the last message a window receives
    kMessageGetDialogCode = 0x0087,   // which keys the window wants inside a dialog's loop
    kMessageKeyDown = 0x0100,         // a key went down, its virtual-key code (kVirtualKey...) in wParam
    kMessageChar = 0x0102,            // a character typed, its code in wParam
    kMessageTimer = 0x0113,           // a timer of the window's, with its number in wParam
    kMessageMouseMove = 0x0200,
    kMessageLeftButtonDown = 0x0201,
    kMessageLeftButtonUp = 0x0202,
    kMessageLeftButtonDoubleClick = 0x0203,  // the second press of a double click, in place of its down
    kMessageRightButtonDown = 0x0204,
    kMessageRightButtonUp = 0x0205,
    kMessageMouseWheel = 0x020A,
    kMessageCaptureChanged = 0x0215,  // the window lost the mouse capture
    kMessageMouseLeave = 0x02A3,      // the pointer left the window
    kMessageDpiChangedAfterParent = 0x02E3,  // the window's scale changed with its parent's (another monitor)
};

// The keys held with a mouse message, in the low 16 bits of its wParam.
constexpr std::uintptr_t kKeyShift = 0x0004;
constexpr std::uintptr_t kKeyControl = 0x0008;

// The named keys' virtual-key codes, as kMessageKeyDown carries them.
constexpr std::uintptr_t kVirtualKeyBackspace = 0x08;
constexpr std::uintptr_t kVirtualKeyEnter = 0x0D;
constexpr std::uintptr_t kVirtualKeyEscape = 0x1B;
constexpr std::uintptr_t kVirtualKeyEnd = 0x23;
constexpr std::uintptr_t kVirtualKeyHome = 0x24;
constexpr std::uintptr_t kVirtualKeyLeft = 0x25;
constexpr std::uintptr_t kVirtualKeyRight = 0x27;
constexpr std::uintptr_t kVirtualKeyDelete = 0x2E;

// A key as the editor reads it, from any of its sources (the window system,
// a host that forwards keys): a named key, or else a typed character.
enum class GuiKey { Character, Enter, Escape, Backspace, Delete, Left, Right, Home, End };

// Bit-block transfer operations: copy, AND and OR of the source into the destination.
enum class RasterOp { Copy, And, Or };

struct GuiPoint {
    std::int32_t x;
    std::int32_t y;
};

struct GuiRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

struct BitmapSize {
    std::int32_t width;
    std::int32_t height;
};

// Room for the platform's paint record between beginPaint and endPaint.
struct PaintRecord {
    alignas(8) unsigned char bytes[128];
};

// The procedure a window class sends its messages to.
using WindowProcedure = std::intptr_t (*)(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam);

class GuiPlatform {
public:
    virtual ~GuiPlatform() = default;

    // Window class registration, per module instance.
    virtual bool isClassRegistered(void* instance, const char* className) = 0;
    virtual void registerClass(void* instance, const char* className, WindowProcedure procedure) = 0;
    virtual void unregisterClass(void* instance, const char* className) = 0;

    // Child windows: created hidden with the child style alone, at 0, 0 of the parent.
    virtual WindowHandle createChildWindow(void* instance, const char* className, WindowHandle parent,
                                           std::int32_t width, std::int32_t height) = 0;
    virtual void showWindow(WindowHandle window) = 0;
    virtual void destroyWindow(WindowHandle window) = 0;
    virtual void setWindowSlot(WindowHandle window, void* value) = 0;  // the per-window user-data slot
    virtual void* getWindowSlot(WindowHandle window) = 0;
    virtual std::intptr_t defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam) = 0;
    virtual void setFocus(WindowHandle window) = 0;
    // Gives the keyboard back to whoever had it before setFocus took it for the
    // window, when the window still has it. Nothing where the window system
    // keeps the focus with a clicked window anyway.
    virtual void releaseFocus(WindowHandle window);
    virtual void setCapture(WindowHandle window) = 0;
    virtual void releaseCapture() = 0;
    virtual GuiPoint screenToClient(WindowHandle window, GuiPoint point) = 0;
    // Marks part of a window for its next paint; safe from any thread.
    virtual void invalidateRect(WindowHandle window, const GuiRect& rect) = 0;
    // Whether the calling thread is the one that owns the window and receives its messages.
    virtual bool isWindowThread(WindowHandle window) = 0;
    // A timer that sends the window kMessageTimer with the number every period,
    // on the window's thread; it ends with killTimer or with the window.
    virtual void setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t milliseconds) = 0;
    virtual void killTimer(WindowHandle window, std::uintptr_t number) = 0;

    // Drawing surfaces.
    virtual DeviceHandle beginPaint(WindowHandle window, PaintRecord& record) = 0;
    virtual void endPaint(WindowHandle window, PaintRecord& record) = 0;
    virtual DeviceHandle getDeviceContext(WindowHandle window) = 0;
    virtual void releaseDeviceContext(WindowHandle window, DeviceHandle device) = 0;
    virtual DeviceHandle createCompatibleContext(DeviceHandle device) = 0;  // a memory surface for one bitmap
    virtual void deleteContext(DeviceHandle device) = 0;
    virtual GdiObject selectObject(DeviceHandle device, GdiObject object) = 0;  // answers the one it replaced

    // Drawing.
    virtual BitmapSize bitmapSize(BitmapHandle bitmap) = 0;
    virtual void bitBlt(DeviceHandle target, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                        DeviceHandle source, std::int32_t sourceX, std::int32_t sourceY, RasterOp operation) = 0;
    virtual GdiObject createSolidBrush(Colour colour) = 0;
    virtual void fillRect(DeviceHandle device, const GuiRect& rect, GdiObject brush) = 0;
    virtual GdiObject createPen(Colour colour) = 0;  // solid, one pixel wide
    // Outlined with the selected pen and filled with the selected brush, within the bounding box.
    virtual void ellipse(DeviceHandle device, std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) = 0;
    virtual void deleteObject(GdiObject object) = 0;

    // The module's bitmap resource of this number, or null.
    virtual BitmapHandle loadBitmap(void* instance, std::int32_t resourceId) = 0;
    // The module's bitmap resource of this number as pixels; false when there is none.
    virtual bool loadImage(void* instance, std::int32_t resourceId, BmpImage& image);
    // A bitmap holding exactly these pixels, or null.
    virtual BitmapHandle createBitmap(const BmpImage& image);

    // How much larger than at 96 dots per inch the window system shows a
    // window inside this parent (null: on the screen at large); 0 when it
    // cannot tell. The window's thread.
    virtual float systemScale(WindowHandle parent);
    // Gives a child window a new size; its origin and parent stay.
    virtual void resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height);

    // Delivers the window's pending input and paint requests to its procedure,
    // without waiting, on the window's thread. Window systems that deliver
    // messages through the host's own loop (Win32) have nothing to do here.
    virtual void pumpEvents(WindowHandle window);
    // The file descriptor that becomes readable when the window has events
    // for pumpEvents (a host's run loop watches it), or -1 where the window
    // system delivers them itself.
    virtual int eventDescriptor(WindowHandle window);
};

// The platform the module's editors use: the one installed with setGuiPlatform
// (tests install the software canvas), else the module's window system. Null
// when there is none: the effect then runs without an editor.
GuiPlatform* guiPlatform();
// Installs a platform; null goes back to the module's own window system.
void setGuiPlatform(GuiPlatform* platform);
// The module's own window system, or null where it has none.
GuiPlatform* defaultGuiPlatform();
// A platform on which every operation does nothing and yields nothing.
GuiPlatform& inertGuiPlatform();

// The platform running a window procedure on the calling thread, for a
// platform that says so while it calls one (the software canvas does, since
// its windows may live beside the module's own window system's); null
// otherwise. A window procedure reads its window's slot from it when set.
GuiPlatform* deliveringPlatform();
// Sets it for the calling thread; answers the one it replaces, to put back
// when the procedure returns.
GuiPlatform* setDeliveringPlatform(GuiPlatform* platform);
