// The frame's logic through the software canvas: mouse routing, capture, the
// dirty protocol, the value push, and opening and closing.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gui/GuiWindow.h"
#include "tests/support/TestCanvas.h"
#include "host/EffectBase.h"

namespace {

// A control that records every call the frame makes on it.
class RecordingControl : public GuiControl {
public:
    RecordingControl(std::vector<std::string>& journal, std::string name, int x, int y, int w, int h)
        : log(journal), label(std::move(name))
    {
        left = x;
        top = y;
        width = w;
        height = h;
    }
    void onMouseDown(std::int32_t b, std::int32_t x, std::int32_t y) override { note("down", x, y, b); }
    void onMouseUp(std::int32_t b, std::int32_t x, std::int32_t y) override { note("up", x, y, b); }
    void onMouseEnter(std::int32_t x, std::int32_t y) override { note("enter", x, y); }
    void onMouseLeave(std::int32_t x, std::int32_t y) override { note("leave", x, y); }
    void onCaptureEnd(std::int32_t x, std::int32_t y) override { note("end", x, y); }
    void onDrag(std::int32_t x, std::int32_t y) override { note("drag", x, y); }
    void onWheel(std::int32_t step) override { log.push_back(label + " wheel " + std::to_string(step)); }
    void draw(DeviceHandle, Colour, Colour) override { log.push_back(label + " draw"); }
    void setValue(float v, bool) override
    {
        value = v;
        dirty = true;
        log.push_back(label + " set " + std::to_string(v).substr(0, 6));
    }
    float getValue() override { return value; }

private:
    void note(const char* what, int x, int y, int button = 0)
    {
        log.push_back(label + " " + what + " " + std::to_string(x) + "," + std::to_string(y) +
                      (button ? " button " + std::to_string(button) : ""));
    }
    std::vector<std::string>& log;
    std::string label;
};

class ValuesEffect : public EffectBase {
public:
    ValuesEffect() : EffectBase(nullptr, 1, 10)
    {
        for (int k = 0; k < 10; ++k) values[k] = 0.1f * static_cast<float>(k);
    }
    void processReplacing(float**, float**, VstInt32) override {}
    float getParameter(VstInt32 index) override { return values[index].load(); }
    void setParameter(VstInt32 index, float value) override { values[index] = value; }
    std::atomic<float> values[10];
};

class GuiWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        setGuiPlatform(&canvas);
        frame = std::make_unique<GuiWindow>(&effect, 785, 82);
        a = add("A", 70, 24, 26, 26);
        b = add("B", 96, 24, 26, 26);  // shares the column x = 96 with A's right edge
        host = canvas.createTopLevelWindow(785, 82, 100, 200);
    }
    void TearDown() override
    {
        frame.reset();
        setGuiPlatform(nullptr);
    }
    RecordingControl* add(const char* name, int x, int y, int w, int h)
    {
        auto* control = new RecordingControl(journal, name, x, y, w, h);
        frame->addControl(control);
        return control;
    }
    WindowHandle open()
    {
        EXPECT_TRUE(frame->open(host));
        return frame->getWindow();
    }
    void send(std::uint32_t message, int x, int y, std::uintptr_t wParam = 0)
    {
        canvas.sendMessage(frame->getWindow(), message, wParam, SoftwareCanvas::pointParam(x, y));
    }
    std::vector<std::string> take()
    {
        std::vector<std::string> taken;
        for (const std::string& entry : journal) {
            if (entry.find(" draw") == std::string::npos) taken.push_back(entry);
        }
        journal.clear();
        return taken;
    }
    using Log = std::vector<std::string>;

    TestCanvas canvas;
    ValuesEffect effect;
    std::vector<std::string> journal;
    std::unique_ptr<GuiWindow> frame;
    RecordingControl* a = nullptr;
    RecordingControl* b = nullptr;
    WindowHandle host = nullptr;
};

TEST_F(GuiWindowTest, HitTestingIsStrictAndTheEarlierControlWins)
{
    EXPECT_EQ(frame->controlAt(71, 25), a);
    EXPECT_EQ(frame->controlAt(95, 49), a);
    for (auto p : {std::pair<int, int>{70, 30}, {80, 24}, {80, 50}}) {
        EXPECT_EQ(frame->controlAt(p.first, p.second), nullptr) << p.first << "," << p.second;
    }
    EXPECT_EQ(frame->controlAt(96, 30), nullptr) << "the shared column is an edge of both";
    RecordingControl* over = add("C", 80, 30, 30, 10);
    EXPECT_EQ(frame->controlAt(90, 35), a) << "overlap goes to the control added first";
    EXPECT_EQ(frame->controlAt(100, 35), b);
    EXPECT_EQ(frame->controlAt(108, 35), b);
    EXPECT_EQ(frame->controlAt(96, 35), over) << "the column no earlier control accepts";
}

TEST_F(GuiWindowTest, ADragKeepsTheCaptureWhereverThePointerGoes)
{
    open();
    send(kMessageLeftButtonDown, 80, 30);
    EXPECT_EQ(canvas.capturedWindow(), frame->getWindow());
    send(kMessageMouseMove, 81, 30);
    send(kMessageMouseMove, 110, 30);   // over B: no enter while A holds the capture
    send(kMessageMouseMove, -5, -40);   // outside the window
    send(kMessageLeftButtonUp, 110, 30);  // released over B
    EXPECT_EQ(take(), (Log{"A down 80,30", "A drag 81,30", "A enter 81,30", "A drag 110,30", "A leave 110,30",
                           "A drag -5,-40", "A end 110,30"}));
    EXPECT_EQ(canvas.capturedWindow(), nullptr);
    EXPECT_EQ(frame->getCaptureControl(), nullptr);

    send(kMessageLeftButtonDown, 80, 30);
    send(kMessageLeftButtonUp, 85, 31);
    EXPECT_EQ(take(), (Log{"A down 80,30", "A up 85,31", "A end 85,31"}));

    send(kMessageLeftButtonDown, 300, 30);  // over nothing
    send(kMessageMouseMove, 80, 30);
    EXPECT_EQ(take(), (Log{"A enter 80,30"})) << "no capture, so no drag";
    EXPECT_EQ(canvas.capturedWindow(), nullptr);
}

TEST_F(GuiWindowTest, LosingTheCaptureEndsTheDrag)
{
    open();
    send(kMessageLeftButtonDown, 80, 30);
    send(kMessageMouseMove, 80, 20);
    canvas.sendMessage(frame->getWindow(), kMessageCaptureChanged, 0, 0);
    send(kMessageMouseMove, 80, 10);
    send(kMessageLeftButtonUp, 80, 10);
    EXPECT_EQ(take(), (Log{"A down 80,30", "A drag 80,20", "A end 0,0"}));
    EXPECT_EQ(frame->getCaptureControl(), nullptr);
}

TEST_F(GuiWindowTest, MovingAcrossAdjacentControlsLeavesThenEnters)
{
    open();
    send(kMessageMouseMove, 80, 30);
    send(kMessageMouseMove, 100, 30);
    send(kMessageMouseMove, 101, 30);
    send(kMessageMouseMove, 101, 30);
    EXPECT_EQ(take(), (Log{"A enter 80,30", "A leave 100,30", "B enter 101,30"}));
}

TEST_F(GuiWindowTest, TheWheelTurnsTheControlUnderItsScreenPoint)
{
    open();  // the frame's window sits at screen 100, 200
    send(kMessageMouseWheel, 180, 230, SoftwareCanvas::wheelParam(120));
    send(kMessageMouseWheel, 205, 230, SoftwareCanvas::wheelParam(-120));
    send(kMessageMouseWheel, 80, 30, SoftwareCanvas::wheelParam(120));  // client coordinates: over nothing
    EXPECT_EQ(take(), (Log{"A wheel 1", "B wheel -1"}));
    EXPECT_EQ(frame->getHoverControl(), nullptr);
}

TEST_F(GuiWindowTest, RedrawDrawsOnlyDirtyControlsAndPushesValuesAboveTheThreshold)
{
    RecordingControl* twin = add("A2", 300, 24, 26, 26);
    a->paramIndex = twin->paramIndex = 4;
    b->paramIndex = 5;
    open();  // the controls take the effect's values: 0.4 and 0.5
    canvas.sendMessage(frame->getWindow(), kMessagePaint, 0, 0);
    journal.clear();

    frame->parameterChanged(4, 0.40005f);
    EXPECT_TRUE(take().empty()) << "within 0.0001 of the value held";
    frame->parameterChanged(4, 0.5f);
    frame->redraw();
    EXPECT_EQ(journal, (Log{"A set 0.5000", "A2 set 0.5000", "A draw", "A2 draw"}));
    journal.clear();
    frame->redraw();
    EXPECT_TRUE(journal.empty()) << "nothing dirty, nothing drawn";

    frame->syncControls();
    EXPECT_EQ(take(), (Log{"A set 0.4000", "B set 0.5000", "A2 set 0.4000"}));
    frame->syncControls();
    EXPECT_EQ(take().size(), 3u) << "no threshold when syncing";
}

TEST_F(GuiWindowTest, OnlyTheWindowsThreadTouchesTheControlsAndItsTimerCatchesUp)
{
    a->paramIndex = 4;
    WindowHandle window = open();
    canvas.sendMessage(window, kMessagePaint, 0, 0);
    journal.clear();
    std::thread automation([&] {
        effect.setParameter(4, 0.75f);
        frame->redraw();
        frame->idle();
    });
    automation.join();
    EXPECT_TRUE(journal.empty()) << "another thread neither sets nor draws a control";
    EXPECT_EQ(canvas.fireTimers(window), 1) << "the window refreshes itself on a timer";
    EXPECT_EQ(journal, (Log{"A set 0.7500", "A draw"}));

    // During a drag the dragged control keeps the user's value; the others follow.
    send(kMessageLeftButtonDown, 80, 30);
    journal.clear();
    effect.setParameter(4, 0.25f);
    effect.setParameter(0, 0.125f);
    frame->idle();
    EXPECT_EQ(take(), (Log{"B set 0.1250"}));
    send(kMessageLeftButtonUp, 80, 30);
    frame->idle();
    EXPECT_EQ(take(), (Log{"A up 80,30", "A end 80,30", "A set 0.2500"}));
}

TEST_F(GuiWindowTest, AWindowDestroyedBySomeoneElseIsForgotten)
{
    WindowHandle first = open();
    send(kMessageLeftButtonDown, 80, 30);
    canvas.destroyWindow(host);  // the host's window goes, and ours with it
    EXPECT_FALSE(canvas.isWindowAlive(first));
    EXPECT_FALSE(frame->isOpen());
    EXPECT_EQ(frame->getWindow(), nullptr);
    EXPECT_EQ(frame->getCaptureControl(), nullptr) << "the drag ended with the window";
    frame->close();  // nothing left to destroy
    host = canvas.createTopLevelWindow(785, 82, 0, 0);
    EXPECT_NE(open(), nullptr);
    frame->idle();
    frame.reset();
    EXPECT_EQ(canvas.liveObjects(), 0);
}

TEST_F(GuiWindowTest, NoExceptionLeavesTheWindowProcedure)
{
    class Throwing : public RecordingControl {
    public:
        using RecordingControl::RecordingControl;
        void onMouseDown(std::int32_t, std::int32_t, std::int32_t) override { throw std::runtime_error("oops"); }
    };
    frame->addControl(new Throwing(journal, "T", 400, 24, 26, 26));
    open();
    EXPECT_EQ(canvas.sendMessage(frame->getWindow(), kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(410, 30)),
              0);
}

TEST_F(GuiWindowTest, OpeningAndClosing)
{
    EditorRect* rect = nullptr;
    EXPECT_TRUE(frame->getRect(&rect));
    EXPECT_EQ(rect->right, 785);
    EXPECT_EQ(rect->bottom, 82);

    canvas.failNextWindowCreation();
    EXPECT_FALSE(frame->open(host)) << "a window that could not be made is not reported as open";
    EXPECT_FALSE(frame->isOpen());

    WindowHandle first = open();
    WindowHandle second = open();
    EXPECT_FALSE(canvas.isWindowAlive(first)) << "a second open replaces the first window";
    EXPECT_TRUE(canvas.isWindowAlive(second));

    send(kMessageLeftButtonDown, 80, 30);
    frame->close();
    EXPECT_FALSE(canvas.isWindowAlive(second));
    EXPECT_EQ(frame->getCaptureControl(), nullptr);
    EXPECT_EQ(frame->getHoverControl(), nullptr);
    EXPECT_EQ(canvas.capturedWindow(), nullptr);
    open();
    take();
    send(kMessageMouseMove, 80, 10);
    EXPECT_EQ(take(), Log{}) << "no stale drag after reopening";

    // Closed, the frame paints nothing but still takes values.
    frame->close();
    journal.clear();
    frame->parameterChanged(0, 0.9f);
    frame->redraw();
    EXPECT_EQ(journal, (Log{"A set 0.9000", "B set 0.9000"}));
}

TEST_F(GuiWindowTest, TheClassIsSharedByEveryFrameAndGoesWithTheLast)
{
    EXPECT_TRUE(canvas.isClassRegistered(nullptr, "VXGui"));
    {
        GuiWindow second(&effect, 10, 10);
        EXPECT_EQ(GuiWindow::liveFrames(), 2);
    }
    EXPECT_TRUE(canvas.isClassRegistered(nullptr, "VXGui"));
    frame.reset();
    EXPECT_FALSE(canvas.isClassRegistered(nullptr, "VXGui"));
}

}  // namespace
