// The equaliser's editor on the software canvas: its controls, its pictures,
// and the link between the knobs and the effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

#include "eq/EqEffect.h"
#include "eq/ParameterParser.h"
#include "eq/ProgramBank.h"
#include "gui/EmbeddedBitmaps.h"
#include "gui/EqEditor.h"
#include "gui/KnobControl.h"
#include "gui/LedControl.h"
#include "tests/support/TestCanvas.h"
#include "tests/support/RecordingHost.h"

namespace {

class EqEditorTest : public testing::Test {
protected:
    void SetUp() override
    {
        RecordingHost::instance().reset();
        setGuiPlatform(&canvas);
        effect = std::make_unique<EqEffect>(&RecordingHost::callback);
        editor = static_cast<EqEditor*>(effect->getEditor());
        ASSERT_NE(editor, nullptr);
        host = canvas.createTopLevelWindow(785, 82, 0, 0);
    }
    void TearDown() override
    {
        effect.reset();
        setGuiPlatform(nullptr);
    }
    WindowHandle openAndPaint()
    {
        EXPECT_TRUE(editor->open(host));
        canvas.sendMessage(editor->getWindow(), kMessagePaint, 0, 0);
        return editor->getWindow();
    }
    BitmapHandle bitmap(std::int32_t id)
    {
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        EXPECT_TRUE(findEmbeddedBitmap(id, data, size));
        BitmapHandle handle = canvas.createBitmapFromBmp(data, size);
        owned.push_back(handle);
        return handle;
    }
    // Whether the window's knob box shows the frame: inside the mask's disc the
    // strip's frame, around it the artwork (or the LED that overlaps the box).
    // At twice the size (times 2), from the artwork drawn for it.
    bool showsKnobFrame(WindowHandle window, int left, int frame, int times = 1)
    {
        const int extra = times == 2 ? 4 : 0, size = 26 * times, top = 24 * times;
        BitmapHandle strip = bitmap(102 + extra), mask = bitmap(103 + extra), background = bitmap(101 + extra);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const Colour shown = canvas.pixel(window, left * times + x, top + y);
                if (canvas.bitmapPixel(mask, x, y) == 0) {
                    if (shown != canvas.bitmapPixel(strip, x, size * frame + y)) return false;
                } else if (!underLed((left * times + x) / times, (top + y) / times) &&
                           shown != canvas.bitmapPixel(background, left * times + x, top + y)) {
                    return false;
                }
            }
        }
        return true;
    }
    static bool underLed(int x, int y)
    {
        for (int led : {136, 259, 423, 586}) {
            if (x >= led && x < led + 8 && y >= 24 && y < 32) return true;
        }
        return false;
    }
    bool showsLed(WindowHandle window, int left, bool lit)
    {
        BitmapHandle led = bitmap(104);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (canvas.pixel(window, left + x, 24 + y) != canvas.bitmapPixel(led, x, (lit ? 0 : 8) + y)) {
                    return false;
                }
            }
        }
        return true;
    }

    TestCanvas canvas;
    std::unique_ptr<EqEffect> effect;
    EqEditor* editor = nullptr;
    WindowHandle host = nullptr;
    std::vector<BitmapHandle> owned;
};

// The editor's edit calls to the host since the last reset ("B3 A3 E3").
std::string editCalls() { return RecordingHost::instance().editCalls(); }

const int kKnobLefts[] = {70, 111, 193, 234, 275, 357, 398, 439, 521, 562};
const int kLedLefts[] = {136, 259, 423, 586};

TEST_F(EqEditorTest, HoldsFourLedsThenTenKnobsInPlace)
{
    ASSERT_EQ(editor->getControls().size(), 14u);
    auto control = editor->getControls().begin();
    const int ledParams[] = {1, 3, 6, 9};
    for (int i = 0; i < 4; ++i, ++control) {
        auto* led = dynamic_cast<LedControl*>(*control);
        ASSERT_NE(led, nullptr);
        EXPECT_EQ(led->left, kLedLefts[i]);
        EXPECT_EQ(led->paramIndex, ledParams[i]);
        EXPECT_EQ(led->getValue(), 0.5f) << "synced from the program";
    }
    for (int i = 0; i < 10; ++i, ++control) {
        auto* knob = dynamic_cast<KnobControl*>(*control);
        ASSERT_NE(knob, nullptr);
        EXPECT_EQ(knob->left, kKnobLefts[i]);
        EXPECT_EQ(knob->top, 24);
        EXPECT_EQ(knob->paramIndex, i);
        const bool gain = i == 1 || i == 3 || i == 6 || i == 9;
        EXPECT_EQ(knob->detentHalfWidth, gain ? 0.038f : 0.0f);
        EXPECT_TRUE(knob->reportAsAutomation);
    }
    EXPECT_EQ(effect->getEffectRecord()->flags & effFlagsHasEditor, effFlagsHasEditor);
    // An LED overlapping a knob takes the press: the knob does not turn.
    EXPECT_EQ(editor->controlAt(587, 30), *std::next(editor->getControls().begin(), 3));
}

TEST_F(EqEditorTest, AFreshEditorShowsFrame31AndDarkLeds)
{
    WindowHandle window = openAndPaint();
    for (int left : kKnobLefts) {
        EXPECT_TRUE(showsKnobFrame(window, left, 31)) << left;
    }
    for (int left : kLedLefts) {
        EXPECT_TRUE(showsLed(window, left, false)) << left;
    }
    EXPECT_EQ(canvas.pixel(window, 700, 5), canvas.bitmapPixel(bitmap(101), 700, 5)) << "the artwork is behind";
}

TEST_F(EqEditorTest, HostWritesMoveKnobsAndLightLeds)
{
    WindowHandle window = openAndPaint();
    effect->setParameter(1, 0.52f);
    EXPECT_TRUE(showsKnobFrame(window, 111, 31)) << "shown at the window's next timer tick";
    canvas.fireTimers(window);
    EXPECT_TRUE(showsKnobFrame(window, 111, 32));
    EXPECT_TRUE(showsLed(window, 136, false)) << "0.52 is inside the dead zone";
    effect->setParameter(1, 0.6f);
    canvas.fireTimers(window);
    EXPECT_TRUE(showsKnobFrame(window, 111, 37));
    EXPECT_TRUE(showsLed(window, 136, true));
    effect->setParameter(4, 1.0f);
    canvas.fireTimers(window);
    EXPECT_TRUE(showsKnobFrame(window, 275, 63));
    EXPECT_TRUE(showsLed(window, 259, false)) << "a Q moves only its knob";

    // Drawing a knob again over its own picture changes nothing.
    const std::vector<unsigned char> before = canvas.windowPixels(window);
    for (GuiControl* control : editor->getControls()) control->dirty = true;
    editor->redraw();
    EXPECT_EQ(canvas.windowPixels(window), before);
}

TEST_F(EqEditorTest, ADragOnAGainKnobLightsItsLedAndAutomates)
{
    WindowHandle window = openAndPaint();
    const int x = 247, y = 37;  // the A-Gain knob
    canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(x, y));
    for (int step = 1; step <= 7; ++step) {
        canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(x, y - step));
        EXPECT_EQ(effect->getParameter(3), 0.5f);
    }
    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(x, y - 8));
    EXPECT_NEAR(effect->getParameter(3), 0.54f, 1e-6f);
    EXPECT_TRUE(showsLed(window, 259, true)) << "lit in the same message";
    EXPECT_TRUE(showsKnobFrame(window, 234, 34));
    const auto automated = RecordingHost::instance().callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 3);
    canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(x, y - 8));

    // A press and release on an LED changes nothing.
    canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(262, 27));
    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(262, 0));
    canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(262, 0));
    EXPECT_EQ(RecordingHost::instance().callsOf(audioMasterAutomate).size(), 1u);
}

TEST_F(EqEditorTest, EachDragIsOneGestureFromPressToRelease)
{
    WindowHandle window = openAndPaint();
    auto drag = [&](int x, int toY) {
        canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(x, 37));
        for (int y = 35; y >= toY; y -= 10) {
            canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(x, y));
        }
    };
    drag(83, 15);
    canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(83, 15));
    EXPECT_EQ(editCalls(), "B0 A0 A0 A0 E0");

    RecordingHost::instance().reset();
    drag(206, -45);  // up past the window's top edge, released out there
    canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(206, -45));
    EXPECT_EQ(editCalls(), "B2 A2 A2 A2 A2 A2 A2 A2 A2 A2 E2") << "released outside the window";

    RecordingHost::instance().reset();
    drag(288, 25);
    canvas.sendMessage(window, kMessageCaptureChanged, 0, 0);
    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(288, 0));
    drag(370, 25);
    editor->close();
    EXPECT_EQ(editCalls(), "B4 A4 A4 E4 B5 A5 A5 E5") << "the capture lost, then the editor closed mid-drag";
}

TEST_F(EqEditorTest, ADoubleClickSetsTheDefaultAsOneGesture)
{
    WindowHandle window = openAndPaint();
    effect->setParameter(0, 0.8f);
    effect->setParameter(2, kInitialValue);
    canvas.fireTimers(window);
    RecordingHost::instance().reset();
    // As the system sends one: down, up, the double click, up.
    for (std::uint32_t message : {kMessageLeftButtonDown, kMessageLeftButtonUp, kMessageLeftButtonDoubleClick,
                                  kMessageLeftButtonUp}) {
        canvas.sendMessage(window, message, 0, SoftwareCanvas::pointParam(83, 37));
    }
    EXPECT_EQ(effect->getParameter(0), kInitialValue);
    EXPECT_TRUE(showsKnobFrame(window, 70, 31));
    EXPECT_EQ(editCalls(), "B0 E0 B0 A0 E0");

    RecordingHost::instance().reset();
    canvas.sendMessage(window, kMessageLeftButtonDoubleClick, 0, SoftwareCanvas::pointParam(206, 37));
    EXPECT_EQ(editCalls(), "B2 A2 E2") << "already at the default, the host still hears it once";
}

TEST_F(EqEditorTest, ShiftOrCtrlMakesADragTenTimesFiner)
{
    WindowHandle window = openAndPaint();
    auto drag = [&](int x, std::uintptr_t keys) {
        canvas.sendMessage(window, kMessageLeftButtonDown, keys, SoftwareCanvas::pointParam(x, 37));
        for (int y = 33; y >= 17; y -= 4) {
            canvas.sendMessage(window, kMessageMouseMove, keys, SoftwareCanvas::pointParam(x, y));
        }
        canvas.sendMessage(window, kMessageLeftButtonUp, keys, SoftwareCanvas::pointParam(x, 17));
    };
    drag(83, 0);
    drag(206, kKeyShift);
    drag(288, kKeyControl);
    const float plain = effect->getParameter(0) - 0.5f;
    EXPECT_NEAR(plain, 0.1f, 1e-5f);
    EXPECT_NEAR(effect->getParameter(2) - 0.5f, plain / 10.0f, 1e-5f);
    EXPECT_NEAR(effect->getParameter(4) - 0.5f, plain / 10.0f, 1e-5f);
}

TEST_F(EqEditorTest, AWheelNotchIsAHundredthOfTheRangeAndAGestureOfItsOwn)
{
    WindowHandle window = openAndPaint();
    auto notch = [&](int x, int distance, std::uintptr_t keys) {
        canvas.sendMessage(window, kMessageMouseWheel, SoftwareCanvas::wheelParam(distance) | keys,
                           SoftwareCanvas::pointParam(x, 37));
    };
    notch(83, 120, 0);
    notch(83, 120, 0);
    notch(206, -120, kKeyShift);
    EXPECT_NEAR(effect->getParameter(0), 0.52f, 1e-6f);
    EXPECT_NEAR(effect->getParameter(2), 0.499f, 1e-6f);
    EXPECT_EQ(editCalls(), "B0 A0 E0 B0 A0 E0 B2 A2 E2");

    // The host's own wheel call turns the knob under the pointer the same way.
    RecordingHost::instance().reset();
    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(288, 37));
    EXPECT_TRUE(editor->onWheel(-2.0f));
    EXPECT_NEAR(effect->getParameter(4), 0.48f, 1e-6f);
    EXPECT_EQ(editCalls(), "B4 A4 E4 B4 A4 E4");
}

TEST_F(EqEditorTest, ChunksAndProgramsResyncTheControls)
{
    WindowHandle window = openAndPaint();
    float values[10] = {0.5f, 0.9f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.1f};
    EXPECT_EQ(effect->setChunk(values, 40, true), 40);
    effect->setProgram(0);
    canvas.fireTimers(window);
    EXPECT_TRUE(showsLed(window, 136, true));
    EXPECT_TRUE(showsLed(window, 586, true));
    EXPECT_TRUE(showsKnobFrame(window, 562, 6));
    const int before = canvas.liveObjects();
    effect->setParameter(9, 0.2f);
    canvas.fireTimers(window);
    EXPECT_EQ(canvas.liveObjects(), before) << "every drawing step releases what it made";
    EXPECT_TRUE(showsKnobFrame(window, 562, 12));
}

TEST_F(EqEditorTest, ASnapshotIsWhatTheOpenEditorShowsAndLeavesItAlone)
{
    effect->setParameter(1, 0.8f);
    effect->setParameter(4, 1.0f);
    WindowHandle window = openAndPaint();
    const std::vector<unsigned char> shown = canvas.windowPixels(window);
    const int frames = GuiWindow::liveFrames(), objects = canvas.liveObjects();
    AEffect* record = effect->getEffectRecord();
    auto request = [&](VstInt32 index, VstIntPtr size, void* into) {
        return record->dispatcher(record, effVendorSpecific, index, size, into, 0.0f);
    };
    const VstInt32 size = EqEffect::kSnapshotBytes;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 1, 0xA5);
    EXPECT_EQ(request(EqEffect::kSnapshotRequest + 1, size, buffer.data()), 0);
    EXPECT_EQ(request(EqEffect::kSnapshotRequest, size - 1, buffer.data()), 0);
    EXPECT_EQ(request(EqEffect::kSnapshotRequest, size, nullptr), 0);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xA5), static_cast<std::ptrdiff_t>(buffer.size()));

    ASSERT_EQ(request(EqEffect::kSnapshotRequest, size + 1, buffer.data()), size);
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), buffer.begin()) && buffer.back() == 0xA5);
    EXPECT_TRUE(canvas.windowPixels(window) == shown) << "the open editor is not drawn over";
    EXPECT_TRUE(editor->isOpen());
    EXPECT_EQ(GuiWindow::liveFrames(), frames);
    EXPECT_EQ(canvas.liveObjects(), objects);
}

// Bypassed, the LEDs go dark and the logo dims; nothing else changes, and
// the editor comes back as it was.
TEST_F(EqEditorTest, ShowsTheBypassWithItsLedsDarkAndItsLogoDimmed)
{
    effect->setParameter(1, 1.0f);
    WindowHandle window = openAndPaint();
    const std::vector<unsigned char> heard = canvas.windowPixels(window);
    ASSERT_TRUE(showsLed(window, 136, true));

    effect->setBypassed(true);
    canvas.fireTimers(window);
    canvas.sendMessage(window, kMessagePaint, 0, 0);
    const std::vector<unsigned char> bypassed = canvas.windowPixels(window);
    EXPECT_TRUE(showsLed(window, 136, false));
    long dimmer = 0, lighter = 0, elsewhere = 0;
    for (int y = 0; y < 82; ++y) {
        for (int x = 0; x < 785; ++x) {
            const bool led = y >= 24 && y < 32 && x >= 136 && x < 144;
            for (int k = 0; k < 3; ++k) {
                const std::size_t at = 3 * (static_cast<std::size_t>(y) * 785 + x) + k;
                if (x >= EqEditor::kLogoLeft) {
                    dimmer += bypassed[at] < heard[at];
                    lighter += bypassed[at] > heard[at];
                } else if (!led) {
                    elsewhere += bypassed[at] != heard[at];
                }
            }
        }
    }
    EXPECT_GT(dimmer, 1000);
    EXPECT_EQ(lighter, 0);
    EXPECT_EQ(elsewhere, 0);

    effect->setBypassed(false);
    canvas.fireTimers(window);
    canvas.sendMessage(window, kMessagePaint, 0, 0);
    EXPECT_TRUE(canvas.windowPixels(window) == heard);
}

TEST(EqEditorWithoutPlatform, TheEffectRunsWithoutAnEditor)
{
    setGuiPlatform(nullptr);
    if (guiPlatform()) {
        GTEST_SKIP() << "this module has a window system";
    }
    EqEffect effect(nullptr);
    EXPECT_EQ(effect.getEditor(), nullptr);
    EXPECT_EQ(effect.getEffectRecord()->flags & effFlagsHasEditor, 0);
    effect.setParameter(3, 0.9f);  // the editor notifications are skipped
    EXPECT_EQ(effect.getParameter(3), 0.9f);
}

}  // namespace

namespace {

// How steep the window's edges are: the mean step between neighbours along
// the rows, each step weighted by itself. An edge drawn hard makes one step of
// its whole height; a stretch by s smears it into s steps of a sth each, and
// the measure falls to about 1/s of what it was.
double steepness(TestCanvas& canvas, WindowHandle window)
{
    const BitmapSize size = canvas.windowSize(window);
    double steps = 0.0, squares = 0.0;
    for (int y = 0; y < size.height; ++y) {
        for (int x = 1; x < size.width; ++x) {
            const Colour a = canvas.pixel(window, x - 1, y), b = canvas.pixel(window, x, y);
            for (int shift : {0, 8, 16}) {
                const double step = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
                steps += step;
                squares += step * step;
            }
        }
    }
    return squares / steps;
}

}  // namespace

TEST_F(EqEditorTest, AtEveryScaleTheArtworkIsSharpAndTheKnobsSitWhereItIsDrawn)
{
    WindowHandle window = openAndPaint();
    const double atOne = steepness(canvas, window);
    editor->close();
    // At the scales drawn for or made by shrinking that drawing, nearly as
    // steep; made by enlarging it, somewhat less. A stretch of the 100 %
    // drawing stays under each (0.57, 0.48, 0.32).
    const std::pair<float, double> kSteepness[] = {{1.5f, 0.65}, {2.0f, 0.9}, {3.0f, 0.5}};
    for (const auto& [scale, share] : kSteepness) {
        SCOPED_TRACE(scale);
        editor->chooseScale(scale);
        window = openAndPaint();
        const int width = static_cast<int>(785 * scale + 0.5f), height = static_cast<int>(82 * scale + 0.5f);
        EXPECT_EQ(canvas.windowSize(window).width, width);
        EXPECT_EQ(canvas.windowSize(window).height, height);
        EXPECT_NE(canvas.pixel(window, width - 1, height - 1), SoftwareCanvas::kUndrawnColour);
        const int left = static_cast<int>(193 * scale + 0.5f), size = static_cast<int>(26 * scale + 0.5f);
        const int row = static_cast<int>(24 * scale + 0.5f) + size * 6 / 26;
        EXPECT_GT(steepness(canvas, window), share * atOne) << "steep edges, not a stretched picture";
        EXPECT_EQ(editor->controlAt(left + size / 2, row), *std::next(editor->getControls().begin(), 6));
        editor->close();
    }
    // At 200 % the editor shows the artwork drawn for that size, pixel for pixel.
    editor->chooseScale(2.0f);
    window = openAndPaint();
    for (int left : kKnobLefts) {
        EXPECT_TRUE(showsKnobFrame(window, left, 31, 2)) << left;
    }
    EXPECT_EQ(canvas.pixel(window, 1400, 10), canvas.bitmapPixel(bitmap(105), 1400, 10));
}

TEST_F(EqEditorTest, ADragTurnsAKnobAsFarForTheSameDistanceOnTheScreenAtEveryScale)
{
    auto drag = [&](float scale, int knobLeft, int distance) {
        editor->chooseScale(scale);
        effect->setParameter(2, 0.5f);
        effect->setParameter(3, 0.5f);
        WindowHandle window = openAndPaint();
        const int x = (knobLeft + 13) * static_cast<int>(scale), y = 37 * static_cast<int>(scale);
        canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(x, y));
        canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(x, y - distance));
        canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(x, y - distance));
        editor->close();
        return std::make_pair(effect->getParameter(2), effect->getParameter(3));
    };
    EXPECT_EQ(drag(1.0f, 193, 20).first, drag(2.0f, 193, 40).first) << "A-Freq, 20 points up";
    EXPECT_NEAR(drag(2.0f, 193, 40).first, 0.6f, 1e-6f);
    // The gain's detent holds for as long a way: 7 points, and lets go at 8.
    EXPECT_EQ(drag(2.0f, 234, 14).second, 0.5f);
    EXPECT_NEAR(drag(2.0f, 234, 16).second, 0.54f, 1e-6f);
}

TEST_F(EqEditorTest, TheValueShowsBesideAKnobWhileItIsPointedAtAndGoesAfter)
{
    WindowHandle window = openAndPaint();
    const std::vector<unsigned char> fresh = canvas.windowPixels(window);
    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(206, 37));  // A-Freq
    char display[16] = {}, unit[16] = {};
    effect->getParameterDisplay(2, display);
    effect->getParameterLabel(2, unit);
    EXPECT_EQ(editor->getLabel().text(), std::string(display) + " " + unit);
    const GuiRect box = editor->getLabel().box();
    EXPECT_TRUE(box.top >= 50 && box.bottom <= 82 && box.left < 206 && box.right > 206) << "under the knob";
    EXPECT_NE(canvas.pixel(window, box.left, box.top), fresh[(box.top * 785 + box.left) * 3]);
    EXPECT_FALSE(canvas.windowPixels(window) == fresh);

    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(5, 5));
    EXPECT_FALSE(editor->getLabel().isShown());
    EXPECT_TRUE(canvas.windowPixels(window) == fresh) << "nothing of the label is left";
}

TEST_F(EqEditorTest, TheSizeMenuResizesTheEditorAndARefusingHostStillGetsAWholePicture)
{
    effect->setParameter(3, 0.8f);
    WindowHandle window = openAndPaint();
    canvas.sendMessage(window, kMessageRightButtonDown, 0, SoftwareCanvas::pointParam(700, 70));
    ASSERT_TRUE(editor->getMenu().isOpen());
    const GuiRect menu = editor->getMenu().box();
    EXPECT_TRUE(menu.right <= 785 && menu.bottom <= 82) << "moved inside the editor";
    // Item 2 is 200 %: the third row of eleven points under the frame's one.
    canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(menu.left + 20, menu.top + 1 + 22 + 5));
    EXPECT_FALSE(editor->getMenu().isOpen());
    EXPECT_EQ(editor->getScale(), 2.0f);
    const auto asked = RecordingHost::instance().callsOf(audioMasterSizeWindow);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].index, 1570);
    EXPECT_EQ(asked[0].value, 164);

    // Refused, the window has the new size all the same, drawn whole: what a
    // snapshot at 200 % shows.
    AEffect* record = effect->getEffectRecord();
    std::vector<unsigned char> expected(static_cast<std::size_t>(EqEffect::snapshotBytes(2.0f)));
    ASSERT_EQ(record->dispatcher(record, effVendorSpecific, EqEffect::kSnapshotRequest,
                                 static_cast<VstIntPtr>(expected.size()), expected.data(), 2.0f),
              static_cast<VstIntPtr>(expected.size()));
    EXPECT_TRUE(canvas.windowPixels(window) == expected);
    EditorRect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->right, 1570);
    EXPECT_EQ(rect->bottom, 164);
}

namespace {

// What korvo --set NAME=VALUE stores.
float setByKorvo(const char* setting)
{
    Setting parsed{};
    std::string error;
    EXPECT_TRUE(parseSetting(setting, parsed, error)) << error;
    return parsed.value;
}

}  // namespace

class EqEditorKeysTest : public EqEditorTest {
protected:
    // A right click on the point, then a click on the menu's row (below its
    // frame, eleven pixels a row at 100 %).
    void menuRow(int x, int y, int row)
    {
        canvas.sendMessage(window, kMessageRightButtonDown, 0, SoftwareCanvas::pointParam(x, y));
        canvas.sendMessage(window, kMessageRightButtonUp, 0, SoftwareCanvas::pointParam(x, y));
        ASSERT_TRUE(editor->getMenu().hasValueItems());
        const GuiRect menu = editor->getMenu().box();
        const int rowY = menu.top + 1 + 11 * row + 5;
        canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(menu.left + 20, rowY));
        canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(menu.left + 20, rowY));
    }
    void type(const char* text)
    {
        for (const char* c = text; *c; ++c) {
            canvas.sendMessage(window, kMessageChar, static_cast<unsigned char>(*c), 0);
        }
    }
    void key(std::uintptr_t virtualKey) { canvas.sendMessage(window, kMessageKeyDown, virtualKey, 0); }
    VstIntPtr hostKey(char character)
    {
        AEffect* record = effect->getEffectRecord();
        return record->dispatcher(record, effEditKeyDown, character, 0, nullptr, 0.0f);
    }

    WindowHandle window = nullptr;
};

TEST_F(EqEditorKeysTest, ATypedValueIsWhatKorvoSetSetsAsOneGesture)
{
    window = openAndPaint();
    RecordingHost::instance().reset();
    menuRow(206, 37, 0);  // A-Freq: "ENTER VALUE..."
    const ValueField& field = editor->getField();
    ASSERT_TRUE(field.isEditing());
    char display[16] = {}, unit[16] = {};
    effect->getParameterDisplay(2, display);
    effect->getParameterLabel(2, unit);
    EXPECT_EQ(field.text(), std::string(display) + " " + unit) << "the value shown, selected";
    EXPECT_TRUE(field.isSelected());
    EXPECT_EQ(canvas.focusedWindow(), window) << "the keyboard comes to the field";
    type("1 kHzz");
    key(kVirtualKeyBackspace);
    key(kVirtualKeyHome);
    key(kVirtualKeyDelete);
    type("1");
    EXPECT_EQ(field.text(), "1 kHz");
    EXPECT_EQ(editCalls(), "") << "nothing is set while typing";
    key(kVirtualKeyEnter);
    EXPECT_FALSE(field.isShown());
    EXPECT_EQ(effect->getParameter(2), setByKorvo("A-Freq=1kHz"));
    EXPECT_EQ(editCalls(), "B2 A2 E2");

    // Keys a VST 2 host forwards take the same way, the host keeping the others.
    RecordingHost::instance().reset();
    EXPECT_EQ(hostKey('5'), 0) << "no field open";
    menuRow(247, 37, 0);  // A-Gain
    for (char c : std::string("-3 dB\r")) {
        EXPECT_EQ(hostKey(c), 1) << c;
    }
    EXPECT_EQ(effect->getParameter(3), setByKorvo("A-Gain=-3dB"));
    EXPECT_EQ(editCalls(), "B3 A3 E3");

    // "RESET" is the initial value, as a double click sets it.
    RecordingHost::instance().reset();
    menuRow(247, 37, 1);
    EXPECT_EQ(effect->getParameter(3), kInitialValue);
    EXPECT_EQ(editCalls(), "B3 A3 E3");

    // At 8 kHz HS-Freq shows the frequency its band is held at, below the
    // knob's range; the text shown is read at the effect's rate and kept.
    effect->setSampleRate(8000.0f);
    effect->getParameterDisplay(8, display);
    menuRow(534, 37, 0);  // HS-Freq
    key(kVirtualKeyEnter);
    char shown[16] = {};
    effect->getParameterDisplay(8, shown);
    EXPECT_FALSE(field.isShown()) << "accepted";
    EXPECT_STREQ(shown, display);
}

TEST_F(EqEditorKeysTest, EscapeAClickElsewhereOrARefusedTextChangeNothing)
{
    window = openAndPaint();
    const std::vector<unsigned char> fresh = canvas.windowPixels(window);
    RecordingHost::instance().reset();
    menuRow(247, 37, 0);
    type("7");
    effect->setParameter(3, 0.9f);  // the host, meanwhile
    key(kVirtualKeyEscape);
    EXPECT_FALSE(editor->getField().isShown());
    EXPECT_EQ(effect->getParameter(3), 0.9f);

    menuRow(247, 37, 0);
    type("7");
    canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(83, 37));  // LS-Freq
    canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(83, 10));
    canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(83, 10));
    EXPECT_FALSE(editor->getField().isShown());
    EXPECT_EQ(effect->getParameter(0), kInitialValue) << "the click that cancels turns nothing";

    menuRow(247, 37, 0);
    type("99 dB");
    key(kVirtualKeyEnter);
    EXPECT_TRUE(editor->getField().isNotice());
    EXPECT_EQ(editor->getField().text(), "out of range -20..+20 dB");
    EXPECT_EQ(effect->getParameter(3), 0.9f);
    EXPECT_EQ(editCalls(), "");
    canvas.sendMessage(window, kMessageTimer, GuiWindow::kNoticeTimer, 0);
    EXPECT_FALSE(editor->getField().isShown());
    effect->setParameter(3, kInitialValue);
    canvas.fireTimers(window);
    EXPECT_TRUE(canvas.windowPixels(window) == fresh) << "nothing of the field or the menu is left";
}

TEST_F(EqEditorKeysTest, TheMenuClosesOnEscapeOnAClickOutsideAndWithTheEditor)
{
    for (float scale : {1.0f, 3.0f}) {
        SCOPED_TRACE(scale);
        editor->chooseScale(scale);
        window = openAndPaint();
        const int s = static_cast<int>(scale);
        canvas.sendMessage(window, kMessageRightButtonDown, 0, SoftwareCanvas::pointParam(10 * s, 5 * s));
        ASSERT_TRUE(editor->getMenu().isOpen());
        key(kVirtualKeyEscape);
        EXPECT_FALSE(editor->getMenu().isOpen());

        // A press on a knob outside the menu only closes it: the drag after it turns nothing.
        RecordingHost::instance().reset();
        canvas.sendMessage(window, kMessageRightButtonDown, 0, SoftwareCanvas::pointParam(10 * s, 5 * s));
        canvas.sendMessage(window, kMessageLeftButtonDown, 0, SoftwareCanvas::pointParam(247 * s, 37 * s));
        canvas.sendMessage(window, kMessageMouseMove, 0, SoftwareCanvas::pointParam(247 * s, 5 * s));
        canvas.sendMessage(window, kMessageLeftButtonUp, 0, SoftwareCanvas::pointParam(247 * s, 5 * s));
        EXPECT_FALSE(editor->getMenu().isOpen());
        EXPECT_EQ(effect->getParameter(3), kInitialValue);
        EXPECT_EQ(editCalls(), "");

        canvas.sendMessage(window, kMessageRightButtonDown, 0, SoftwareCanvas::pointParam(10 * s, 5 * s));
        editor->close();
        EXPECT_FALSE(editor->getMenu().isOpen());
    }
}
