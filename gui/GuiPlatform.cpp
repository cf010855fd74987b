#include "gui/GuiPlatform.h"

#include <atomic>

namespace {

std::atomic<GuiPlatform*> installed{nullptr};
thread_local GuiPlatform* delivering = nullptr;

class InertPlatform : public GuiPlatform {
public:
    bool isClassRegistered(void*, const char*) override { return true; }
    void registerClass(void*, const char*, WindowProcedure) override {}
    void unregisterClass(void*, const char*) override {}
    WindowHandle createChildWindow(void*, const char*, WindowHandle, std::int32_t, std::int32_t) override
    {
        return nullptr;
    }
    void showWindow(WindowHandle) override {}
    void destroyWindow(WindowHandle) override {}
    void setWindowSlot(WindowHandle, void*) override {}
    void* getWindowSlot(WindowHandle) override { return nullptr; }
    std::intptr_t defaultHandling(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
    void setFocus(WindowHandle) override {}
    void setCapture(WindowHandle) override {}
    void releaseCapture() override {}
    GuiPoint screenToClient(WindowHandle, GuiPoint point) override { return point; }
    void invalidateRect(WindowHandle, const GuiRect&) override {}
    bool isWindowThread(WindowHandle) override { return true; }
    void setTimer(WindowHandle, std::uintptr_t, std::uint32_t) override {}
    void killTimer(WindowHandle, std::uintptr_t) override {}
    DeviceHandle beginPaint(WindowHandle, PaintRecord&) override { return nullptr; }
    void endPaint(WindowHandle, PaintRecord&) override {}
    DeviceHandle getDeviceContext(WindowHandle) override { return nullptr; }
    void releaseDeviceContext(WindowHandle, DeviceHandle) override {}
    DeviceHandle createCompatibleContext(DeviceHandle) override { return nullptr; }
    void deleteContext(DeviceHandle) override {}
    GdiObject selectObject(DeviceHandle, GdiObject) override { return nullptr; }
    BitmapSize bitmapSize(BitmapHandle) override { return BitmapSize{0, 0}; }
    void bitBlt(DeviceHandle, std::int32_t, std::int32_t, std::int32_t, std::int32_t, DeviceHandle, std::int32_t,
                std::int32_t, RasterOp) override
    {
    }
    GdiObject createSolidBrush(Colour) override { return nullptr; }
    void fillRect(DeviceHandle, const GuiRect&, GdiObject) override {}
    GdiObject createPen(Colour) override { return nullptr; }
    void ellipse(DeviceHandle, std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
    void deleteObject(GdiObject) override {}
    BitmapHandle loadBitmap(void*, std::int32_t) override { return nullptr; }
};

}  // namespace

GuiPlatform* guiPlatform()
{
    GuiPlatform* platform = installed.load();
    return platform ? platform : defaultGuiPlatform();
}

void setGuiPlatform(GuiPlatform* platform) { installed.store(platform); }

GuiPlatform& inertGuiPlatform()
{
    static InertPlatform inert;
    return inert;
}

bool GuiPlatform::loadImage(void*, std::int32_t, BmpImage&) { return false; }

BitmapHandle GuiPlatform::createBitmap(const BmpImage&) { return nullptr; }

void GuiPlatform::releaseFocus(WindowHandle) {}

float GuiPlatform::systemScale(WindowHandle) { return 0.0f; }

void GuiPlatform::resizeWindow(WindowHandle, std::int32_t, std::int32_t) {}

void GuiPlatform::pumpEvents(WindowHandle) {}

int GuiPlatform::eventDescriptor(WindowHandle) { return -1; }

GuiPlatform* deliveringPlatform() { return delivering; }

GuiPlatform* setDeliveringPlatform(GuiPlatform* platform)
{
    GuiPlatform* previous = delivering;
    delivering = platform;
    return previous;
}

