#include "gui/SoftwareCanvas.h"
#include "gui/SoftwareCanvasModel.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "gui/BmpImage.h"
#include "gui/EmbeddedBitmaps.h"

namespace canvasmodel {

bool sizeAllowed(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= kBmpMaxSide && height <= kBmpMaxSide &&
           width * height <= kBmpMaxPixels;
}

Surface makeSurface(std::int32_t width, std::int32_t height, Colour colour)
{
    Surface surface;
    surface.width = width;
    surface.height = height;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    surface.bytes.resize(count * 3);
    for (std::size_t k = 0; k < count; ++k) {
        surface.bytes[3 * k] = static_cast<unsigned char>(colour >> 16);
        surface.bytes[3 * k + 1] = static_cast<unsigned char>(colour >> 8);
        surface.bytes[3 * k + 2] = static_cast<unsigned char>(colour);
    }
    return surface;
}

Colour readPixel(const Surface& surface, std::int64_t x, std::int64_t y)
{
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) {
        return SoftwareCanvas::kNoPixel;
    }
    const unsigned char* p = surface.bytes.data() + static_cast<std::size_t>((y * surface.width + x) * 3);
    return static_cast<Colour>(p[0]) << 16 | static_cast<Colour>(p[1]) << 8 | static_cast<Colour>(p[2]);
}

bool sameClassName(const std::string& a, const char* b)
{
    const std::size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (std::size_t k = 0; k < length; ++k) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[k]) != lower(b[k])) {
            return false;
        }
    }
    return true;
}

}  // namespace canvasmodel

using namespace canvasmodel;

namespace {

// Fills [left, right) x [top, bottom), clipped to the surface.
void fillArea(Surface& surface, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
              Colour colour)
{
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, surface.width);
    bottom = std::min<std::int64_t>(bottom, surface.height);
    const unsigned char b = static_cast<unsigned char>(colour >> 16);
    const unsigned char g = static_cast<unsigned char>(colour >> 8);
    const unsigned char r = static_cast<unsigned char>(colour);
    for (std::int64_t y = top; y < bottom; ++y) {
        unsigned char* p = surface.bytes.data() + static_cast<std::size_t>((y * surface.width + left) * 3);
        for (std::int64_t x = left; x < right; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
}

// Combines source pixels (sourceX, sourceY) + (i, j) into target pixels
// (x, y) + (i, j) for 0 <= i < width, 0 <= j < height, where both lie on their surfaces.
void blit(Surface& target, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
          const Surface& source, std::int64_t sourceX, std::int64_t sourceY, RasterOp operation)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    // Work in target coordinates; a target pixel (px, py) reads source (px + dx, py + dy).
    const std::int64_t dx = sourceX - x;
    const std::int64_t dy = sourceY - y;
    const std::int64_t left = std::max({x, std::int64_t{0}, -dx});
    const std::int64_t right = std::min({x + width, std::int64_t{target.width}, source.width - dx});
    const std::int64_t top = std::max({y, std::int64_t{0}, -dy});
    const std::int64_t bottom = std::min({y + height, std::int64_t{target.height}, source.height - dy});
    if (left >= right || top >= bottom) {
        return;
    }
    const std::size_t span = static_cast<std::size_t>(right - left) * 3;
    const std::size_t rows = static_cast<std::size_t>(bottom - top);

    // Gather the source block first, so a blit within one surface reads it unchanged.
    std::vector<unsigned char> block(span * rows);
    for (std::size_t j = 0; j < rows; ++j) {
        const std::int64_t sy = top + static_cast<std::int64_t>(j) + dy;
        const std::size_t from = static_cast<std::size_t>((sy * source.width + left + dx) * 3);
        std::memcpy(block.data() + j * span, source.bytes.data() + from, span);
    }
    for (std::size_t j = 0; j < rows; ++j) {
        const std::int64_t ty = top + static_cast<std::int64_t>(j);
        unsigned char* out = target.bytes.data() + static_cast<std::size_t>((ty * target.width + left) * 3);
        const unsigned char* in = block.data() + j * span;
        switch (operation) {
        case RasterOp::Copy:
            std::memcpy(out, in, span);
            break;
        case RasterOp::And:
            for (std::size_t k = 0; k < span; ++k) {
                out[k] = static_cast<unsigned char>(out[k] & in[k]);
            }
            break;
        case RasterOp::Or:
            for (std::size_t k = 0; k < span; ++k) {
                out[k] = static_cast<unsigned char>(out[k] | in[k]);
            }
            break;
        }
    }
}

// Fills and outlines the ellipse inscribed in [left, right) x [top, bottom): a
// pixel is inside when its centre is inside the ellipse, and belongs to the
// outline when it is inside and one of its four neighbours is not.
void drawEllipse(Surface& surface, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                 Colour penColour, Colour brushColour)
{
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (left == right || top == bottom) {
        return;
    }
    const double centreX = (static_cast<double>(left) + static_cast<double>(right)) / 2.0;
    const double centreY = (static_cast<double>(top) + static_cast<double>(bottom)) / 2.0;
    const double radiusX = (static_cast<double>(right) - static_cast<double>(left)) / 2.0;
    const double radiusY = (static_cast<double>(bottom) - static_cast<double>(top)) / 2.0;
    auto inside = [&](std::int64_t x, std::int64_t y) {
        if (x < left || x >= right || y < top || y >= bottom) {
            return false;
        }
        const double u = (static_cast<double>(x) + 0.5 - centreX) / radiusX;
        const double v = (static_cast<double>(y) + 0.5 - centreY) / radiusY;
        return u * u + v * v <= 1.0;
    };
    const std::int64_t firstX = std::max<std::int64_t>(left, 0);
    const std::int64_t endX = std::min<std::int64_t>(right, surface.width);
    const std::int64_t firstY = std::max<std::int64_t>(top, 0);
    const std::int64_t endY = std::min<std::int64_t>(bottom, surface.height);
    for (std::int64_t y = firstY; y < endY; ++y) {
        for (std::int64_t x = firstX; x < endX; ++x) {
            if (!inside(x, y)) {
                continue;
            }
            const bool edge = !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            fillArea(surface, x, y, x + 1, y + 1, edge ? penColour : brushColour);
        }
    }
}

bool isEmpty(const GuiRect& rect) { return rect.left >= rect.right || rect.top >= rect.bottom; }

}  // namespace

SoftwareCanvas::SoftwareCanvas() : state(new State) {}

SoftwareCanvas::~SoftwareCanvas() = default;

bool SoftwareCanvas::isClassRegistered(void* instance, const char* className)
{
    std::lock_guard<std::mutex> guard(state->lock);
    return state->findClass(instance, className) != nullptr;
}

void SoftwareCanvas::registerClass(void* instance, const char* className, WindowProcedure procedure)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (className == nullptr || *className == '\0' || procedure == nullptr ||
        state->findClass(instance, className) != nullptr) {
        return;
    }
    state->classes.push_back(WindowClass{instance, className, procedure});
}

void SoftwareCanvas::unregisterClass(void* instance, const char* className)
{
    std::lock_guard<std::mutex> guard(state->lock);
    WindowClass* found = state->findClass(instance, className);
    if (found == nullptr) {
        return;
    }
    for (const auto& entry : state->windows) {
        if (entry.second.procedure != nullptr && entry.second.instance == instance &&
            sameClassName(entry.second.className, className)) {
            return;  // refused while a window of the class lives
        }
    }
    state->classes.erase(state->classes.begin() + (found - state->classes.data()));
}

WindowHandle SoftwareCanvas::createChildWindow(void* instance, const char* className, WindowHandle parent,
                                               std::int32_t width, std::int32_t height)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const WindowClass* windowClass = state->findClass(instance, className);
    const Window* parentWindow = state->window(parent);
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (windowClass == nullptr || parentWindow == nullptr || !sizeAllowed(width, height)) {
        return nullptr;
    }
    Window created;
    created.parent = parent;
    created.instance = instance;
    created.className = windowClass->name;
    created.procedure = windowClass->procedure;
    created.origin = parentWindow->origin;
    created.surface = makeSurface(width, height, kUndrawnColour);
    created.thread = std::this_thread::get_id();
    return state->addWindow(std::move(created));
}

WindowHandle SoftwareCanvas::createTopLevelWindow(std::int32_t width, std::int32_t height, std::int32_t screenX,
                                                  std::int32_t screenY)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (!sizeAllowed(width, height)) {
        return nullptr;
    }
    Window created;
    created.origin = GuiPoint{screenX, screenY};
    created.visible = true;
    created.surface = makeSurface(width, height, kUndrawnColour);
    created.thread = std::this_thread::get_id();
    return state->addWindow(std::move(created));
}

void SoftwareCanvas::showWindow(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (Window* found = state->window(window)) {
        found->visible = true;
    }
}

void SoftwareCanvas::destroyWindow(WindowHandle window)
{
    // The window and all its descendants.
    std::vector<WindowHandle> doomed{window};
    {
        std::lock_guard<std::mutex> guard(state->lock);
        if (state->window(window) == nullptr) {
            return;
        }
        for (std::size_t k = 0; k < doomed.size(); ++k) {
            for (const auto& entry : state->windows) {
                if (entry.second.parent == doomed[k]) {
                    doomed.push_back(entry.first);
                }
            }
        }
    }
    // As the window system does: the destroy message to each, parents first,
    // then the last message to each, children first.
    for (WindowHandle handle : doomed) {
        sendMessage(handle, kMessageDestroy, 0, 0);
    }
    for (auto handle = doomed.rbegin(); handle != doomed.rend(); ++handle) {
        sendMessage(*handle, kMessageNcDestroy, 0, 0);
    }
    std::lock_guard<std::mutex> guard(state->lock);
    for (WindowHandle handle : doomed) {
        state->windows.erase(handle);
        if (state->capture == handle) {
            state->capture = nullptr;
        }
        if (state->focus == handle) {
            state->focus = nullptr;
        }
    }
}

void SoftwareCanvas::setWindowSlot(WindowHandle window, void* value)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (Window* found = state->window(window)) {
        found->slot = value;
    }
}

void* SoftwareCanvas::getWindowSlot(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    Window* found = state->window(window);
    return found ? found->slot : nullptr;
}

std::intptr_t SoftwareCanvas::defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t,
                                              std::intptr_t)
{
    std::lock_guard<std::mutex> guard(state->lock);
    Window* found = state->window(window);
    if (found == nullptr) {
        return 0;
    }
    if (message == kMessagePaint) {
        found->invalid = GuiRect{0, 0, 0, 0};
    } else if (message == kMessageMouseActivate) {
        return 1;
    }
    return 0;
}

void SoftwareCanvas::setFocus(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (window == nullptr || state->window(window) != nullptr) {
        state->focus = window;
    }
}

void SoftwareCanvas::setCapture(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (state->window(window) != nullptr) {
        state->capture = window;
    }
}

void SoftwareCanvas::releaseCapture()
{
    std::lock_guard<std::mutex> guard(state->lock);
    state->capture = nullptr;
}

GuiPoint SoftwareCanvas::screenToClient(WindowHandle window, GuiPoint point)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Window* found = state->window(window);
    if (found == nullptr) {
        return point;
    }
    // 32-bit arithmetic that wraps, as the window system's does.
    auto minus = [](std::int32_t a, std::int32_t b) {
        const std::uint32_t difference = static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b);
        return static_cast<std::int32_t>(difference);
    };
    return GuiPoint{minus(point.x, found->origin.x), minus(point.y, found->origin.y)};
}

void SoftwareCanvas::invalidateRect(WindowHandle window, const GuiRect& rect)
{
    std::lock_guard<std::mutex> guard(state->lock);
    Window* found = state->window(window);
    if (found == nullptr) {
        return;
    }
    const GuiRect clipped{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, found->surface.width),
                          std::min(rect.bottom, found->surface.height)};
    if (isEmpty(clipped)) {
        return;
    }
    GuiRect& invalid = found->invalid;
    if (isEmpty(invalid)) {
        invalid = clipped;
    } else {
        invalid = GuiRect{std::min(invalid.left, clipped.left), std::min(invalid.top, clipped.top),
                          std::max(invalid.right, clipped.right), std::max(invalid.bottom, clipped.bottom)};
    }
}

bool SoftwareCanvas::isWindowThread(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Window* found = state->window(window);
    return found != nullptr && found->thread == std::this_thread::get_id();
}

void SoftwareCanvas::setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (Window* found = state->window(window)) {
        if (std::find(found->timers.begin(), found->timers.end(), number) == found->timers.end()) {
            found->timers.push_back(number);
        }
    }
}

void SoftwareCanvas::killTimer(WindowHandle window, std::uintptr_t number)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (Window* found = state->window(window)) {
        found->timers.erase(std::remove(found->timers.begin(), found->timers.end(), number), found->timers.end());
    }
}

DeviceHandle SoftwareCanvas::beginPaint(WindowHandle window, PaintRecord& record)
{
    static_assert(sizeof(DeviceHandle) <= sizeof(record.bytes), "the paint record holds the context");
    std::lock_guard<std::mutex> guard(state->lock);
    std::memset(record.bytes, 0, sizeof(record.bytes));
    Window* found = state->window(window);
    if (found == nullptr) {
        return nullptr;
    }
    found->invalid = GuiRect{0, 0, 0, 0};
    DeviceHandle device = state->newContext(ContextKind::Paint, window);
    std::memcpy(record.bytes, &device, sizeof(device));
    return device;
}

void SoftwareCanvas::endPaint(WindowHandle window, PaintRecord& record)
{
    std::lock_guard<std::mutex> guard(state->lock);
    DeviceHandle device = nullptr;
    std::memcpy(&device, record.bytes, sizeof(device));
    const Context* found = state->context(device);
    if (found != nullptr && found->kind == ContextKind::Paint && found->window == window) {
        state->contexts.erase(device);
        std::memset(record.bytes, 0, sizeof(record.bytes));
    }
}

DeviceHandle SoftwareCanvas::getDeviceContext(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (state->window(window) == nullptr) {
        return nullptr;
    }
    return state->newContext(ContextKind::Window, window);
}

void SoftwareCanvas::releaseDeviceContext(WindowHandle window, DeviceHandle device)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Context* found = state->context(device);
    if (found != nullptr && found->kind == ContextKind::Window && found->window == window) {
        state->contexts.erase(device);
    }
}

DeviceHandle SoftwareCanvas::createCompatibleContext(DeviceHandle device)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (device != nullptr && state->context(device) == nullptr) {
        return nullptr;
    }
    return state->newContext(ContextKind::Memory, nullptr);
}

void SoftwareCanvas::deleteContext(DeviceHandle device)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Context* found = state->context(device);
    if (found != nullptr && found->kind == ContextKind::Memory) {
        state->contexts.erase(device);  // what it held is deselected, not deleted
    }
}

GdiObject SoftwareCanvas::selectObject(DeviceHandle device, GdiObject object)
{
    std::lock_guard<std::mutex> guard(state->lock);
    Context* found = state->context(device);
    if (found == nullptr || object == nullptr) {
        return nullptr;
    }
    if (Bitmap* bitmap = lookUp(state->bitmaps, object)) {
        if (found->kind != ContextKind::Memory) {
            return nullptr;
        }
        if (!bitmap->stock && found->bitmap != object && state->isSelected(object)) {
            return nullptr;  // already held by another context
        }
        return std::exchange(found->bitmap, object);
    }
    if (lookUp(state->pens, object) != nullptr) {
        return std::exchange(found->pen, object);
    }
    if (lookUp(state->brushes, object) != nullptr) {
        return std::exchange(found->brush, object);
    }
    return nullptr;
}

BitmapSize SoftwareCanvas::bitmapSize(BitmapHandle bitmap)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Bitmap* found = lookUp(state->bitmaps, bitmap);
    return found ? BitmapSize{found->surface.width, found->surface.height} : BitmapSize{0, 0};
}

void SoftwareCanvas::bitBlt(DeviceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height, DeviceHandle source, std::int32_t sourceX, std::int32_t sourceY,
                            RasterOp operation)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (operation != RasterOp::Copy && operation != RasterOp::And && operation != RasterOp::Or) {
        return;
    }
    Surface* to = state->surfaceOf(target);
    const Surface* from = state->surfaceOf(source);
    if (to != nullptr && from != nullptr) {
        blit(*to, x, y, width, height, *from, sourceX, sourceY, operation);
    }
}

GdiObject SoftwareCanvas::createSolidBrush(Colour colour)
{
    std::lock_guard<std::mutex> guard(state->lock);
    GdiObject handle = state->newHandle();
    state->brushes[handle] = Tool{colour & 0x00FFFFFFu, false};
    return handle;
}

void SoftwareCanvas::fillRect(DeviceHandle device, const GuiRect& rect, GdiObject brush)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Tool* fill = lookUp(state->brushes, brush);
    Surface* surface = state->surfaceOf(device);
    if (fill != nullptr && surface != nullptr) {
        fillArea(*surface, rect.left, rect.top, rect.right, rect.bottom, fill->colour);
    }
}

GdiObject SoftwareCanvas::createPen(Colour colour)
{
    std::lock_guard<std::mutex> guard(state->lock);
    GdiObject handle = state->newHandle();
    state->pens[handle] = Tool{colour & 0x00FFFFFFu, false};
    return handle;
}

void SoftwareCanvas::ellipse(DeviceHandle device, std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Context* found = state->context(device);
    Surface* surface = state->surfaceOf(device);
    if (found == nullptr || surface == nullptr) {
        return;
    }
    const Tool* pen = lookUp(state->pens, found->pen);
    const Tool* brush = lookUp(state->brushes, found->brush);
    if (pen != nullptr && brush != nullptr) {
        drawEllipse(*surface, left, top, right, bottom, pen->colour, brush->colour);
    }
}

void SoftwareCanvas::deleteObject(GdiObject object)
{
    std::lock_guard<std::mutex> guard(state->lock);
    if (object == nullptr || state->isSelected(object)) {
        return;
    }
    if (const Bitmap* bitmap = lookUp(state->bitmaps, object)) {
        if (!bitmap->stock) {
            state->bitmaps.erase(object);
        }
    } else if (const Tool* pen = lookUp(state->pens, object)) {
        if (!pen->stock) {
            state->pens.erase(object);
        }
    } else if (const Tool* brush = lookUp(state->brushes, object)) {
        if (!brush->stock) {
            state->brushes.erase(object);
        }
    }
}

BitmapHandle SoftwareCanvas::createBitmapFromBmp(const unsigned char* data, std::size_t size)
{
    BmpImage image;
    return decodeBmp(data, size, image) ? createBitmap(image) : nullptr;
}

BitmapHandle SoftwareCanvas::createBitmap(const BmpImage& image)
{
    if (image.width < 1 || image.height < 1 || !sizeAllowed(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3u) {
        return nullptr;
    }
    Surface surface;
    surface.width = image.width;
    surface.height = image.height;
    surface.bytes = image.pixels;
    std::lock_guard<std::mutex> guard(state->lock);
    return state->addBitmap(std::move(surface));
}

bool SoftwareCanvas::loadImage(void*, std::int32_t resourceId, BmpImage& image)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    return findEmbeddedBitmap(resourceId, data, size) && decodeBmp(data, size, image);
}

void SoftwareCanvas::resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height)
{
    std::lock_guard<std::mutex> guard(state->lock);
    Window* found = state->window(window);
    if (found == nullptr || width < 0 || height < 0 || !sizeAllowed(width, height)) {
        return;
    }
    // What was drawn stays where it was; the new part waits for its paint.
    Surface resized = makeSurface(width, height, kUndrawnColour);
    blit(resized, 0, 0, width, height, found->surface, 0, 0, RasterOp::Copy);
    found->surface = std::move(resized);
    found->invalid = GuiRect{0, 0, width, height};
}

BitmapHandle SoftwareCanvas::loadBitmap(void*, std::int32_t resourceId)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!findEmbeddedBitmap(resourceId, data, size)) {
        return nullptr;
    }
    return createBitmapFromBmp(data, size);
}

std::intptr_t SoftwareCanvas::sendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                          std::intptr_t lParam)
{
    WindowProcedure procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        const Window* found = state->window(window);
        if (found == nullptr) {
            return 0;
        }
        procedure = found->procedure;
    }
    if (!procedure) {
        return defaultHandling(window, message, wParam, lParam);
    }
    // The procedure calls back into the canvas, so the lock is not held here;
    // it finds its window's slot on this canvas, whatever platform the module's
    // frames use otherwise.
    GuiPlatform* const previous = setDeliveringPlatform(this);
    std::intptr_t result = 0;
    try {
        result = procedure(window, message, wParam, lParam);
    } catch (...) {
        setDeliveringPlatform(previous);
        throw;
    }
    setDeliveringPlatform(previous);
    return result;
}

std::intptr_t SoftwareCanvas::pointParam(std::int32_t x, std::int32_t y)
{
    const std::uint32_t packed = (static_cast<std::uint32_t>(x) & 0xFFFFu) | (static_cast<std::uint32_t>(y) << 16);
    return static_cast<std::intptr_t>(packed);
}

std::uintptr_t SoftwareCanvas::wheelParam(std::int32_t distance)
{
    return static_cast<std::uintptr_t>((static_cast<std::uint32_t>(distance) & 0xFFFFu) << 16);
}

std::vector<unsigned char> SoftwareCanvas::windowPixels(WindowHandle window)
{
    std::lock_guard<std::mutex> guard(state->lock);
    const Window* found = state->window(window);
    return found ? found->surface.bytes : std::vector<unsigned char>{};
}

