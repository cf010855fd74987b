// The Windows module's editor in a real window, as a host opens it: a 32-bit
// host window, the editor inside it, real mouse messages to its child window,
// and its pixels read back and compared with the software canvas's rendering of
// the same state. Runs under Wine on a 24-bit screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "eq/EqEffect.h"
#include "gui/EqEditor.h"
#include "tests/support/CanvasEditor.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestMain.h"
#include "tools/PluginLoader.h"

namespace {

constexpr int kWidth = CanvasEditor::kWidth;
constexpr int kHeight = CanvasEditor::kHeight;

LRESULT CALLBACK hostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

void pumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

LPARAM point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// What a window shows, as 0x00BBGGRR colours, read back through a DIB section.
class Capture {
public:
    explicit Capture(HWND window)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(window);
        HDC memory = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* words = static_cast<const std::uint32_t*>(bits);
        pixels.resize(kWidth * kHeight);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            const std::uint32_t rgb = words[i];  // blue in the low byte
            pixels[i] = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
        }
        SelectObject(memory, previous);
        DeleteObject(dib);
        DeleteDC(memory);
        ReleaseDC(window, screen);
    }
    Colour at(int x, int y) const { return pixels[y * kWidth + x]; }

    // A 24-bit BMP of the capture.
    bool save(const std::string& path) const
    {
        const int rowBytes = (kWidth * 3 + 3) & ~3;
        const std::uint32_t imageBytes = static_cast<std::uint32_t>(rowBytes * kHeight);
        unsigned char header[54] = {'B', 'M'};
        auto put32 = [&](int at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) header[at + i] = static_cast<unsigned char>(v >> (8 * i));
        };
        put32(2, 54 + imageBytes);
        put32(10, 54);
        put32(14, 40);
        put32(18, kWidth);
        put32(22, kHeight);
        header[26] = 1;
        header[28] = 24;
        put32(34, imageBytes);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) return false;
        std::fwrite(header, 1, sizeof(header), file);
        std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes), 0);
        for (int y = kHeight - 1; y >= 0; --y) {
            for (int x = 0; x < kWidth; ++x) {
                const Colour c = at(x, y);
                row[3 * x] = static_cast<unsigned char>(c >> 16);
                row[3 * x + 1] = static_cast<unsigned char>(c >> 8);
                row[3 * x + 2] = static_cast<unsigned char>(c);
            }
            std::fwrite(row.data(), 1, row.size(), file);
        }
        return std::fclose(file) == 0;
    }

private:
    std::vector<Colour> pixels;
};

// Counts the pixels of a box that differ between the real window and the canvas.
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

std::string screenshotPath()
{
    const std::string& module = testModulePath();
    const std::size_t slash = module.find_last_of("/\\");
    return (slash == std::string::npos ? std::string(".") : module.substr(0, slash)) + "/editor-screenshot.bmp";
}

class WineEditor : public testing::Test {
protected:
    void SetUp() override
    {
        RecordingHost::instance().reset();
        loader = std::make_unique<PluginLoader>(testModulePath());
        ASSERT_TRUE(loader->isLoaded()) << loader->error();
        PluginLoader::Entry entry = loader->entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        effect = entry(&RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        ASSERT_TRUE(effect->flags & effFlagsHasEditor);

        WNDCLASSA description{};
        description.lpfnWndProc = hostWindowProcedure;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = "KorvoTestHost";
        RegisterClassA(&description);
        EditorRect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        ASSERT_EQ(rect->right - rect->left, kWidth);
        ASSERT_EQ(rect->bottom - rect->top, kHeight);
        host = makeHost();
        ASSERT_NE(host, nullptr);
    }

    static HWND makeHost()
    {
        RECT frame{0, 0, kWidth, kHeight};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        HWND made = CreateWindowExA(0, "KorvoTestHost", "Korvo-EQ", WS_OVERLAPPEDWINDOW, 40, 40,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        ShowWindow(made, SW_SHOW);
        pumpMessages();
        return made;
    }

    // Lets the window's own timer run for a while, as a host's message loop does.
    static void runMessageLoop(DWORD milliseconds)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            pumpMessages();
            Sleep(5);
        }
    }

    void TearDown() override
    {
        if (effect) dispatch(effClose);
        if (host) DestroyWindow(host);
        pumpMessages();
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }

    HWND openEditor()
    {
        EXPECT_EQ(dispatch(effEditOpen, 0, 0, host), 1);
        HWND child = FindWindowExA(host, nullptr, "VXGui", nullptr);
        EXPECT_NE(child, nullptr);
        UpdateWindow(child);
        pumpMessages();
        return child;
    }

    std::unique_ptr<PluginLoader> loader;
    AEffect* effect = nullptr;
    HWND host = nullptr;
};

TEST_F(WineEditor, AKnobDragReachesTheHostAndTheWindowShowsWhatTheCanvasShows)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    {
        const Capture fresh(child);
        CanvasEditor expected(values);
        for (const Box& box : {kGainKnob, kGainLed, kFreqKnob}) {
            EXPECT_EQ(differences(fresh, expected, box), 0) << box.what << " on a fresh editor";
        }
    }

    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    for (int step = 1; step <= 7; ++step) {
        SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - step));
        EXPECT_EQ(effect->getParameter(effect, 3), 0.5f) << "the detent holds at step " << step;
    }
    EXPECT_TRUE(RecordingHost::instance().callsOf(audioMasterAutomate).empty());
    SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - 8));
    EXPECT_NEAR(effect->getParameter(effect, 3), 0.54f, 1e-6f);
    const std::vector<HostCall> automated = RecordingHost::instance().callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 3);
    EXPECT_NEAR(automated[0].opt, 0.54f, 1e-6f);

    // In the same message the LED lit and the knob turned: compare with the canvas.
    values[3] = effect->getParameter(effect, 3);
    {
        const Capture dragged(child);
        CanvasEditor expected(values);
        for (const Box& box : {kGainKnob, kGainLed, kFreqKnob}) {
            EXPECT_EQ(differences(dragged, expected, box), 0) << box.what << " after the drag";
        }
        EXPECT_TRUE(dragged.save(screenshotPath()));
        std::printf("editor screenshot: %s\n", screenshotPath().c_str());
    }
    SendMessageA(child, WM_LBUTTONUP, 0, point(x, y - 8));

    // Closed and opened again, the editor paints the same state.
    dispatch(effEditClose);
    pumpMessages();
    EXPECT_EQ(FindWindowExA(host, nullptr, "VXGui", nullptr), nullptr);
    HWND again = openEditor();
    ASSERT_NE(again, nullptr);
    const Capture reopened(again);
    CanvasEditor expected(values);
    for (const Box& box : {kGainKnob, kGainLed, kFreqKnob}) {
        EXPECT_EQ(differences(reopened, expected, box), 0) << box.what << " after reopening";
    }
}

TEST_F(WineEditor, ClosingDuringADragEndsIt)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    const int x = kFreqKnob.left + 13, y = kFreqKnob.top + 13;
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - 20));
    const float dragged = effect->getParameter(effect, 2);
    EXPECT_NEAR(dragged, 0.6f, 1e-5f);
    dispatch(effEditClose);
    HWND again = openEditor();
    ASSERT_NE(again, nullptr);
    SendMessageA(again, WM_MOUSEMOVE, 0, point(x, y - 60));
    EXPECT_EQ(effect->getParameter(effect, 2), dragged) << "a plain move after reopening turns nothing";
}

TEST_F(WineEditor, ASecondOpenReplacesTheFirstWindow)
{
    ASSERT_NE(openEditor(), nullptr);
    ASSERT_NE(openEditor(), nullptr);
    int children = 0;
    for (HWND w = FindWindowExA(host, nullptr, "VXGui", nullptr); w; w = FindWindowExA(host, w, "VXGui", nullptr)) {
        ++children;
    }
    EXPECT_EQ(children, 1);
}

TEST_F(WineEditor, AChunkLoadedWithTheEditorOpenShowsOnTheKnobs)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    float values[10] = {0.5f, 0.5f, 0.9f, 0.9f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    ASSERT_EQ(dispatch(effSetChunk, 1, 40, values), 40);
    CanvasEditor expected(values);
    // The window's timer shows it within a few ticks; a busy machine gets up to 3 s.
    int differing = -1;
    for (int waited = 0; waited < 3000 && differing != 0; waited += 50) {
        runMessageLoop(50);
        const Capture loaded(child);
        differing = 0;
        for (const Box& box : {kGainKnob, kGainLed, kFreqKnob}) {
            differing += differences(loaded, expected, box);
        }
    }
    EXPECT_EQ(differing, 0) << "pixels of the A-Gain knob, its LED and the A-Freq knob still showing the old state";
}

TEST_F(WineEditor, AHostWindowDestroyedBeforeCloseLeavesTheEditorSafe)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    DestroyWindow(host);  // the host closes its window without effEditClose
    host = nullptr;
    pumpMessages();
    EXPECT_FALSE(IsWindow(child));
    HWND bystander = makeHost();  // a new window may take the old handle's place
    dispatch(effEditClose);
    EXPECT_TRUE(IsWindow(bystander)) << "closing the editor destroyed someone else's window";
    host = makeHost();
    HWND again = openEditor();
    ASSERT_NE(again, nullptr);
    dispatch(effEditClose);
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, host), 1);  // left open for effClose to take down
    DestroyWindow(bystander);
}

}  // namespace
