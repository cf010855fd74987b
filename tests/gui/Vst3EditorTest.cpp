// The VST 3 bundle's editor in a real X11 window under Xvfb, driven the way a
// Linux host drives it: through a run loop of the test's own that calls the
// view when its X connection has events and on its timer; real input through
// XTest.
//   korvo_vst3_editor_tests --module=VST3-BINARY
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "eq/ParameterParser.h"
#include "tests/support/TestDisplay.h"
#include "tests/support/CanvasEditor.h"
#include "tests/support/TestMain.h"
#include "tests/support/Vst3Host.h"
#include "vst3/ClassInfo.h"
#include "vst3/interface/View.h"

using namespace vst3;
using namespace vst3::linux_ui;

namespace {

constexpr int kHostX = 100, kHostY = 100;

class TestRunLoop : public HostObject<IRunLoop> {
public:
    tresult KORVO_VST3_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) override
    {
        events = handler;
        descriptor = fd;
        return kResultOk;
    }
    tresult KORVO_VST3_API unregisterEventHandler(IEventHandler* handler) override
    {
        events = handler == events ? nullptr : events;
        return kResultOk;
    }
    tresult KORVO_VST3_API registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override
    {
        timer = handler;
        interval = milliseconds;
        return kResultOk;
    }
    tresult KORVO_VST3_API unregisterTimer(ITimerHandler* handler) override
    {
        timer = handler == timer ? nullptr : timer;
        return kResultOk;
    }

    // What the host's loop does for a while: the handler when the descriptor
    // is readable, the timer on every turn.
    void turn(int times)
    {
        for (int i = 0; i < times; ++i) {
            usleep(5000);
            pollfd watched{descriptor, POLLIN, 0};
            if (events && poll(&watched, 1, 0) > 0) {
                events->onFDIsSet(descriptor);
            }
            if (timer) {
                timer->onTimer();
            }
        }
    }

    IEventHandler* events = nullptr;
    ITimerHandler* timer = nullptr;
    FileDescriptor descriptor = -1;
    TimerInterval interval = 0;
};

class TestFrame : public HostObject<IPlugFrame> {
public:
    tresult KORVO_VST3_API queryInterface(const TUID wanted, void** object) override
    {
        if (sameUid(wanted, IRunLoop::iid)) {
            *object = &loop;
            return kResultOk;
        }
        return HostObject<IPlugFrame>::queryInterface(wanted, object);
    }
    // Refuses, as a host with a fixed frame does, and remembers what it was asked.
    tresult KORVO_VST3_API resizeView(IPlugView*, ViewRect* size) override
    {
        asked.push_back(*size);
        return kResultFalse;
    }

    TestRunLoop loop;
    std::vector<ViewRect> asked;
};

class Vst3Editor : public testing::Test {
protected:
    void SetUp() override
    {
        display = openTestDisplay();
        ASSERT_NE(display, nullptr) << "no X server (run under xvfb-run)";
        host = XCreateSimpleWindow(display, DefaultRootWindow(display), kHostX, kHostY, CanvasEditor::kWidth,
                                   CanvasEditor::kHeight, 0, 0, 0);
        XSelectInput(display, host, StructureNotifyMask);
        XMapWindow(display, host);
        XEvent event;
        do XNextEvent(display, &event);
        while (event.type != MapNotify);
        module = std::make_unique<Vst3Module>(testModulePath());
        ASSERT_NE(module->factory(), nullptr) << module->error();
        plugin = std::make_unique<Vst3Plugin>(module->factory(), korvo_vst3::kClassId.bytes);
        ASSERT_TRUE(plugin->isReady());
        ASSERT_EQ(plugin->controller->setComponentHandler(&handler), kResultOk);
    }

    void TearDown() override
    {
        plugin.reset();
        if (display) {
            XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    void pump(int times = 4)
    {
        XSync(display, False);
        frame.loop.turn(times);
    }

    std::vector<char> pixels(const Box& box)
    {
        XSync(display, False);
        XImage* image = XGetImage(display, host, box.left, box.top, static_cast<unsigned>(box.width),
                                  static_cast<unsigned>(box.height), AllPlanes, ZPixmap);
        std::vector<char> bytes(image->data, image->data + image->bytes_per_line * image->height);
        XDestroyImage(image);
        return bytes;
    }

    Display* display = nullptr;
    ::Window host = 0;
    std::unique_ptr<Vst3Module> module;
    std::unique_ptr<Vst3Plugin> plugin;
    RecordingHandler handler;
    TestFrame frame;
};

TEST_F(Vst3Editor, TheHostsRunLoopDrivesTheEditorAndKnobDragsBecomeGestures)
{
    IPlugView* view = plugin->controller->createView("editor");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(plugin->controller->createView("editor"), nullptr) << "one view at a time";
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, CanvasEditor::kWidth);
    EXPECT_EQ(size.bottom - size.top, CanvasEditor::kHeight);

    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host)),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    EXPECT_NE(frame.loop.events, nullptr);
    EXPECT_GE(frame.loop.descriptor, 0);
    ASSERT_NE(frame.loop.timer, nullptr);
    EXPECT_GE(frame.loop.interval, 10u);
    EXPECT_LE(frame.loop.interval, 50u);
    pump(10);

    // A value the host sets shows at the editor's next ticks.
    const std::vector<char> before = pixels(kGainKnob);
    ASSERT_EQ(plugin->controller->setParamNormalized(3, 0.9), kResultOk);
    pump();
    EXPECT_NE(pixels(kGainKnob), before);
    ASSERT_EQ(plugin->controller->setParamNormalized(3, 0.5), kResultOk);
    pump();
    EXPECT_EQ(pixels(kGainKnob), before);

    // A drag: begin, values, and the end only once the button is up.
    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    XTestFakeMotionEvent(display, -1, kHostX + x, kHostY + y, CurrentTime);
    pump();
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    pump();
    for (int step = 4; step <= 40; step += 4) {
        XTestFakeMotionEvent(display, -1, kHostX + x, kHostY + y - step, CurrentTime);
        pump();
    }
    ASSERT_GE(handler.edits.size(), 2u);
    EXPECT_EQ(handler.edits.front().kind, 'b');
    for (const RecordingHandler::Edit& edit : handler.edits) {
        EXPECT_EQ(edit.id, 3u);
        EXPECT_NE(edit.kind, 'e') << "the gesture ended while the knob was held";
    }
    EXPECT_EQ(handler.edits.back().kind, 'p');
    EXPECT_EQ(handler.edits.back().value, plugin->controller->getParamNormalized(3));
    EXPECT_GT(handler.edits.back().value, 0.6);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    pump();
    EXPECT_EQ(handler.edits.back().kind, 'e');
    EXPECT_EQ(handler.edits.back().id, 3u);

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(frame.loop.events, nullptr);
    EXPECT_EQ(frame.loop.timer, nullptr);
    view->release();
    IPlugView* again = plugin->controller->createView("editor");
    ASSERT_NE(again, nullptr);
    again->release();
}

TEST_F(Vst3Editor, KeysTheHostForwardsTypeAValueAsOneGesture)
{
    IPlugView* view = plugin->controller->createView("editor");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host)),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    pump(10);
    EXPECT_EQ(view->onKeyDown('5', 0, 0), kResultFalse) << "the host keeps keys the editor does not use";

    // A right click on A-Freq, then "ENTER VALUE...", the first row of its
    // menu (moved up to the top 3 of the editor to fit its seven rows).
    const int x = kFreqKnob.left + 13, y = kFreqKnob.top + 13;
    auto click = [&](unsigned button, int atX, int atY) {
        XTestFakeMotionEvent(display, -1, kHostX + atX, kHostY + atY, CurrentTime);
        pump();
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        pump();
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        pump();
    };
    click(3, x, y);
    click(1, x + 10, 3 + 1 + 5);
    for (const char* c = "1 kHz"; *c; ++c) {
        EXPECT_EQ(view->onKeyDown(static_cast<char16>(*c), 0, 0), kResultTrue) << *c;
    }
    EXPECT_TRUE(handler.edits.empty());
    EXPECT_EQ(view->onKeyDown(0, KEY_RETURN, 0), kResultTrue);
    Setting expected{};
    std::string error;
    ASSERT_TRUE(parseSetting("A-Freq=1kHz", expected, error)) << error;
    ASSERT_EQ(handler.edits.size(), 3u);
    EXPECT_EQ(handler.edits[0].kind, 'b');
    EXPECT_EQ(handler.edits[1].kind, 'p');
    EXPECT_EQ(handler.edits[1].value, static_cast<double>(expected.value));
    EXPECT_EQ(handler.edits[2].kind, 'e');
    for (const RecordingHandler::Edit& edit : handler.edits) EXPECT_EQ(edit.id, 2u);

    EXPECT_EQ(view->removed(), kResultOk);
    view->release();
}

TEST_F(Vst3Editor, TheHostsContentScaleSizesTheViewAndAChangeAsksTheFrame)
{
    IPlugView* view = plugin->controller->createView("editor");
    ASSERT_NE(view, nullptr);
    IPlugViewContentScaleSupport* scaling = nullptr;
    ASSERT_EQ(view->queryInterface(IPlugViewContentScaleSupport::iid.bytes, reinterpret_cast<void**>(&scaling)),
              kResultOk);
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultTrue);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, 1570);
    EXPECT_EQ(size.bottom - size.top, 164);

    XResizeWindow(display, host, 1570, 164);
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host)),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    pump(10);
    EXPECT_TRUE(frame.asked.empty()) << "the host sized its frame from getSize";
    // The A-Gain knob at 200 %, as the canvas draws it.
    const float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    CanvasEditor expected(values, 2.0f);
    EXPECT_EQ(differingPixels(display, host, expected, Box{468, 48, 52, 52, "A-Gain knob at 200 %"}), 0);

    // A new scale while attached: the frame is asked, and refusing keeps the
    // view at the size it has now all the same.
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), kResultTrue);
    ASSERT_EQ(frame.asked.size(), 1u);
    EXPECT_EQ(frame.asked[0].right - frame.asked[0].left, 1178);
    EXPECT_EQ(frame.asked[0].bottom - frame.asked[0].top, 123);
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right - size.left, 1178);
    EXPECT_EQ(view->removed(), kResultOk);
    scaling->release();
    view->release();
}

}  // namespace
