#include "tests/support/WineWindow.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

const char* const kHostClass = "KorvoTestHost";

LRESULT CALLBACK hostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND makeHostWindow(int width, int height)
{
    WNDCLASSA description{};
    description.lpfnWndProc = hostWindowProcedure;
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = kHostClass;
    RegisterClassA(&description);  // fails harmlessly once registered
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND made = CreateWindowExA(0, kHostClass, "Korvo-EQ", WS_OVERLAPPEDWINDOW, 40, 40, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(made, SW_SHOW);
    pumpMessages();
    return made;
}

int pumpMessages()
{
    int threadTimers = 0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_TIMER && !message.hwnd) {
            ++threadTimers;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return threadTimers;
}

void runMessageLoop(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        pumpMessages();
        Sleep(5);
    }
}

Capture::Capture(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    columns = client.right;
    rows = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = columns;
    info.bmiHeader.biHeight = -rows;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, columns, rows, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    pixels.resize(static_cast<std::size_t>(columns * rows));
    for (int i = 0; bits && i < columns * rows; ++i) {
        const std::uint32_t rgb = words[i];  // blue in the low byte
        pixels[static_cast<std::size_t>(i)] = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    SelectObject(memory, previous);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, screen);
}

bool Capture::save(const std::string& path) const
{
    const int rowBytes = (columns * 3 + 3) & ~3;
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(rowBytes * rows);
    unsigned char header[54] = {'B', 'M'};
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put32(2, 54 + imageBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(columns));
    put32(22, static_cast<std::uint32_t>(rows));
    header[26] = 1;
    header[28] = 24;
    put32(34, imageBytes);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::fwrite(header, 1, sizeof(header), file);
    std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
    for (int y = rows - 1; y >= 0; --y) {
        for (int x = 0; x < columns; ++x) {
            const Colour c = at(x, y);
            row[3 * x] = static_cast<unsigned char>(c >> 16);
            row[3 * x + 1] = static_cast<unsigned char>(c >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(c);
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    return std::fclose(file) == 0;
}

int differences(const Capture& real, CanvasEditor& expected, const Box& box)
{
    int count = 0;
    for (int y = box.top; y < box.top + box.height; ++y) {
        for (int x = box.left; x < box.left + box.width; ++x) {
            if (real.at(x, y) != expected.at(x, y)) ++count;
        }
    }
    return count;
}

int differences(const Capture& real, const std::vector<unsigned char>& expected)
{
    const std::size_t captured = static_cast<std::size_t>(real.width() * real.height());
    if (expected.size() != captured * 3u) {
        return static_cast<int>(std::max({captured, expected.size() / 3u, std::size_t{1}}));
    }
    int count = 0;
    for (int y = 0; y < real.height(); ++y) {
        for (int x = 0; x < real.width(); ++x) {
            const unsigned char* bgr = &expected[static_cast<std::size_t>(y * real.width() + x) * 3u];
            if (real.at(x, y) != (Colour{bgr[0]} << 16 | Colour{bgr[1]} << 8 | bgr[2])) ++count;
        }
    }
    return count;
}

int differencesInKnobs(const Capture& real, CanvasEditor& expected)
{
    int count = 0;
    for (const Box& box : {kGainKnob, kGainLed, kFreqKnob}) {
        count += differences(real, expected, box);
    }
    return count;
}
