#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <thread>
#include <vector>

#include "gui/BmpImage.h"
#include "gui/EmbeddedBitmaps.h"
#include "tests/support/TestCanvas.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put(Bytes& file, std::size_t at, std::uint32_t value, int count = 4)
{
    for (int k = 0; k < count; ++k) {
        file[at + k] = static_cast<unsigned char>(value >> (8 * k));
    }
}

// A BMP file written by hand. rows: top to bottom, unpadded (B, G, R bytes, or
// indices for 8 bits); palette: 0x00RRGGBB, stored with 0x99 in the reserved
// byte. Row padding is 0xEE, so reading it as pixels shows.
Bytes makeBmp(int width, int bits, bool topDown, const std::vector<Bytes>& rows,
              const std::vector<std::uint32_t>& palette = {}, std::uint32_t headerSize = 40)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t offset = 14 + headerSize + 4 * palette.size();
    Bytes file(offset + stride * rows.size(), 0xEE);
    std::fill(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(offset), 0);
    file[0] = 'B';
    file[1] = 'M';
    put(file, 10, static_cast<std::uint32_t>(offset));
    put(file, 14, headerSize);
    put(file, 18, static_cast<std::uint32_t>(width));
    const auto height = static_cast<std::int32_t>(rows.size());
    put(file, 22, static_cast<std::uint32_t>(topDown ? -height : height));
    put(file, 26, 1, 2);
    put(file, 28, static_cast<std::uint32_t>(bits), 2);
    put(file, 46, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t k = 0; k < palette.size(); ++k) {
        put(file, 14 + headerSize + 4 * k, palette[k] | 0x99000000u);
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t at = offset + (topDown ? r : rows.size() - 1 - r) * stride;
        std::copy(rows[r].begin(), rows[r].end(), file.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return file;
}

const std::vector<Bytes> kRgbRows = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}};

}  // namespace


namespace {

const std::vector<Bytes> kIndexRows = {{0, 1, 2, 1, 3}, {2, 2, 0, 0, 1}};
const std::vector<std::uint32_t> kPalette = {0x102030, 0xA0B0C0, 0xFFFFFF};

TEST(BmpImage, DecodesBothDepthsAndRowOrdersIntoUnpaddedTopDownRows)
{
    const Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    // Blue, green, red of each palette entry; index 3 lies past the palette and is black.
    const Bytes indexed = {0x30, 0x20, 0x10, 0xC0, 0xB0, 0xA0, 0xFF, 0xFF, 0xFF, 0xC0, 0xB0, 0xA0, 0, 0, 0,
                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x30, 0x20, 0x10, 0x30, 0x20, 0x10, 0xC0, 0xB0, 0xA0};
    for (bool topDown : {false, true}) {
        BmpImage image;
        ASSERT_TRUE(decodeBmp(makeBmp(3, 24, topDown, kRgbRows).data(), 14 + 40 + 2 * 12, image));
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.pixels, rgb) << "top-down " << topDown;
        for (std::uint32_t header : {40u, 124u}) {
            const Bytes file = makeBmp(5, 8, topDown, kIndexRows, kPalette, header);
            ASSERT_TRUE(decodeBmp(file.data(), file.size(), image)) << header;
            EXPECT_EQ(image.pixels, indexed) << "top-down " << topDown << ", header " << header;
        }
    }
}

TEST(BmpImage, RefusesEveryTruncationOtherFormatsAndAbsurdHeaders)
{
    BmpImage image;
    for (const Bytes& file : {makeBmp(3, 24, false, kRgbRows), makeBmp(5, 8, true, kIndexRows, kPalette)}) {
        for (std::size_t size = 0; size < file.size(); ++size) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_FALSE(decodeBmp(prefix.data(), prefix.size(), image)) << size << " of " << file.size();
        }
    }
    // Pixels at offset 300 with plenty after them, so only the changed field can be the reason.
    Bytes base = makeBmp(3, 8, false, {{0, 1, 2}, {2, 1, 0}}, kPalette);
    base.resize(800, 0);
    put(base, 10, 300);
    ASSERT_TRUE(decodeBmp(base.data(), base.size(), image));
    const struct { std::size_t at; std::uint32_t value; int count; } changes[] = {
        {0, 'X', 1},  {14, 12, 4}, {14, 64, 4}, {26, 2, 2},           {28, 32, 2},         {28, 16, 2},
        {28, 4, 2},   {30, 1, 4},  {18, 0, 4},  {18, 0xFFFFFFFDu, 4}, {18, 0x7FFFFFFF, 4}, {22, 0, 4},
        {22, 0x80000000u, 4},      {22, 0x80000001u, 4},              {10, 20, 4},         {10, 60, 4},
        {46, 257, 4}, {46, 70, 4}};
    for (const auto& change : changes) {
        Bytes file = base;
        put(file, change.at, change.value, change.count);
        EXPECT_FALSE(decodeBmp(file.data(), file.size(), image)) << "offset " << change.at << " = " << change.value;
    }
}

class Canvas : public ::testing::Test {
protected:
    TestCanvas canvas;
    WindowHandle host = canvas.createTopLevelWindow(8, 6, 100, 50);

    BitmapHandle bitmapOf(const std::vector<Bytes>& rows)
    {
        const Bytes file = makeBmp(static_cast<int>(rows[0].size() / 3), 24, true, rows);
        return canvas.createBitmapFromBmp(file.data(), file.size());
    }
    // Blits a bitmap onto the host window as the controls do, through a memory context.
    void blitFrom(BitmapHandle bitmap, int x, int y, int w, int h, int sx, int sy, RasterOp op)
    {
        DeviceHandle device = canvas.getDeviceContext(host);
        DeviceHandle memory = canvas.createCompatibleContext(device);
        GdiObject previous = canvas.selectObject(memory, bitmap);
        canvas.bitBlt(device, x, y, w, h, memory, sx, sy, op);
        canvas.selectObject(memory, previous);
        canvas.deleteContext(memory);
        canvas.releaseDeviceContext(host, device);
    }
};

TEST_F(Canvas, MaskAndThenImageLeaveExactlyTheCombinedBytes)
{
    canvas.fillWindow(host, 0x5AC396);
    blitFrom(bitmapOf({{0xFF, 0xFF, 0xFF, 0, 0, 0, 0x0F, 0xF0, 0x3C, 0xA5, 0x5A, 0x81}}), 2, 1, 4, 1, 0, 0,
             RasterOp::And);
    blitFrom(bitmapOf({{0, 0, 0, 0x12, 0x34, 0x56, 0x80, 0x01, 0x40, 0x0C, 0x21, 0x7E}}), 2, 1, 4, 1, 0, 0,
             RasterOp::Or);
    const Bytes expected = {0x5A, 0xC3, 0x96, 0x12, 0x34, 0x56, 0x8A, 0xC1, 0x54, 0x0C, 0x63, 0xFE};
    const Bytes pixels = canvas.windowPixels(host);
    EXPECT_EQ(Bytes(pixels.begin() + (8 + 2) * 3, pixels.begin() + (8 + 6) * 3), expected);
    EXPECT_EQ(canvas.pixel(host, 1, 1), 0x5AC396u);
    EXPECT_EQ(canvas.pixel(host, 6, 1), 0x5AC396u);
}

TEST_F(Canvas, CopiesAreClippedAtEveryEdgeOfBothSurfaces)
{
    std::vector<Bytes> rows(3);  // 4 x 3 pixels that all differ
    for (int k = 0; k < 36; ++k) {
        rows[k / 12].push_back(static_cast<unsigned char>(k + 1));
    }
    BitmapHandle source = bitmapOf(rows);
    const struct { int x, y, w, h, sx, sy; } cases[] = {
        {-2, -1, 4, 3, 0, 0}, {6, 4, 4, 3, 0, 0}, {1, 1, 4, 3, -1, -1}, {2, 2, 9, 9, 2, 1},
        {-9, 0, 4, 3, 0, 0},  {0, 0, 4, 3, 4, 0}, {0, -3, 4, 3, 0, 0},  {3, 0, INT_MAX, INT_MAX, 1, 1}};
    for (const auto& c : cases) {
        canvas.fillWindow(host, 0x000000);
        blitFrom(source, c.x, c.y, c.w, c.h, c.sx, c.sy, RasterOp::Copy);
        for (int py = 0; py < 6; ++py) {
            for (int px = 0; px < 8; ++px) {
                const std::int64_t i = std::int64_t{px} - c.x, j = std::int64_t{py} - c.y;
                Colour expected = 0;
                if (i >= 0 && i < c.w && j >= 0 && j < c.h) {
                    expected = canvas.bitmapPixel(source, static_cast<int>(c.sx + i), static_cast<int>(c.sy + j));
                }
                EXPECT_EQ(canvas.pixel(host, px, py), expected == SoftwareCanvas::kNoPixel ? 0 : expected)
                    << "blit to " << c.x << "," << c.y << " from " << c.sx << "," << c.sy << ": " << px << "," << py;
            }
        }
    }
}

TEST_F(Canvas, ABlitWithinOneSurfaceReadsTheSourceAsItWas)
{
    DeviceHandle device = canvas.getDeviceContext(host);
    for (int x = 0; x < 8; ++x) {
        GdiObject brush = canvas.createSolidBrush(static_cast<Colour>(x + 1));
        canvas.fillRect(device, GuiRect{x, 0, x + 1, 1}, brush);
        canvas.deleteObject(brush);
    }
    canvas.bitBlt(device, 1, 0, 7, 1, device, 0, 0, RasterOp::Copy);
    canvas.releaseDeviceContext(host, device);
    for (int x = 1; x < 8; ++x) {
        EXPECT_EQ(canvas.pixel(host, x, 0), static_cast<Colour>(x)) << x;
    }
}

TEST_F(Canvas, SelectionAnswersThePreviousObjectAndProtectsWhatIsSelected)
{
    DeviceHandle window = canvas.getDeviceContext(host);
    DeviceHandle memory = canvas.createCompatibleContext(window);
    DeviceHandle other = canvas.createCompatibleContext(nullptr);
    BitmapHandle bitmap = canvas.createBitmap(2, 3, 0x123456);
    GdiObject pen = canvas.createPen(0x0000FF);
    GdiObject brush = canvas.createSolidBrush(0x00FF00);
    EXPECT_EQ(canvas.liveObjects(), 6);

    GdiObject firstBitmap = canvas.selectObject(memory, bitmap);
    EXPECT_EQ(canvas.bitmapSize(firstBitmap).width * canvas.bitmapSize(firstBitmap).height, 1);
    GdiObject firstPen = canvas.selectObject(memory, pen);
    GdiObject firstBrush = canvas.selectObject(memory, brush);
    ASSERT_TRUE(firstPen && firstBrush);
    EXPECT_EQ(canvas.selectObject(other, bitmap), nullptr) << "a bitmap is in one context at a time";
    EXPECT_EQ(canvas.selectObject(window, bitmap), nullptr) << "a window context holds no bitmap";
    canvas.deleteObject(bitmap);
    canvas.deleteObject(pen);
    EXPECT_EQ(canvas.liveObjects(), 6) << "selected objects are not deleted";
    canvas.ellipse(memory, 0, 0, 2, 3);
    EXPECT_EQ(canvas.bitmapPixel(bitmap, 0, 1), 0x0000FFu) << "outlined with the selected pen";

    EXPECT_EQ(canvas.selectObject(memory, firstBitmap), bitmap);
    EXPECT_EQ(canvas.selectObject(memory, firstPen), pen);
    EXPECT_EQ(canvas.selectObject(memory, firstBrush), brush);
    EXPECT_EQ(canvas.selectObject(other, bitmap), firstBitmap) << "free again once deselected";
    canvas.deleteContext(other);
    for (GdiObject object : {GdiObject(bitmap), pen, brush, firstBitmap, firstPen, firstBrush}) {
        canvas.deleteObject(object);
    }
    canvas.deleteContext(window);  // refused: a window's context goes back with releaseDeviceContext
    EXPECT_EQ(canvas.liveObjects(), 2);
    canvas.deleteContext(memory);
    canvas.releaseDeviceContext(host, window);
    EXPECT_EQ(canvas.liveObjects(), 0);
    EXPECT_EQ(canvas.bitmapSize(bitmap).width, 0) << "a deleted handle is dead";
}

TEST_F(Canvas, FillsAndEllipsesStayInTheirBoxesAndWrongHandlesDrawNothing)
{
    canvas.fillWindow(host, 0x000000);
    DeviceHandle device = canvas.getDeviceContext(host);
    GdiObject brush = canvas.createSolidBrush(0xAB00CDEF);
    GdiObject pen = canvas.createPen(0xFFFFFF);
    canvas.fillRect(device, GuiRect{-5, 4, 3, 6}, brush);
    canvas.fillRect(device, GuiRect{0, 0, 8, 6}, pen);
    canvas.fillRect(nullptr, GuiRect{0, 0, 8, 6}, brush);
    canvas.bitBlt(device, 0, 0, 8, 6, pen, 0, 0, RasterOp::Copy);
    EXPECT_EQ(canvas.selectObject(pen, brush), nullptr);
    EXPECT_EQ(canvas.selectObject(device, device), nullptr);
    EXPECT_EQ(canvas.createCompatibleContext(pen), nullptr);
    GdiObject oldPen = canvas.selectObject(device, pen);
    GdiObject oldBrush = canvas.selectObject(device, brush);
    canvas.ellipse(device, 3, 0, 8, 4);
    // The ellipse within 3..7 x 0..3 as this canvas draws it: pen (O) round the brush (B), corners untouched.
    const char* expected[6] = {"....OOO.", "...OBBBO", "...OBBBO", "....OOO.", "BBB.....", "BBB....."};
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const char c = expected[y][x];
            const Colour colour = c == 'O' ? 0xFFFFFFu : c == 'B' ? 0x00CDEFu : 0u;
            EXPECT_EQ(canvas.pixel(host, x, y), colour) << x << "," << y;
        }
    }
    EXPECT_EQ(canvas.pixel(host, 8, 0), SoftwareCanvas::kNoPixel);
    canvas.selectObject(device, oldPen);
    canvas.selectObject(device, oldBrush);
    canvas.deleteObject(brush);
    canvas.deleteObject(pen);
    canvas.releaseDeviceContext(host, device);
    EXPECT_EQ(canvas.liveObjects(), 0);
}

std::vector<std::intptr_t> received;  // window, message, wParam and lParam of the last message
std::intptr_t recordingProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam)
{
    received = {reinterpret_cast<std::intptr_t>(window), static_cast<std::intptr_t>(message),
                static_cast<std::intptr_t>(wParam), lParam};
    return 42;
}

TEST_F(Canvas, ChildWindowsNeedTheirClassForTheirInstanceAndALiveParent)
{
    int moduleA = 0, moduleB = 0;
    EXPECT_EQ(canvas.createChildWindow(&moduleA, "VXGui", host, 4, 4), nullptr);
    canvas.registerClass(&moduleA, "VXGui", &recordingProcedure);
    EXPECT_TRUE(canvas.isClassRegistered(&moduleA, "vxgui"));
    EXPECT_FALSE(canvas.isClassRegistered(&moduleB, "VXGui"));
    EXPECT_EQ(canvas.createChildWindow(&moduleB, "VXGui", host, 4, 4), nullptr);
    EXPECT_EQ(canvas.createChildWindow(&moduleA, "VXGui", nullptr, 4, 4), nullptr);
    canvas.failNextWindowCreation();
    EXPECT_EQ(canvas.createChildWindow(&moduleA, "VXGui", host, 4, 4), nullptr);
    WindowHandle child = canvas.createChildWindow(&moduleA, "VXGui", host, 5, 3);
    ASSERT_NE(child, nullptr) << "only the next creation fails";
    EXPECT_FALSE(canvas.isWindowVisible(child));
    EXPECT_EQ(canvas.pixel(child, 4, 2), SoftwareCanvas::kUndrawnColour);
    canvas.unregisterClass(&moduleA, "VXGui");
    EXPECT_TRUE(canvas.isClassRegistered(&moduleA, "VXGui")) << "kept while a window of the class lives";
    canvas.destroyWindow(host);
    EXPECT_FALSE(canvas.isWindowAlive(child)) << "destroyed with its parent";
    canvas.unregisterClass(&moduleA, "VXGui");
    EXPECT_FALSE(canvas.isClassRegistered(&moduleA, "VXGui"));
}

TEST_F(Canvas, MessagesSlotCaptureFocusAndScreenCoordinates)
{
    int module = 0, frame = 0;
    canvas.registerClass(&module, "VXGui", &recordingProcedure);
    WindowHandle child = canvas.createChildWindow(&module, "VXGui", host, 20, 10);
    EXPECT_EQ(canvas.getWindowSlot(child), nullptr);
    canvas.setWindowSlot(child, &frame);
    EXPECT_EQ(canvas.getWindowSlot(child), &frame);
    EXPECT_EQ(canvas.sendMessage(child, kMessageLeftButtonDown, 3, SoftwareCanvas::pointParam(-3, 7)), 42);
    EXPECT_EQ(received, (std::vector<std::intptr_t>{reinterpret_cast<std::intptr_t>(child), 0x201, 3, 0x7FFFD}));
    const GuiPoint client = canvas.screenToClient(child, GuiPoint{130, 45});
    EXPECT_EQ(client.x, 30) << "a child starts at its parent's origin";
    EXPECT_EQ(client.y, -5);

    canvas.setCapture(child);
    EXPECT_EQ(canvas.capturedWindow(), child);
    canvas.releaseCapture();
    EXPECT_EQ(canvas.capturedWindow(), nullptr);
    canvas.setCapture(child);
    canvas.setFocus(child);
    EXPECT_EQ(canvas.focusedWindow(), child);
    canvas.destroyWindow(child);
    EXPECT_EQ(canvas.capturedWindow(), nullptr) << "a destroyed window loses capture and focus";
    EXPECT_EQ(canvas.focusedWindow(), nullptr);
    received.clear();
    EXPECT_EQ(canvas.sendMessage(child, kMessagePaint, 0, 0), 0);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(canvas.getWindowSlot(child), nullptr);
}

TEST_F(Canvas, InvalidationFromAnotherThreadAccumulatesUntilThePaint)
{
    canvas.invalidateRect(host, GuiRect{-4, 5, 2, 9});
    bool otherThreadOwns = true;
    std::thread automation([&] {
        otherThreadOwns = canvas.isWindowThread(host);
        for (int k = 0; k < 2000; ++k) {
            canvas.invalidateRect(host, GuiRect{k % 7, 1, k % 7 + 1, 2});
        }
    });
    for (int k = 0; k < 200; ++k) {  // the window's thread creates and draws meanwhile
        DeviceHandle device = canvas.getDeviceContext(host);
        GdiObject brush = canvas.createSolidBrush(0x808080);
        canvas.fillRect(device, GuiRect{0, 0, 8, 6}, brush);
        canvas.deleteObject(brush);
        canvas.releaseDeviceContext(host, device);
    }
    automation.join();
    EXPECT_FALSE(otherThreadOwns);
    EXPECT_TRUE(canvas.isWindowThread(host));
    const GuiRect area = canvas.invalidArea(host);
    EXPECT_EQ((std::vector<int>{area.left, area.top, area.right, area.bottom}), (std::vector<int>{0, 1, 7, 6}));
    PaintRecord record;
    ASSERT_NE(canvas.beginPaint(host, record), nullptr);
    EXPECT_EQ(canvas.invalidArea(host).right, 0) << "painting validates the window";
    canvas.endPaint(host, record);
    EXPECT_EQ(canvas.liveObjects(), 0);
}

TEST_F(Canvas, LoadsTheEditorsBitmapsAtBothScales)
{
    const std::int32_t sizes[4][2] = {{785, 82}, {26, 1664}, {26, 26}, {8, 16}};
    for (std::int32_t id = 101; id <= 108; ++id) {
        const std::int32_t scale = id <= 104 ? 1 : 2;  // 105-108 are 101-104 drawn at 200 %
        const BitmapSize size = canvas.bitmapSize(canvas.loadBitmap(nullptr, id));
        EXPECT_EQ(size.width, scale * sizes[(id - 101) % 4][0]) << id;
        EXPECT_EQ(size.height, scale * sizes[(id - 101) % 4][1]) << id;
    }
    EXPECT_EQ(canvas.loadBitmap(nullptr, 109), nullptr) << "unknown";
}

}  // namespace
