// The Windows module's editor in a real window, as a host opens it: a 32-bit
// host window, the editor inside it, real mouse messages to its child window,
// and its pixels read back and compared with the software canvas's rendering of
// the same state. Runs under Wine on a 24-bit screen; the tests at 192 dots
// per inch run on a screen made so (wine-run.sh --dpi 192).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "eq/EqEffect.h"
#include "eq/ParameterParser.h"
#include "gui/EqEditor.h"
#include "tests/support/CanvasEditor.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestMain.h"
#include "tests/support/WineWindow.h"
#include "tools/PluginLoader.h"

namespace {

constexpr int kWidth = CanvasEditor::kWidth;
constexpr int kHeight = CanvasEditor::kHeight;
const float kInitial[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

std::string screenshotPath(const char* name = "editor-screenshot.bmp")
{
    const std::string& module = testModulePath();
    const std::size_t slash = module.find_last_of("/\\");
    return (slash == std::string::npos ? std::string(".") : module.substr(0, slash)) + "/" + name;
}

// A function of user32 that older systems lack, or null.
template <typename Function>
Function userFunction(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

class WineEditor : public testing::Test {
protected:
    void SetUp() override { load(1); }

    // The module loaded, its editor's size asked (it must be the editor's at
    // this scale), and a host window with room for the editor at 200 %.
    void load(int scale)
    {
        RecordingHost::instance().reset();
        loader = std::make_unique<PluginLoader>(testModulePath());
        ASSERT_TRUE(loader->isLoaded()) << loader->error();
        PluginLoader::Entry entry = loader->entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        effect = entry(&RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        ASSERT_TRUE(effect->flags & effFlagsHasEditor);

        EditorRect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        ASSERT_EQ(rect->right - rect->left, kWidth * scale);
        ASSERT_EQ(rect->bottom - rect->top, kHeight * scale);
        host = makeHostWindow(2 * kWidth, 2 * kHeight);
        ASSERT_NE(host, nullptr);
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

// A host that makes itself aware of each monitor's dots per inch (its own
// business; the module never changes it) on a screen of 192.
class WineEditorAt192Dpi : public WineEditor {
protected:
    void SetUp() override
    {
        auto aware = userFunction<BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT)>("SetProcessDpiAwarenessContext");
        auto systemDpi = userFunction<UINT(WINAPI*)()>("GetDpiForSystem");
        ASSERT_TRUE(aware && systemDpi);
        // Wine knows the first version only, and may have made the process aware already.
        if (!aware(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
            aware(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        }
        if (systemDpi() != 192) {
            GTEST_SKIP() << "the screen shows " << systemDpi() << " dpi: run under wine-run.sh --dpi 192";
        }
        load(2);
    }
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

TEST_F(WineEditorAt192Dpi, TheEditorOpensAtTwiceItsSizeAndShowsTheCanvasPictureAt200Percent)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    const Capture shown(child);
    EXPECT_EQ(shown.width(), 2 * kWidth);
    EXPECT_EQ(shown.height(), 2 * kHeight);
    EXPECT_EQ(differences(shown, CanvasEditor(kInitial, 2.0f).pixels()), 0);
    EXPECT_TRUE(RecordingHost::instance().callsOf(audioMasterSizeWindow).empty()) << "effEditGetRect told the size";
}

TEST_F(WineEditor, TheSizeMenusTwoHundredPercentDoublesTheEditorThoughTheHostRefusesTheSize)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    // At 100 % the menu opens at the press, a 1-pixel frame, then items 11 pixels tall.
    const int x = 300, y = 10, item = 2;
    SendMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, point(x, y));
    SendMessageA(child, WM_RBUTTONUP, 0, point(x, y));
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(x + 10, y + 1 + 11 * item + 5));
    SendMessageA(child, WM_LBUTTONUP, 0, point(x + 10, y + 1 + 11 * item + 5));
    pumpMessages();

    const std::vector<HostCall> asked = RecordingHost::instance().callsOf(audioMasterSizeWindow);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].index, 2 * kWidth);
    EXPECT_EQ(asked[0].value, 2 * kHeight);
    const Capture doubled(child);
    EXPECT_EQ(doubled.width(), 2 * kWidth);
    EXPECT_EQ(doubled.height(), 2 * kHeight);
    EXPECT_EQ(differences(doubled, CanvasEditor(kInitial, 2.0f).pixels()), 0);
    EXPECT_TRUE(doubled.save(screenshotPath("editor-screenshot-200.bmp")));
    std::printf("editor screenshot at 200 %%: %s\n", screenshotPath("editor-screenshot-200.bmp").c_str());
}

TEST_F(WineEditor, ATypedValueComesAsWmCharAndTheMenuClosesOnAClickOutsideIt)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    // A right click on A-Freq, then "ENTER VALUE...", the menu's first row
    // (the menu moved up to the top 3 of the editor to fit its seven rows).
    const int x = kFreqKnob.left + 13, y = kFreqKnob.top + 13;
    auto enterValue = [&] {
        SendMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, point(x, y));
        SendMessageA(child, WM_RBUTTONUP, 0, point(x, y));
        SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(x + 10, 3 + 1 + 5));
        SendMessageA(child, WM_LBUTTONUP, 0, point(x + 10, 3 + 1 + 5));
    };
    // Keys as the host's loop has them: WM_KEYDOWN, and its WM_CHAR from TranslateMessage.
    auto press = [&](WPARAM virtualKey) { PostMessageA(child, WM_KEYDOWN, virtualKey, 1); };
    enterValue();
    EXPECT_EQ(GetFocus(), child) << "the field takes the keyboard";
    for (const char* c = "1 kHz"; *c; ++c) {
        PostMessageA(child, WM_CHAR, static_cast<unsigned char>(*c), 1);
    }
    press(VK_RETURN);
    pumpMessages();
    Setting expected{};
    std::string error;
    ASSERT_TRUE(parseSetting("A-Freq=1kHz", expected, error)) << error;
    EXPECT_EQ(effect->getParameter(effect, 2), expected.value);
    EXPECT_EQ(RecordingHost::instance().editCalls(), "B2 A2 E2");

    enterValue();
    press('2');
    press(VK_ESCAPE);
    pumpMessages();
    EXPECT_EQ(effect->getParameter(effect, 2), expected.value) << "Escape changes nothing";

    // A press on the A-Gain knob outside the menu closes it and turns nothing.
    SendMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, point(10, 5));
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(kGainKnob.left + 13, kGainKnob.top + 13));
    SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(kGainKnob.left + 13, 0));
    SendMessageA(child, WM_LBUTTONUP, 0, point(kGainKnob.left + 13, 0));
    pumpMessages();
    EXPECT_EQ(effect->getParameter(effect, 3), 0.5f);
    EXPECT_EQ(RecordingHost::instance().editCalls(), "B2 A2 E2");
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    values[2] = expected.value;
    EXPECT_EQ(differences(Capture(child), CanvasEditor(values).pixels()), 0) << "the menu is gone";
}

TEST_F(WineEditor, AWheelNotchTurnsByAHundredthAndWithShiftByAThousandth)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    POINT over{kFreqKnob.left + 13, kFreqKnob.top + 13};
    ClientToScreen(child, &over);  // where the wheel message says the pointer is
    SendMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), point(over.x, over.y));
    EXPECT_NEAR(effect->getParameter(effect, 2), 0.51f, 1e-6f);
    SendMessageA(child, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, WHEEL_DELTA), point(over.x, over.y));
    EXPECT_NEAR(effect->getParameter(effect, 2), 0.511f, 1e-6f);
}

TEST_F(WineEditor, ThePointerLeavingTheWindowTakesTheValueLabelAway)
{
    HWND child = openEditor();
    ASSERT_NE(child, nullptr);
    const std::vector<unsigned char> bare = CanvasEditor(kInitial).pixels();
    POINT over{kFreqKnob.left + 13, kFreqKnob.top + 13};
    ClientToScreen(child, &over);
    SetCursorPos(over.x, over.y);
    pumpMessages();
    SendMessageA(child, WM_MOUSEMOVE, 0, point(kFreqKnob.left + 13, kFreqKnob.top + 13));
    ASSERT_GT(differences(Capture(child), bare), 0) << "no value label over the knob";

    SetCursorPos(0, 0);  // off the host's window; only the system can tell the editor
    int differing = -1;
    for (int waited = 0; waited < 3000 && differing != 0; waited += 50) {
        runMessageLoop(50);
        differing = differences(Capture(child), bare);
    }
    EXPECT_EQ(differing, 0) << "the value label stayed after the pointer left";
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
        differing = differencesInKnobs(Capture(child), expected);
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
    HWND bystander = makeHostWindow();  // a new window may take the old handle's place
    dispatch(effEditClose);
    EXPECT_TRUE(IsWindow(bystander)) << "closing the editor destroyed someone else's window";
    host = makeHostWindow();
    HWND again = openEditor();
    ASSERT_NE(again, nullptr);
    dispatch(effEditClose);
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, host), 1);  // left open for effClose to take down
    DestroyWindow(bystander);
}

}  // namespace
