// The LV2 bundle's editor (ui:X11UI) in a real window under Xvfb, loaded and
// driven as an LV2 host does (tests/support/Lv2UiHost): embedded in an X11
// window of the test's, pumped through its idle interface, with real input
// through XTest. The pixels are held to the software canvas's picture, a knob
// drag must write its port in the port's unit between touches, and the host's
// port values must move the knobs.
//   korvo_lv2_editor_tests --module=KorvoEQ.lv2/KorvoEQ_ui.so
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <memory>
#include <utility>

#include "eq/ParameterParser.h"
#include "eq/Parameters.h"
#include "tests/support/CanvasEditor.h"
#include "tests/support/Lv2UiHost.h"
#include "tests/support/TestDisplay.h"
#include "tests/support/TestMain.h"

namespace {

constexpr std::uint32_t kGain = 3;  // A-Gain's port, under kGainKnob
constexpr int kHostX = 100, kHostY = 100;
using Call = Lv2UiHost::Call;

class Lv2Editor : public testing::Test {
protected:
    void SetUp() override
    {
        display = openTestDisplay();
        ASSERT_NE(display, nullptr) << "no X server (run under xvfb-run)";
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), kHostX, kHostY, 1600, 200, 0, 0, 0);
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XEvent event;
        do XNextEvent(display, &event);
        while (event.type != MapNotify);
        host = std::make_unique<Lv2UiHost>(testModulePath());
        ASSERT_NE(host->descriptor(), nullptr) << host->error();
    }

    void TearDown() override
    {
        host.reset();
        if (display) {
            if (window) XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }

    void pump(int turns = 4)
    {
        XSync(display, False);
        for (int i = 0; i < turns; ++i) host->idle();
    }
    void pointer(int x, int y)
    {
        XTestFakeMotionEvent(display, -1, kHostX + x, kHostY + y, CurrentTime);
        pump();
    }
    void button(unsigned number, bool press)
    {
        XTestFakeButtonEvent(display, number, press ? True : False, CurrentTime);
        pump();
    }

    std::pair<int, int> lastSize() const
    {
        const auto sizes = host->callsOf(Call::Resize);
        return sizes.empty() ? std::make_pair(0, 0) : std::make_pair(sizes.back().width, sizes.back().height);
    }

    // Pixels of a box of the host window that differ from the canvas's.
    int differences(CanvasEditor& expected, const Box& box) { return differingPixels(display, window, expected, box); }

    Display* display = nullptr;
    ::Window window = 0;
    std::unique_ptr<Lv2UiHost> host;
    float values[kNumParameters] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
};

TEST_F(Lv2Editor, ShowsInTheHostsWindowAtItsSizeAsTheCanvasDrawsIt)
{
    ASSERT_TRUE(host->instantiate(window));
    EXPECT_EQ(lastSize(), std::make_pair(785, 82));
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(display, host->widget(), &root, &parent, &children, &count));
    if (children) XFree(children);
    EXPECT_EQ(parent, window) << "the widget is the editor's window, a child of the host's";
    pump(10);
    CanvasEditor fresh(values);
    EXPECT_EQ(differences(fresh, kGainKnob), 0) << kGainKnob.what;
    EXPECT_EQ(differences(fresh, kFreqKnob), 0) << kFreqKnob.what;
}

TEST_F(Lv2Editor, AKnobDragWritesItsPortInDecibelsBetweenTouches)
{
    ASSERT_TRUE(host->instantiate(window));
    pump(10);
    host->calls.clear();
    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    pointer(x, y);
    button(1, true);
    // Down twice the knob's whole travel: the knob stops at its minimum.
    for (int step = 10; step <= 200; step += 10) pointer(x, y + step);
    button(1, false);
    pump();

    const auto& calls = host->calls;
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().kind, Call::Touch);
    EXPECT_TRUE(calls.front().grabbed);
    EXPECT_EQ(calls.back().kind, Call::Touch);
    EXPECT_FALSE(calls.back().grabbed);
    EXPECT_EQ(host->callsOf(Call::Touch).size(), 2u) << "one touch at the press, one at the release";
    const auto writes = host->callsOf(Call::Write);
    ASSERT_FALSE(writes.empty());
    for (const Call& write : writes) {
        EXPECT_EQ(write.port, kGain);
        EXPECT_EQ(write.size, sizeof(float));
        EXPECT_EQ(write.format, 0u);
    }
    for (const Call& touch : host->callsOf(Call::Touch)) EXPECT_EQ(touch.port, kGain);
    EXPECT_EQ(writes.back().value, toPlain(kGain, 0.0f)) << "the least gain, in dB";

    // The host hands the UI its own values back: nothing more is written.
    host->calls.clear();
    for (const Call& write : writes) host->portEvent(write.port, write.value);
    pump();
    EXPECT_TRUE(host->calls.empty());
}

TEST_F(Lv2Editor, ATypedValueWritesItsPortInDecibelsBetweenTouches)
{
    ASSERT_TRUE(host->instantiate(window));
    pump(10);
    host->calls.clear();
    // A right click on A-Gain, then "ENTER VALUE...", the first row of its
    // menu (moved up to the top 3 of the editor to fit its seven rows).
    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    pointer(x, y);
    button(3, true);
    button(3, false);
    pointer(x + 10, 3 + 1 + 5);
    button(1, true);
    button(1, false);
    typeThroughXTest(display, "-3 dB\r", [this] { pump(); });
    const auto& calls = host->calls;
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, Call::Touch);
    EXPECT_TRUE(calls[0].grabbed);
    EXPECT_EQ(calls[1].kind, Call::Write);
    EXPECT_EQ(calls[1].port, kGain);
    float typed = 0.0f;
    std::string error;
    ASSERT_TRUE(parseParameterValue(kGain, "-3 dB", typed, error)) << error;
    EXPECT_EQ(calls[1].value, toPlain(kGain, typed)) << "what korvo --set A-Gain=-3dB sets, in dB";
    EXPECT_NEAR(calls[1].value, -3.0f, 1e-4f);
    EXPECT_EQ(calls[2].kind, Call::Touch);
    EXPECT_FALSE(calls[2].grabbed);
}

TEST_F(Lv2Editor, ThePortsValueMovesTheKnob)
{
    ASSERT_TRUE(host->instantiate(window));
    pump(10);
    values[kGain] = 0.9f;
    host->portEvent(kGain, toPlain(kGain, 0.9f));
    pump();
    CanvasEditor turned(values);
    EXPECT_EQ(differences(turned, kGainKnob), 0) << kGainKnob.what;
    EXPECT_EQ(differences(turned, kGainLed), 0) << kGainLed.what;
    EXPECT_TRUE(host->callsOf(Call::Write).empty()) << "a value from the host is not written back";
}

TEST_F(Lv2Editor, TheHostsScaleAndTheSizeMenuSizeTheEditor)
{
    ASSERT_TRUE(host->instantiate(window, 2.0f));
    EXPECT_EQ(lastSize(), std::make_pair(1570, 164));
    host->cleanup();

    host->calls.clear();
    ASSERT_TRUE(host->instantiate(window));
    pump(10);
    // At 100 % the menu opens with its top left at the press; below its
    // 1-pixel frame each item is 11 pixels tall, and "200 %" is the third.
    const int menuX = 10, menuY = 5;
    pointer(menuX, menuY);
    button(3, true);
    button(3, false);
    pointer(menuX + 10, menuY + 1 + 2 * 11 + 5);
    button(1, true);
    button(1, false);
    EXPECT_EQ(lastSize(), std::make_pair(1570, 164));
}

TEST_F(Lv2Editor, IdleTellsTheHostOnceItsWindowIsGone)
{
    ASSERT_TRUE(host->instantiate(window));
    pump();
    EXPECT_EQ(host->idle(), 0);
    XDestroyWindow(display, window);
    window = 0;
    XSync(display, False);
    int closed = 0;
    for (int turn = 0; turn < 4 && !closed; ++turn) closed = host->idle();
    EXPECT_NE(closed, 0);
}

}  // namespace
