// The VST 3 bundle's editor under Wine, as a Windows host opens it: the view
// attached to a top-level window of the test's, real mouse messages to the
// editor's child window, the test's message loop dispatching the view's timer
// as a host's loop does, and the window's pixels compared with the software
// canvas's rendering of the same values.
//   korvo_vst3_editor_tests.exe --module=VST3-BINARY
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>

#include "gui/GuiWindow.h"
#include "tests/support/CanvasEditor.h"
#include "tests/support/TestMain.h"
#include "tests/support/Vst3Host.h"
#include "tests/support/WineWindow.h"
#include "vst3/ClassInfo.h"
#include "vst3/interface/View.h"

using namespace vst3;

namespace {

constexpr int kWidth = CanvasEditor::kWidth;
constexpr int kHeight = CanvasEditor::kHeight;

class FixedFrame : public HostObject<IPlugFrame> {
public:
    tresult KORVO_VST3_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
};

class WineVst3Editor : public testing::Test {
protected:
    void SetUp() override
    {
        module = std::make_unique<Vst3Module>(testModulePath());
        ASSERT_NE(module->factory(), nullptr) << module->error();
        plugin = std::make_unique<Vst3Plugin>(module->factory(), korvo_vst3::kClassId.bytes);
        ASSERT_TRUE(plugin->isReady());
        ASSERT_EQ(plugin->controller->setComponentHandler(&handler), kResultOk);
        host = makeHostWindow();
        ASSERT_NE(host, nullptr);
    }

    void TearDown() override
    {
        plugin.reset();
        if (host) DestroyWindow(host);
        pumpMessages();
    }

    // Runs the message loop until the view's timer has ticked `wanted` times,
    // or for `limit` milliseconds (3 s: a busy machine); answers the ticks seen.
    static int runTicks(int wanted, DWORD limit = 3000)
    {
        int ticks = 0;
        for (const DWORD start = GetTickCount(); ticks < wanted && GetTickCount() - start < limit; Sleep(5)) {
            ticks += pumpMessages();
        }
        return ticks;
    }

    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst3Plugin> plugin;
    RecordingHandler handler;
    FixedFrame frame;
    HWND host = nullptr;
};

TEST_F(WineVst3Editor, TheViewRunsInTheHostsWindowAndItsKnobDragsBecomeGestures)
{
    IPlugView* view = plugin->controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, kWidth);
    EXPECT_EQ(size.bottom - size.top, kHeight);

    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
    HWND child = FindWindowExA(host, nullptr, GuiWindow::kClassName, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(IsWindowVisible(child));
    RECT area{};
    ASSERT_TRUE(GetClientRect(child, &area));
    EXPECT_EQ(area.right, kWidth);
    EXPECT_EQ(area.bottom, kHeight);
    POINT corner{0, 0};
    MapWindowPoints(child, host, &corner, 1);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    UpdateWindow(child);
    pumpMessages();

    // A value the host sets shows at the view's next tick.
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    CanvasEditor fresh(values);
    EXPECT_EQ(differencesInKnobs(Capture(child), fresh), 0) << "a fresh editor";
    ASSERT_EQ(plugin->controller->setParamNormalized(3, 0.9), kResultOk);
    ASSERT_GE(runTicks(1), 1) << "the view's timer never ticked";
    values[3] = 0.9f;
    CanvasEditor turned(values);
    EXPECT_EQ(differencesInKnobs(Capture(child), turned), 0)
        << "pixels of the A-Gain knob, its LED and the A-Freq knob still showing the old value";
    ASSERT_EQ(plugin->controller->setParamNormalized(3, 0.5), kResultOk);
    ASSERT_GE(runTicks(1), 1);

    // A drag: past the detent the values reach the host inside one gesture,
    // which stays open over the ticks while the button is down.
    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    for (int step = 1; step <= 7; ++step) {
        SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - step));
    }
    ASSERT_EQ(handler.edits.size(), 1u) << "the press begins the gesture, and the detent holds";
    EXPECT_EQ(handler.edits[0].kind, 'b');
    SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - 8));
    EXPECT_NEAR(plugin->controller->getParamNormalized(3), 0.54, 1e-6);
    for (int step = 12; step <= 40; step += 4) {
        ASSERT_GE(runTicks(1), 1);
        SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - step));
    }
    ASSERT_GE(runTicks(3), 3);
    ASSERT_GE(handler.edits.size(), 3u);
    for (std::size_t i = 0; i < handler.edits.size(); ++i) {
        EXPECT_EQ(handler.edits[i].id, 3u);
        EXPECT_EQ(handler.edits[i].kind, i == 0 ? 'b' : 'p') << "edit " << i << " while the knob is held";
    }
    EXPECT_NEAR(handler.edits[1].value, 0.54, 1e-6);
    EXPECT_EQ(handler.edits.back().value, plugin->controller->getParamNormalized(3));
    EXPECT_GT(handler.edits.back().value, 0.6);

    // Released, the gesture ends at the release, and the ticks after end nothing more.
    SendMessageA(child, WM_LBUTTONUP, 0, point(x, y - 40));
    EXPECT_EQ(handler.edits.back().kind, 'e');
    EXPECT_EQ(handler.edits.back().id, 3u);
    ASSERT_GE(runTicks(1), 1);
    EXPECT_EQ(std::count_if(handler.edits.begin(), handler.edits.end(),
                            [](const RecordingHandler::Edit& edit) { return edit.kind == 'e'; }),
              1);

    // Removed, the view leaves no window and no timer behind; released, it
    // makes way for a new one.
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(FindWindowExA(host, nullptr, GuiWindow::kClassName, nullptr), nullptr);
    EXPECT_EQ(runTicks(1, 200), 0) << "the view's timer outlived removed()";
    EXPECT_EQ(view->release(), 0u);
    pumpMessages();
    EXPECT_EQ(FindWindowA(GuiWindow::kClassName, nullptr), nullptr);
    EXPECT_TRUE(IsWindow(host));
    IPlugView* again = plugin->controller->createView("editor");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->release(), 0u);
}

}  // namespace
