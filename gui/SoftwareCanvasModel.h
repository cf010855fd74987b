// The software canvas's model: its surfaces, contexts, bitmaps, pens,
// brushes, windows and classes, shared by the canvas and by what inspects it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/SoftwareCanvas.h"

namespace canvasmodel {

// Pixels as blue, green, red bytes, rows top to bottom, no padding.
struct Surface {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<unsigned char> bytes;
};

bool sizeAllowed(std::int64_t width, std::int64_t height);
Surface makeSurface(std::int32_t width, std::int32_t height, Colour colour);
// The pixel at x, y as 0x00BBGGRR, or SoftwareCanvas::kNoPixel off the surface.
Colour readPixel(const Surface& surface, std::int64_t x, std::int64_t y);
// Class names compare without regard to ASCII case.
bool sameClassName(const std::string& a, const char* b);

enum class ContextKind { Memory, Window, Paint };

struct Context {
    ContextKind kind = ContextKind::Memory;
    WindowHandle window = nullptr;  // for window and paint contexts
    BitmapHandle bitmap = nullptr;  // for memory contexts
    GdiObject pen = nullptr;
    GdiObject brush = nullptr;
};

struct Bitmap {
    Surface surface;
    bool stock = false;
};

// A pen or a brush.
struct Tool {
    Colour colour = 0;
    bool stock = false;
};

struct Window {
    WindowHandle parent = nullptr;
    void* instance = nullptr;
    std::string className;
    WindowProcedure procedure = nullptr;
    GuiPoint origin{0, 0};
    void* slot = nullptr;
    bool visible = false;
    Surface surface;
    std::thread::id thread;
    GuiRect invalid{0, 0, 0, 0};
    std::vector<std::uintptr_t> timers;
};

struct WindowClass {
    void* instance = nullptr;
    std::string name;
    WindowProcedure procedure = nullptr;
};

template <class T>
T* lookUp(std::map<void*, T>& objects, void* handle)
{
    if (handle == nullptr) {
        return nullptr;
    }
    auto found = objects.find(handle);
    return found == objects.end() ? nullptr : &found->second;
}

}  // namespace canvasmodel

struct SoftwareCanvas::State {
    using Surface = canvasmodel::Surface;
    using ContextKind = canvasmodel::ContextKind;
    using Context = canvasmodel::Context;
    using Bitmap = canvasmodel::Bitmap;
    using Tool = canvasmodel::Tool;
    using Window = canvasmodel::Window;
    using WindowClass = canvasmodel::WindowClass;

    std::mutex lock;
    std::uintptr_t lastHandle = 0x10000;
    std::map<void*, Bitmap> bitmaps;
    std::map<void*, Tool> brushes;
    std::map<void*, Tool> pens;
    std::map<void*, Context> contexts;
    std::map<void*, Window> windows;
    std::vector<WindowClass> classes;
    WindowHandle capture = nullptr;
    WindowHandle focus = nullptr;
    BitmapHandle stockBitmap = nullptr;
    GdiObject stockPen = nullptr;
    GdiObject stockBrush = nullptr;

    State()
    {
        stockBitmap = newHandle();
        bitmaps[stockBitmap] = Bitmap{canvasmodel::makeSurface(1, 1, 0x000000), true};
        stockPen = newHandle();
        pens[stockPen] = Tool{0x000000, true};
        stockBrush = newHandle();
        brushes[stockBrush] = Tool{0xFFFFFF, true};
    }

    // Handles are never reused, so a stale one finds nothing.
    void* newHandle()
    {
        lastHandle += 16;
        return reinterpret_cast<void*>(lastHandle);
    }

    WindowClass* findClass(void* instance, const char* name)
    {
        if (name == nullptr) {
            return nullptr;
        }
        for (WindowClass& entry : classes) {
            if (entry.instance == instance && canvasmodel::sameClassName(entry.name, name)) {
                return &entry;
            }
        }
        return nullptr;
    }

    Context* context(DeviceHandle device) { return canvasmodel::lookUp(contexts, device); }
    Window* window(WindowHandle handle) { return canvasmodel::lookUp(windows, handle); }

    // The surface a context draws on, or null when its window or bitmap is gone.
    Surface* surfaceOf(DeviceHandle device)
    {
        Context* found = context(device);
        if (found == nullptr) {
            return nullptr;
        }
        if (found->kind == ContextKind::Memory) {
            Bitmap* bitmap = canvasmodel::lookUp(bitmaps, found->bitmap);
            return bitmap ? &bitmap->surface : nullptr;
        }
        Window* owner = window(found->window);
        return owner ? &owner->surface : nullptr;
    }

    DeviceHandle newContext(ContextKind kind, WindowHandle owner)
    {
        Context created;
        created.kind = kind;
        created.window = owner;
        created.bitmap = kind == ContextKind::Memory ? stockBitmap : nullptr;
        created.pen = stockPen;
        created.brush = stockBrush;
        DeviceHandle handle = newHandle();
        contexts[handle] = created;
        return handle;
    }

    bool isSelected(GdiObject object)
    {
        for (const auto& entry : contexts) {
            const Context& c = entry.second;
            if (c.bitmap == object || c.pen == object || c.brush == object) {
                return true;
            }
        }
        return false;
    }

    BitmapHandle addBitmap(Surface surface)
    {
        BitmapHandle handle = newHandle();
        bitmaps[handle] = Bitmap{std::move(surface), false};
        return handle;
    }

    WindowHandle addWindow(Window created)
    {
        WindowHandle handle = newHandle();
        windows[handle] = std::move(created);
        return handle;
    }
};
