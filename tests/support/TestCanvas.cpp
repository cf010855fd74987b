#include "tests/support/TestCanvas.h"

#include <mutex>
#include <utility>
#include <vector>

#include "gui/BmpImage.h"
#include "gui/SoftwareCanvasModel.h"

using namespace canvasmodel;

WindowHandle TestCanvas::createChildWindow(void* instance, const char* className, WindowHandle parent,
                                           std::int32_t width, std::int32_t height)
{
    if (failNext.exchange(false)) {
        return nullptr;
    }
    return SoftwareCanvas::createChildWindow(instance, className, parent, width, height);
}

std::intptr_t TestCanvas::defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam)
{
    ++defaultHandlings;
    return SoftwareCanvas::defaultHandling(window, message, wParam, lParam);
}

void TestCanvas::failNextWindowCreation() { failNext = true; }


GuiRect TestCanvas::invalidArea(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(model().lock);
    const Window* found = model().window(window);
    return found ? found->invalid : GuiRect{0, 0, 0, 0};
}


int TestCanvas::fireTimers(WindowHandle window)
{
    std::vector<std::uintptr_t> numbers;
    {
        std::lock_guard<std::mutex> guard(model().lock);
        if (Window* found = model().window(window)) {
            numbers = found->timers;
        }
    }
    for (std::uintptr_t number : numbers) {
        sendMessage(window, kMessageTimer, number, 0);
    }
    return static_cast<int>(numbers.size());
}


BitmapHandle TestCanvas::createBitmap(std::int32_t width, std::int32_t height, Colour colour)
{
    if (width < 1 || height < 1 || !sizeAllowed(width, height)) {
        return nullptr;
    }
    Surface surface = makeSurface(width, height, colour);
    std::lock_guard<std::mutex> guard(model().lock);
    return model().addBitmap(std::move(surface));
}


Colour TestCanvas::pixel(WindowHandle window, std::int32_t x, std::int32_t y)
{
    std::lock_guard<std::mutex> guard(model().lock);
    const Window* found = model().window(window);
    return found ? readPixel(found->surface, x, y) : kNoPixel;
}


Colour TestCanvas::bitmapPixel(BitmapHandle bitmap, std::int32_t x, std::int32_t y)
{
    std::lock_guard<std::mutex> guard(model().lock);
    const Bitmap* found = lookUp(model().bitmaps, bitmap);
    return found ? readPixel(found->surface, x, y) : kNoPixel;
}


BitmapSize TestCanvas::windowSize(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(model().lock);
    const Window* found = model().window(window);
    return found ? BitmapSize{found->surface.width, found->surface.height} : BitmapSize{0, 0};
}


bool TestCanvas::isWindowVisible(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(model().lock);
    const Window* found = model().window(window);
    return found != nullptr && found->visible;
}


WindowHandle TestCanvas::capturedWindow()
{
    std::lock_guard<std::mutex> guard(model().lock);
    return model().capture;
}


WindowHandle TestCanvas::focusedWindow()
{
    std::lock_guard<std::mutex> guard(model().lock);
    return model().focus;
}


int TestCanvas::liveObjects()
{
    std::lock_guard<std::mutex> guard(model().lock);
    std::size_t count = model().contexts.size();
    for (const auto& entry : model().bitmaps) {
        count += entry.second.stock ? 0 : 1;
    }
    for (const auto& entry : model().pens) {
        count += entry.second.stock ? 0 : 1;
    }
    for (const auto& entry : model().brushes) {
        count += entry.second.stock ? 0 : 1;
    }
    return static_cast<int>(count);
}


bool TestCanvas::isWindowAlive(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(model().lock);
    return model().window(window) != nullptr;
}


void TestCanvas::fillWindow(WindowHandle window, Colour colour)
{
    std::lock_guard<std::mutex> guard(model().lock);
    if (Window* found = model().window(window)) {
        found->surface = makeSurface(found->surface.width, found->surface.height, colour);
    }
}


int TestCanvas::defaultHandlingCount() { return defaultHandlings.load(); }
