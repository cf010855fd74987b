#include "gui/Win32Platform.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <vector>

namespace {

WindowProcedure classProcedure = nullptr;

HWND hwnd(WindowHandle window) { return static_cast<HWND>(window); }
HDC hdc(DeviceHandle device) { return static_cast<HDC>(device); }

// The class's window procedure as the system calls it; the frame's logic behind it
// is the platform-neutral procedure the class was registered with.
__attribute__((force_align_arg_pointer)) LRESULT CALLBACK systemProcedure(HWND window, UINT message, WPARAM wParam,
                                                                          LPARAM lParam)
{
    // The system reports the pointer leaving a window only while asked to
    // watch for it, and stops watching once it has reported: asked again at
    // every move. Asking while it still watches changes nothing.
    if (message == WM_MOUSEMOVE) {
        TRACKMOUSEEVENT leave{};
        leave.cbSize = sizeof(leave);
        leave.dwFlags = TME_LEAVE;
        leave.hwndTrack = window;
        TrackMouseEvent(&leave);
    }
    if (!classProcedure) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // Nothing may unwind into the window system.
    try {
        return classProcedure(window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

// A function of user32 that older systems lack, found at run time; null when absent.
template <typename Function>
Function userFunction(const char* name)
{
    HMODULE user = GetModuleHandleA("user32.dll");
    // Through the one function type that converts to and from any other.
    return user ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user, name))) : nullptr;
}

DWORD rasterCode(RasterOp operation)
{
    switch (operation) {
    case RasterOp::And:
        return SRCAND;
    case RasterOp::Or:
        return SRCPAINT;
    case RasterOp::Copy:
    default:
        return SRCCOPY;
    }
}

}  // namespace

GuiPlatform* defaultGuiPlatform()
{
    static Win32Platform platform;
    return &platform;
}

bool Win32Platform::isClassRegistered(void* instance, const char* className)
{
    WNDCLASSA existing{};
    return GetClassInfoA(static_cast<HINSTANCE>(instance), className, &existing) != 0;
}

void Win32Platform::registerClass(void* instance, const char* className, WindowProcedure procedure)
{
    classProcedure = procedure;
    WNDCLASSA description{};
    description.style = CS_DBLCLKS;  // the second press of a double click comes as its own message
    description.lpfnWndProc = systemProcedure;
    description.cbClsExtra = 0;
    description.cbWndExtra = 0;
    description.hInstance = static_cast<HINSTANCE>(instance);
    description.hIcon = nullptr;
    description.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the standard arrow
    description.hbrBackground = nullptr;
    description.lpszMenuName = nullptr;
    description.lpszClassName = className;
    RegisterClassA(&description);
}

void Win32Platform::unregisterClass(void* instance, const char* className)
{
    UnregisterClassA(className, static_cast<HINSTANCE>(instance));
}

WindowHandle Win32Platform::createChildWindow(void* instance, const char* className, WindowHandle parent,
                                              std::int32_t width, std::int32_t height)
{
    return CreateWindowExA(0, className, nullptr, WS_CHILD, 0, 0, width, height, hwnd(parent), nullptr,
                           static_cast<HINSTANCE>(instance), nullptr);
}

void Win32Platform::showWindow(WindowHandle window) { ShowWindow(hwnd(window), SW_SHOW); }
void Win32Platform::destroyWindow(WindowHandle window) { DestroyWindow(hwnd(window)); }

void Win32Platform::setWindowSlot(WindowHandle window, void* value)
{
    SetWindowLongPtrA(hwnd(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(value));
}

void* Win32Platform::getWindowSlot(WindowHandle window)
{
    return reinterpret_cast<void*>(GetWindowLongPtrA(hwnd(window), GWLP_USERDATA));
}

std::intptr_t Win32Platform::defaultHandling(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam)
{
    return DefWindowProcA(hwnd(window), message, wParam, lParam);
}

void Win32Platform::setFocus(WindowHandle window) { SetFocus(hwnd(window)); }
void Win32Platform::setCapture(WindowHandle window) { SetCapture(hwnd(window)); }
void Win32Platform::releaseCapture() { ReleaseCapture(); }

GuiPoint Win32Platform::screenToClient(WindowHandle window, GuiPoint point)
{
    POINT p{point.x, point.y};
    ScreenToClient(hwnd(window), &p);
    return GuiPoint{static_cast<std::int32_t>(p.x), static_cast<std::int32_t>(p.y)};
}

void Win32Platform::invalidateRect(WindowHandle window, const GuiRect& rect)
{
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    InvalidateRect(hwnd(window), &r, FALSE);
}

bool Win32Platform::isWindowThread(WindowHandle window)
{
    return GetWindowThreadProcessId(hwnd(window), nullptr) == GetCurrentThreadId();
}

void Win32Platform::setTimer(WindowHandle window, std::uintptr_t number, std::uint32_t milliseconds)
{
    SetTimer(hwnd(window), number, milliseconds, nullptr);
}

void Win32Platform::killTimer(WindowHandle window, std::uintptr_t number) { KillTimer(hwnd(window), number); }

DeviceHandle Win32Platform::beginPaint(WindowHandle window, PaintRecord& record)
{
    static_assert(sizeof(PAINTSTRUCT) <= sizeof(record.bytes), "the paint record fits");
    return BeginPaint(hwnd(window), reinterpret_cast<PAINTSTRUCT*>(record.bytes));
}

void Win32Platform::endPaint(WindowHandle window, PaintRecord& record)
{
    EndPaint(hwnd(window), reinterpret_cast<PAINTSTRUCT*>(record.bytes));
}

DeviceHandle Win32Platform::getDeviceContext(WindowHandle window) { return GetDC(hwnd(window)); }
void Win32Platform::releaseDeviceContext(WindowHandle window, DeviceHandle device) { ReleaseDC(hwnd(window), hdc(device)); }
DeviceHandle Win32Platform::createCompatibleContext(DeviceHandle device) { return CreateCompatibleDC(hdc(device)); }
void Win32Platform::deleteContext(DeviceHandle device) { DeleteDC(hdc(device)); }

GdiObject Win32Platform::selectObject(DeviceHandle device, GdiObject object)
{
    return SelectObject(hdc(device), static_cast<HGDIOBJ>(object));
}

BitmapSize Win32Platform::bitmapSize(BitmapHandle bitmap)
{
    BITMAP record{};
    if (!GetObjectA(static_cast<HGDIOBJ>(bitmap), sizeof(record), &record)) {
        return BitmapSize{0, 0};
    }
    return BitmapSize{static_cast<std::int32_t>(record.bmWidth), static_cast<std::int32_t>(record.bmHeight)};
}

void Win32Platform::bitBlt(DeviceHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                           std::int32_t height, DeviceHandle source, std::int32_t sourceX, std::int32_t sourceY,
                           RasterOp operation)
{
    BitBlt(hdc(target), x, y, width, height, hdc(source), sourceX, sourceY, rasterCode(operation));
}

GdiObject Win32Platform::createSolidBrush(Colour colour) { return CreateSolidBrush(colour); }

void Win32Platform::fillRect(DeviceHandle device, const GuiRect& rect, GdiObject brush)
{
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(hdc(device), &r, static_cast<HBRUSH>(brush));
}

GdiObject Win32Platform::createPen(Colour colour) { return CreatePen(PS_SOLID, 1, colour); }

void Win32Platform::ellipse(DeviceHandle device, std::int32_t left, std::int32_t top, std::int32_t right,
                            std::int32_t bottom)
{
    Ellipse(hdc(device), left, top, right, bottom);
}

void Win32Platform::deleteObject(GdiObject object) { DeleteObject(static_cast<HGDIOBJ>(object)); }

BitmapHandle Win32Platform::loadBitmap(void* instance, std::int32_t resourceId)
{
    return LoadBitmapA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(resourceId));
}

bool Win32Platform::loadImage(void* instance, std::int32_t resourceId, BmpImage& image)
{
    // A bitmap resource is a BMP file without its 14-byte file header: the
    // info header, the palette, then the rows.
    auto* module = static_cast<HMODULE>(instance);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(2));  // RT_BITMAP
    const DWORD size = found ? SizeofResource(module, found) : 0;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* dib = loaded ? LockResource(loaded) : nullptr;
    BITMAPINFOHEADER header{};
    if (!dib || size < sizeof(header)) {
        return false;
    }
    std::memcpy(&header, dib, sizeof(header));
    // The rows follow the palette, which is as long as the header says: the
    // colours used, or for 8 bits and fewer all of them when it says 0.
    std::uint64_t paletteEntries = header.biClrUsed;
    if (paletteEntries == 0 && header.biBitCount >= 1 && header.biBitCount <= 8) {
        paletteEntries = std::uint64_t{1} << header.biBitCount;
    }
    BITMAPFILEHEADER fileHeader{};
    static_assert(sizeof(fileHeader) == 14, "the file header as stored");
    const std::uint64_t fileSize = sizeof(fileHeader) + std::uint64_t{size};
    const std::uint64_t pixelOffset = sizeof(fileHeader) + std::uint64_t{header.biSize} + 4 * paletteEntries;
    if (header.biSize < sizeof(header) || pixelOffset > fileSize || fileSize > 0xFFFFFFFFu) {
        return false;
    }
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfSize = static_cast<DWORD>(fileSize);
    fileHeader.bfOffBits = static_cast<DWORD>(pixelOffset);
    try {
        std::vector<unsigned char> file(static_cast<std::size_t>(fileSize));
        std::memcpy(file.data(), &fileHeader, sizeof(fileHeader));
        std::memcpy(file.data() + sizeof(fileHeader), dib, size);
        return decodeBmp(file.data(), file.size(), image);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

BitmapHandle Win32Platform::createBitmap(const BmpImage& image)
{
    if (image.width < 1 || image.height < 1 || image.width > kBmpMaxSide || image.height > kBmpMaxSide ||
        std::int64_t{image.width} * image.height > kBmpMaxPixels ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3u) {
        return nullptr;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down, as the image's rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) {
            DeleteObject(bitmap);
        }
        return nullptr;
    }
    // The section's rows are padded to whole 4-byte words; the image's are not.
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3u;
    const std::size_t stride = (rowBytes + 3u) & ~std::size_t{3};
    auto* rows = static_cast<unsigned char*>(bits);
    for (std::size_t row = 0; row < static_cast<std::size_t>(image.height); ++row) {
        std::memcpy(rows + row * stride, image.pixels.data() + row * rowBytes, rowBytes);
    }
    return bitmap;
}

float Win32Platform::systemScale(WindowHandle parent)
{
    // Asked as the calling thread sees the window: a host that is not aware
    // of the dots per inch hears 96, and the system enlarges its windows itself.
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    if (parent) {
        if (auto forWindow = userFunction<UINT(WINAPI*)(HWND)>("GetDpiForWindow")) {
            dpi = forWindow(hwnd(parent));
        }
    } else if (auto forSystem = userFunction<UINT(WINAPI*)()>("GetDpiForSystem")) {
        dpi = forSystem();
    }
    return static_cast<float>(dpi) / static_cast<float>(USER_DEFAULT_SCREEN_DPI);  // 0 when it cannot tell
}

void Win32Platform::resizeWindow(WindowHandle window, std::int32_t width, std::int32_t height)
{
    SetWindowPos(hwnd(window), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
