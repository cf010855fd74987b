// The Linux module's editor in a real X11 window, as a Linux host opens it: a
// top-level host window, effEditOpen with its Window id, effEditIdle from the
// host's thread, real input through XTest, and the pixels read back and
// compared with the software canvas's rendering of the same state. Runs under
// Xvfb on a 24-bit screen.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "eq/EqEffect.h"
#include "eq/ParameterParser.h"
#include "gui/GuiWindow.h"
#include "tests/support/TestDisplay.h"
#include "tests/support/CanvasEditor.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestMain.h"
#include "tools/PluginLoader.h"

namespace {

constexpr int kWidth = CanvasEditor::kWidth;
constexpr int kHeight = CanvasEditor::kHeight;
constexpr int kHostX = 100, kHostY = 100;  // where the host window sits on the screen

int hostErrors = 0;
int countHostErrors(Display*, XErrorEvent*)
{
    ++hostErrors;
    return 0;
}

int openFileDescriptors()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

class X11Editor : public testing::Test {
protected:
    void SetUp() override
    {
        display = openTestDisplay();
        ASSERT_NE(display, nullptr) << "no X server (run under xvfb-run)";
        XSetErrorHandler(countHostErrors);
        hostErrors = 0;
        RecordingHost::instance().reset();
        loader = std::make_unique<PluginLoader>(testModulePath());
        ASSERT_TRUE(loader->isLoaded()) << loader->error();
        effect = loader->entry("VSTPluginMain")(&RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        ASSERT_TRUE(effect->flags & effFlagsHasEditor);
        host = makeHost();
    }

    void TearDown() override
    {
        if (!display) return;
        if (effect) dispatch(effClose);
        if (host) XDestroyWindow(display, host);
        XSync(display, False);
        EXPECT_EQ(XSetErrorHandler(nullptr), &countHostErrors) << "the module left an error handler installed";
        EXPECT_EQ(hostErrors, 0);
        XCloseDisplay(display);
    }

    ::Window makeHost()
    {
        ::Window made = XCreateSimpleWindow(display, DefaultRootWindow(display), kHostX, kHostY, kWidth, kHeight, 0,
                                            0, 0);
        XSelectInput(display, made, StructureNotifyMask);
        XMapWindow(display, made);
        XEvent event;
        do XNextEvent(display, &event);
        while (event.type != MapNotify);
        return made;
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
    }

    void openEditor()
    {
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(host))), 1);
        idle();
    }

    // The host's idle calls, with time for the server between them.
    void idle(int times = 5)
    {
        for (int i = 0; i < times; ++i) {
            XSync(display, False);
            usleep(5000);
            dispatch(effEditIdle);
        }
    }

    void pointer(int x, int y)
    {
        XTestFakeMotionEvent(display, -1, kHostX + x, kHostY + y, CurrentTime);
        idle(2);
    }
    void button(unsigned number, bool press)
    {
        XTestFakeButtonEvent(display, number, press ? True : False, CurrentTime);
        idle(2);
    }

    void typeKeys(const char* text) { typeThroughXTest(display, text, [this] { idle(1); }); }
    // A right click on the knob centred there, then its menu's first row,
    // "ENTER VALUE...": seven rows, 79 pixels tall, moved up inside the
    // editor to the top 3.
    void openValueField(int x, int y)
    {
        pointer(x, y);
        button(3, true);
        button(3, false);
        pointer(x + 10, 3 + 1 + 5);
        button(1, true);
        button(1, false);
    }
    ::Window focus()
    {
        ::Window focused = None;
        int revert = 0;
        XGetInputFocus(display, &focused, &revert);
        return focused;
    }
    ::Window editorWindow()
    {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, host, &root, &parent, &children, &count);
        const ::Window editor = count == 1 ? children[0] : 0;
        if (children) XFree(children);
        return editor;
    }

    // Pixels of a box of the host window that differ from the canvas's.
    int differences(CanvasEditor& expected, const Box& box) { return differingPixels(display, host, expected, box); }

    void expectShows(const float* values, const char* when)
    {
        CanvasEditor expected(values);
        for (const Box& box : {kGainKnob, kGainLed, kFreqKnob}) {
            EXPECT_EQ(differences(expected, box), 0) << box.what << " " << when;
        }
    }

    // The editor's own X window, the host window's one child, is this size and
    // shows the canvas's picture of the editor at the scale, every pixel.
    void expectWholeEditor(const float* values, float scale, int width, int height)
    {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        ASSERT_TRUE(XQueryTree(display, host, &root, &parent, &children, &count));
        const ::Window editor = count == 1 ? children[0] : 0;
        if (children) XFree(children);
        XWindowAttributes attributes{};
        ASSERT_TRUE(editor && XGetWindowAttributes(display, editor, &attributes));
        ASSERT_EQ(attributes.width, width);
        ASSERT_EQ(attributes.height, height);
        XImage* image = XGetImage(display, editor, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                  AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        const std::vector<unsigned char> expected = CanvasEditor(values, scale).pixels();
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3u);
        int differing = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                const unsigned char* bgr = &expected[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                                      static_cast<std::size_t>(x)) * 3u];
                differing += bgr[0] != (p & 0xFF) || bgr[1] != ((p >> 8) & 0xFF) || bgr[2] != ((p >> 16) & 0xFF);
            }
        }
        XDestroyImage(image);
        EXPECT_EQ(differing, 0) << "pixels unlike the canvas's at " << scale;
    }

    Display* display = nullptr;
    std::unique_ptr<PluginLoader> loader;
    AEffect* effect = nullptr;
    ::Window host = 0;
};

TEST_F(X11Editor, AKnobDragAutomatesAndTheWindowShowsWhatTheCanvasShows)
{
    openEditor();
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    expectShows(values, "on a fresh editor");

    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    pointer(x, y);
    button(2, true);  // only the first button turns a knob
    pointer(x, y - 30);
    button(2, false);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.5f);
    pointer(x, y);
    button(1, true);
    for (int step = 1; step <= 7; ++step) {
        pointer(x, y - step);
        EXPECT_EQ(effect->getParameter(effect, 3), 0.5f) << "the detent holds at step " << step;
    }
    pointer(x, y - 8);
    EXPECT_NEAR(effect->getParameter(effect, 3), 0.54f, 1e-6f);
    const std::vector<HostCall> automated = RecordingHost::instance().callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 3);
    EXPECT_NEAR(automated[0].opt, 0.54f, 1e-6f);
    values[3] = effect->getParameter(effect, 3);
    expectShows(values, "after the drag");

    // The drag goes on above the window, and ends with the button.
    pointer(x, -60);
    EXPECT_GT(effect->getParameter(effect, 3), 0.8f) << "the pointer grab follows it outside";
    button(1, false);
    const float released = effect->getParameter(effect, 3);
    pointer(x, y);
    EXPECT_EQ(effect->getParameter(effect, 3), released) << "a move after the release turns nothing";

    // A wheel notch up turns the knob under the pointer by a hundredth.
    button(4, true);
    button(4, false);
    EXPECT_NEAR(effect->getParameter(effect, 3), released + 0.01f, 1e-6f);
}

TEST_F(X11Editor, ATypedValueTakesTheKeyboardAndSetsWhatKorvoSetSetsInOneGesture)
{
    openEditor();
    const ::Window before = focus();
    const int x = kFreqKnob.left + 13, y = kFreqKnob.top + 13;
    openValueField(x, y);
    EXPECT_EQ(focus(), editorWindow()) << "the field takes the keyboard";
    typeKeys("1 kHz\r");
    Setting expected{};
    std::string error;
    ASSERT_TRUE(parseSetting("A-Freq=1kHz", expected, error)) << error;
    EXPECT_EQ(effect->getParameter(effect, 2), expected.value);
    EXPECT_EQ(RecordingHost::instance().editCalls(), "B2 A2 E2");
    EXPECT_EQ(focus(), before) << "and gives it back";

    // Escape changes nothing.
    openValueField(x, y);
    typeKeys("2\x1b");
    EXPECT_EQ(effect->getParameter(effect, 2), expected.value);
    EXPECT_EQ(RecordingHost::instance().editCalls(), "B2 A2 E2");

    // A refused text shows why for two seconds, from the host's idle calls, and changes nothing.
    openValueField(x, y);
    typeKeys("x\r");
    pointer(5, 5);  // no value label
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    values[2] = expected.value;
    CanvasEditor shown(values);
    const Box whole{0, 0, kWidth, kHeight, "the editor"};
    EXPECT_GT(differences(shown, whole), 0) << "no reason shown";
    usleep(2100000);
    idle(2);
    EXPECT_EQ(differences(shown, whole), 0) << "the reason stayed";
    EXPECT_EQ(effect->getParameter(effect, 2), expected.value);
}

TEST_F(X11Editor, TheMenuClosesOnAClickOutsideItThatTurnsNothing)
{
    openEditor();
    pointer(10, 5);
    button(3, true);
    button(3, false);
    const int x = kGainKnob.left + 13, y = kGainKnob.top + 13;
    pointer(x, y);
    button(1, true);
    pointer(x, y - 40);
    button(1, false);
    EXPECT_EQ(effect->getParameter(effect, 3), 0.5f);
    EXPECT_EQ(RecordingHost::instance().editCalls(), "");
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    expectWholeEditor(values, 1.0f, kWidth, kHeight);
}

TEST_F(X11Editor, TheServersXftDpiSetsTheSizeTheEditorOpensAt)
{
    const float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    const struct {
        const char* dpi;
        float scale;
        int width, height;
    } screens[] = {{"192", 2.0f, 1570, 164}, {"144", 1.5f, 1178, 123}};
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.dpi);
        ServerDpi dpi(display, screen.dpi);
        // A new effect: an editor asks before it first opens.
        dispatch(effClose);
        effect = loader->entry("VSTPluginMain")(&RecordingHost::callback);
        EditorRect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, screen.width);
        EXPECT_EQ(rect->bottom - rect->top, screen.height);
        // The host sizes its window by the answer.
        XResizeWindow(display, host, static_cast<unsigned>(screen.width), static_cast<unsigned>(screen.height));
        openEditor();
        expectWholeEditor(values, screen.scale, screen.width, screen.height);
        dispatch(effEditClose);
    }
}

TEST_F(X11Editor, TheSizeMenuResizesTheWindowAndItsPictureThoughTheHostRefuses)
{
    // A host window with room to spare, which keeps its size: it refuses audioMasterSizeWindow.
    XResizeWindow(display, host, 1400, 200);
    openEditor();
    const float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    // At 100 % the menu opens with its top left at the press; below its
    // 1-pixel frame each item is 11 pixels tall, and "150 %" is the second.
    const int menuX = 10, menuY = 5;
    pointer(menuX, menuY);
    button(3, true);
    button(3, false);
    pointer(menuX + 10, menuY + 1 + 11 + 5);
    button(1, true);
    button(1, false);
    const std::vector<HostCall> asked = RecordingHost::instance().callsOf(audioMasterSizeWindow);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].index, 1178);
    EXPECT_EQ(asked[0].value, 123);
    idle();
    expectWholeEditor(values, 1.5f, 1178, 123);
}

TEST_F(X11Editor, ShiftMakesADragFinerAndADoubleClickSetsTheDefault)
{
    openEditor();
    const int x = kFreqKnob.left + 13, y = kFreqKnob.top + 13;
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    pointer(x, y);
    XTestFakeKeyEvent(display, shift, True, CurrentTime);
    button(1, true);
    pointer(x, y - 20);
    button(1, false);
    XTestFakeKeyEvent(display, shift, False, CurrentTime);
    idle(2);
    EXPECT_NEAR(effect->getParameter(effect, 2), 0.51f, 1e-5f) << "a tenth of 0.005 a pixel";

    // Two presses in quick succession, well after the last: the second is a double click.
    usleep(600000);
    pointer(x, y);
    for (int press = 0; press < 2; ++press) {
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
    }
    idle(2);
    EXPECT_EQ(effect->getParameter(effect, 2), 0.5f);
}

TEST_F(X11Editor, HostWritesAndClosingAndReopeningShowTheEffectsValues)
{
    openEditor();
    effect->setParameter(effect, 3, 0.9f);
    effect->setParameter(effect, 2, 0.3f);
    idle();
    float values[10] = {0.5f, 0.5f, 0.3f, 0.9f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    expectShows(values, "after host writes");
    dispatch(effEditClose);
    idle();
    openEditor();
    expectShows(values, "after reopening");
}

TEST_F(X11Editor, OpeningAndClosingAThousandTimesLeavesNothingBehind)
{
    openEditor();
    dispatch(effEditClose);
    const int descriptors = openFileDescriptors();
    const std::size_t heap = mallinfo2().uordblks;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(host))), 1);
        dispatch(effEditIdle);
        dispatch(effEditClose);
    }
    EXPECT_EQ(openFileDescriptors(), descriptors);
    // A leak of even one small allocation a round would show as 1000 of them.
    EXPECT_LT(mallinfo2().uordblks, heap + 16384) << "bytes in use before: " << heap;
}

TEST_F(X11Editor, AParentDestroyedBeforeCloseEndsNothing)
{
    openEditor();
    XDestroyWindow(display, host);
    host = 0;
    XSync(display, False);
    idle();
    dispatch(effEditClose);
    host = makeHost();
    openEditor();
    float values[10] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    expectShows(values, "in a new host window");
}

}  // namespace
