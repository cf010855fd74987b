// The platform seam on Windows: the real USER and GDI calls.
#pragma once

#include "gui/GuiPlatform.h"

class Win32Platform : public GuiPlatform {
public:
    bool isClassRegistered(void* instance, const char* className) override;
    void registerClass(void* instance, const char* className, WindowProcedure procedure) override;
    void unregisterClass(void* instance, const char* className) override;
    WindowHandle createChildWindow(void* instance, const char* className, WindowHandle parent, std::int32_t width,
                                   std::int32_t height) override;
    void showWindow(WindowHandle window) override;
    void destroyWindow(WindowHandle window) override;
    void setWindowSlot(WindowHandle window, void* value) override;
    void* getWindowSlot(WindowHandle window) override;
    std::intptr_t defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;
    void setFocus(WindowHandle window) override;
    void setCapture(WindowHandle window) override;
    void releaseCapture() override;
    GuiPoint screenToClient(WindowHandle window, GuiPoint point) override;
    void invalidateRect(WindowHandle window, const GuiRect& rect) override;
    bool isWindowThread(WindowHandle window) override;
    void setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t milliseconds) override;
    void killTimer(WindowHandle window, std::uintptr_t number) override;
    DeviceHandle beginPaint(WindowHandle window, PaintRecord& record) override;
    void endPaint(WindowHandle window, PaintRecord& record) override;
    DeviceHandle getDeviceContext(WindowHandle window) override;
    void releaseDeviceContext(WindowHandle window, DeviceHandle device) override;
    DeviceHandle createCompatibleContext(DeviceHandle device) override;
    void deleteContext(DeviceHandle device) override;
    GdiObject selectObject(DeviceHandle device, GdiObject object) override;
    BitmapSize bitmapSize(BitmapHandle bitmap) override;
    void bitBlt(DeviceHandle target, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                DeviceHandle source, std::int32_t sourceX, std::int32_t sourceY, RasterOp operation) override;
    GdiObject createSolidBrush(Colour colour) override;
    void fillRect(DeviceHandle device, const GuiRect& rect, GdiObject brush) override;
    GdiObject createPen(Colour colour) override;
    void ellipse(DeviceHandle device, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
    void deleteObject(GdiObject object) override;
    BitmapHandle loadBitmap(void* instance, std::int32_t resourceId) override;
    bool loadImage(void* instance, std::int32_t resourceId, BmpImage& image) override;
    BitmapHandle createBitmap(const BmpImage& image) override;
    // Asks the system for the dots per inch of the parent (or of the screen)
    // as the calling thread sees them; never changes how the process or the
    // thread is aware of them, which is the host's business.
    float systemScale(WindowHandle parent) override;
    void resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height) override;
};
