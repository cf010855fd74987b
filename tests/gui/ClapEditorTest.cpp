// The CLAP module's editor (clap.gui) in a real window, opened as a CLAP host
// opens it: on Linux under Xvfb, embedded in an X11 window of the test's and
// driven by the test host's main loop (the timer and the X connection's
// descriptor the editor registers), with real input through XTest; on
// Windows under Wine, in an HWND, with mouse messages. The pixels are held to
// the software canvas's picture, and a knob drag must reach the host as one
// gesture taken through params.flush.
//   korvo_clap_editor_tests --module=KorvoEQ.clap
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/CanvasEditor.h"
#include "tests/support/ClapHost.h"
#include "tests/support/TestMain.h"

#if defined(_WIN32)
#include <windows.h>

#include "gui/GuiWindow.h"
#include "tests/support/WineWindow.h"
#else
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include "tests/support/TestDisplay.h"
#endif

namespace {

const char* const kId = "com.vardle.korvo-eq";
constexpr clap_id kGain = 3;  // A-Gain, under kGainKnob

using Event = ClapHost::OutputEvents::Event;

// What is wrong with the events the host took as edits, or nothing: every
// gesture a begin, its values and an end, and no value outside one.
std::string gestureFault(const std::vector<Event>& events)
{
    std::vector<bool> open(16, false);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Event& event = events[i];
        const std::string at = " at event " + std::to_string(i);
        if (event.id >= open.size()) return "parameter " + std::to_string(event.id) + at;
        if (event.type == CLAP_EVENT_PARAM_GESTURE_BEGIN) {
            if (open[event.id]) return "a begin inside a gesture" + at;
            open[event.id] = true;
        } else if (event.type == CLAP_EVENT_PARAM_GESTURE_END) {
            if (!open[event.id]) return "an end without a begin" + at;
            open[event.id] = false;
        } else if (event.type != CLAP_EVENT_PARAM_VALUE || !open[event.id]) {
            return "a value outside a gesture" + at;
        }
    }
    for (std::size_t id = 0; id < open.size(); ++id) {
        if (open[id]) return "parameter " + std::to_string(id) + "'s gesture never ended";
    }
    return "";
}

int countOf(const std::vector<Event>& events, std::uint16_t type)
{
    int count = 0;
    for (const Event& event : events) count += event.type == type;
    return count;
}

class ClapEditor : public testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<ClapHost>(testModulePath());
        ASSERT_NE(host->factory(), nullptr) << host->error();
        plugin = std::make_unique<ClapHost::Plugin>(*host, kId);
        ASSERT_TRUE(plugin->isReady());
        gui = plugin->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
        ASSERT_NE(gui, nullptr);
    }

    void TearDown() override
    {
        if (gui && plugin && plugin->isReady()) gui->destroy(plugin->plugin);
        plugin.reset();
    }

    // The editor's size, as the host asks it.
    std::pair<std::uint32_t, std::uint32_t> size()
    {
        std::uint32_t width = 0, height = 0;
        EXPECT_TRUE(gui->get_size(plugin->plugin, &width, &height));
        return {width, height};
    }

    // Turns of the host's main loop, the editor's gestures taken into `events`.
    void loop(int turns = 4) { plugin->runMainLoop(events, turns); }

    // A value the host sets while inactive, through params.flush.
    void hostSets(clap_id id, double value)
    {
        ClapHost::InputEvents in;
        in.add(0, id, value);
        plugin->params->flush(plugin->plugin, in.list(), events.list());
    }

    double value(clap_id id)
    {
        double got = -1.0;
        EXPECT_TRUE(plugin->params->get_value(plugin->plugin, id, &got));
        return got;
    }

    // A drag's events: one gesture on A-Gain, its last value the parameter's.
    void expectOneGainGesture()
    {
        EXPECT_EQ(gestureFault(events.taken), "");
        ASSERT_GE(events.taken.size(), 3u);
        EXPECT_EQ(events.taken.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
        EXPECT_EQ(events.taken.back().type, CLAP_EVENT_PARAM_GESTURE_END);
        EXPECT_EQ(countOf(events.taken, CLAP_EVENT_PARAM_GESTURE_BEGIN), 1);
        for (const Event& event : events.taken) EXPECT_EQ(event.id, kGain);
        const Event& last = events.taken[events.taken.size() - 2];
        EXPECT_EQ(last.type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ(last.value, value(kGain));
        EXPECT_GT(last.value, 0.6);
    }

    std::unique_ptr<ClapHost> host;
    std::unique_ptr<ClapHost::Plugin> plugin;
    const clap_plugin_gui_t* gui = nullptr;
    ClapHost::OutputEvents events;
};

#if !defined(_WIN32)

constexpr int kHostX = 100, kHostY = 100;

class ClapX11Editor : public ClapEditor {
protected:
    void SetUp() override
    {
        display = openTestDisplay();
        ASSERT_NE(display, nullptr) << "no X server (run under xvfb-run)";
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), kHostX, kHostY, 1400, 200, 0, 0, 0);
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        XEvent event;
        do XNextEvent(display, &event);
        while (event.type != MapNotify);
        ClapEditor::SetUp();
    }

    void TearDown() override
    {
        ClapEditor::TearDown();
        if (display) {
            XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }

    bool create() { return gui->create(plugin->plugin, CLAP_WINDOW_API_X11, false); }

    bool embed()
    {
        clap_window_t parent{};
        parent.api = CLAP_WINDOW_API_X11;
        parent.x11 = window;
        return gui->set_parent(plugin->plugin, &parent);
    }

    void pump(int turns = 4)
    {
        XSync(display, False);
        loop(turns);
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

    // Pixels of a box of the host window that differ from the canvas's.
    int differences(CanvasEditor& expected, const Box& box) { return differingPixels(display, window, expected, box); }

    Display* display = nullptr;
    ::Window window = 0;
};

TEST_F(ClapX11Editor, TheHostsMainLoopDrivesTheEditorAndAKnobDragIsOneGesture)
{
    const clap_plugin_t* p = plugin->plugin;
    EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, true)) << "embedded only";
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_X11, true));
    ASSERT_TRUE(create());
    EXPECT_EQ(size(), std::make_pair(785u, 82u));
    ASSERT_TRUE(embed());
    EXPECT_EQ(host->descriptors.size(), 1u);
    ASSERT_EQ(host->timers.size(), 1u);
    EXPECT_GE(host->timers.begin()->second, 10u);
    EXPECT_LE(host->timers.begin()->second, 50u);
    pump(10);

    // A value the host sets shows at the editor's next ticks, as the canvas draws it.
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    values[kGain] = 0.9f;
    hostSets(kGain, 0.9);
    pump();
    CanvasEditor turned(values);
    EXPECT_EQ(differences(turned, kGainKnob), 0) << kGainKnob.what;
    EXPECT_EQ(differences(turned, kGainLed), 0) << kGainLed.what;
    hostSets(kGain, 0.5);
    pump();
    ASSERT_TRUE(events.taken.empty());

    // A drag: the gesture opens at the press and stays open while the button is held.
    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    pointer(x, y);
    button(1, true);
    for (int step = 4; step <= 40; step += 4) pointer(x, y - step);
    ASSERT_FALSE(events.taken.empty());
    EXPECT_EQ(countOf(events.taken, CLAP_EVENT_PARAM_GESTURE_END), 0) << "ended while the knob is held";
    button(1, false);
    pump();
    expectOneGainGesture();

    // Destroyed, the editor leaves nothing registered with the host.
    gui->destroy(p);
    EXPECT_TRUE(host->descriptors.empty());
    EXPECT_TRUE(host->timers.empty());
}

TEST_F(ClapX11Editor, AHostWithoutTimersOrDescriptorsGetsNoEditor)
{
    for (const bool timers : {false, true}) {
        for (const bool descriptors : {false, true}) {
            host->offersTimers = timers;
            host->offersDescriptors = descriptors;
            EXPECT_EQ(create(), timers && descriptors) << "timers " << timers << ", descriptors " << descriptors;
        }
    }
}

TEST_F(ClapX11Editor, TheHostsScaleSizesTheEditorWhichKeepsItsAspect)
{
    const clap_plugin_t* p = plugin->plugin;
    ASSERT_TRUE(create());
    EXPECT_FALSE(gui->can_resize(p));
    EXPECT_TRUE(gui->set_scale(p, 2.0));
    EXPECT_EQ(size(), std::make_pair(1570u, 164u));
    clap_gui_resize_hints_t hints{true, true, false, 0, 0};
    ASSERT_TRUE(gui->get_resize_hints(p, &hints));
    EXPECT_FALSE(hints.can_resize_horizontally);
    EXPECT_FALSE(hints.can_resize_vertically);
    EXPECT_TRUE(hints.preserve_aspect_ratio);
    EXPECT_EQ(hints.aspect_ratio_width, 1570u);
    EXPECT_EQ(hints.aspect_ratio_height, 164u);
    std::uint32_t width = 1000, height = 100;
    EXPECT_TRUE(gui->adjust_size(p, &width, &height));
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(1570u, 164u));
    EXPECT_TRUE(gui->set_size(p, 1570, 164));
    EXPECT_FALSE(gui->set_size(p, 785, 82));
}

TEST_F(ClapX11Editor, TheSizeMenusChoiceIsAskedOfTheHost)
{
    ASSERT_TRUE(create());
    ASSERT_TRUE(embed());
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
    ASSERT_EQ(host->resizes.size(), 1u);
    EXPECT_EQ(host->resizes[0], std::make_pair(1570u, 164u));
    EXPECT_EQ(size(), std::make_pair(1570u, 164u)) << "refused, the editor keeps the size chosen";
}

#else

class ClapWineEditor : public ClapEditor {
protected:
    void TearDown() override
    {
        ClapEditor::TearDown();
        if (window) DestroyWindow(window);
        pumpMessages();
    }

    HWND window = nullptr;
};

TEST_F(ClapWineEditor, TheEditorRunsInTheHostsWindowAndAKnobDragIsOneGesture)
{
    const clap_plugin_t* p = plugin->plugin;
    EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_WIN32);
    EXPECT_FALSE(floating);
    // Windows runs the editor's timer itself: the host's main loop is not needed.
    host->offersTimers = host->offersDescriptors = false;
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_WIN32, false));
    EXPECT_EQ(size(), std::make_pair(785u, 82u));
    window = makeHostWindow();
    ASSERT_NE(window, nullptr);
    clap_window_t parent{};
    parent.api = CLAP_WINDOW_API_WIN32;
    parent.win32 = window;
    ASSERT_TRUE(gui->set_parent(p, &parent));
    HWND child = FindWindowExA(window, nullptr, GuiWindow::kClassName, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(IsWindowVisible(child));
    UpdateWindow(child);
    pumpMessages();
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    CanvasEditor fresh(values);
    EXPECT_EQ(differencesInKnobs(Capture(child), fresh), 0);

    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    SendMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    for (int step = 4; step <= 40; step += 4) {
        SendMessageA(child, WM_MOUSEMOVE, MK_LBUTTON, point(x, y - step));
        loop(1);
    }
    EXPECT_EQ(countOf(events.taken, CLAP_EVENT_PARAM_GESTURE_END), 0) << "ended while the knob is held";
    SendMessageA(child, WM_LBUTTONUP, 0, point(x, y - 40));
    loop();
    expectOneGainGesture();

    gui->destroy(p);
    EXPECT_EQ(FindWindowExA(window, nullptr, GuiWindow::kClassName, nullptr), nullptr);
}

#endif

}  // namespace
