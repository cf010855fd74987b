#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "gui/ImageScaler.h"

namespace {

using Sizes = std::vector<std::pair<int, int>>;

// An image whose every byte is byte(x, y, channel).
template <typename Byte>
BmpImage paint(int width, int height, Byte byte)
{
    BmpImage image{width, height, {}};
    for (int i = 0; i < width * height * 3; ++i) {
        image.pixels.push_back(static_cast<unsigned char>(byte(i / 3 % width, i / 3 / width, i % 3)));
    }
    return image;
}

BmpImage noise(int width, int height)
{
    std::mt19937 random(7);
    return paint(width, height, [&](int, int, int) { return random() >> 24; });
}

int at(const BmpImage& image, int x, int y, int channel) { return image.pixels[(y * image.width + x) * 3 + channel]; }

// Catmull-Rom weights for output pixel i in doubles, straight from the definition:
// centre at (i + 0.5) * from / to - 0.5, the kernel stretched by the ratio when shrinking.
std::vector<std::pair<int, double>> referenceTaps(int from, int to, int i)
{
    const double stretch = std::max(1.0, double(from) / to);
    const double centre = (i + 0.5) * from / to - 0.5;
    std::vector<std::pair<int, double>> taps;
    double sum = 0;
    for (int j = int(std::floor(centre - 2 * stretch)); j <= int(std::ceil(centre + 2 * stretch)); ++j) {
        const double x = std::fabs(j - centre) / stretch;
        const double w = x < 1   ? 1.5 * x * x * x - 2.5 * x * x + 1
                         : x < 2 ? -0.5 * x * x * x + 2.5 * x * x - 4 * x + 2
                                 : 0;
        taps.emplace_back(std::clamp(j, 0, from - 1), w);
        sum += w;
    }
    for (auto& tap : taps) {
        tap.second /= sum;
    }
    return taps;
}

}  // namespace

TEST(ImageScaler, MatchesADoublePrecisionCatmullRom)
{
    const BmpImage source = noise(37, 23);
    for (const auto& [width, height] : Sizes{{55, 34}, {48, 30}, {15, 9}, {74, 11}, {1, 1}}) {
        const BmpImage scaled = scaleImage(source, width, height);
        ASSERT_EQ(scaled.width, width);
        ASSERT_EQ(scaled.height, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < 3; ++c) {
                    double sum = 0;
                    for (const auto& [row, wy] : referenceTaps(source.height, height, y)) {
                        for (const auto& [column, wx] : referenceTaps(source.width, width, x)) {
                            sum += wy * wx * at(source, column, row, c);
                        }
                    }
                    const int expected = int(std::lround(std::clamp(sum, 0.0, 255.0)));
                    ASSERT_NEAR(at(scaled, x, y, c), expected, 1) << width << "x" << height << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(ImageScaler, SameSizeIsIdentityAndFlatStaysFlat)
{
    const BmpImage source = noise(31, 17);
    EXPECT_EQ(scaleImage(source, 31, 17).pixels, source.pixels);
    const auto colour = [](int, int, int c) { return c == 0 ? 17 : c == 1 ? 200 : 255; };
    for (const auto& [width, height] : Sizes{{20, 12}, {13, 8}, {3, 5}}) {
        EXPECT_EQ(scaleImage(paint(10, 6, colour), width, height).pixels, paint(width, height, colour).pixels);
    }
}

TEST(ImageScaler, FramesOfAStripDoNotBleed)
{
    // Four frames, black and white by turns: each stays pure to its last row.
    const BmpImage strip = paint(12, 40, [](int, int y, int) { return y / 10 % 2 * 255; });
    const BmpImage expected = paint(17, 52, [](int, int y, int) { return y / 13 % 2 * 255; });
    EXPECT_EQ(scaleTiles(strip, 4, 17, 13).pixels, expected.pixels);
}

TEST(ImageScaler, StepEdgeRisesWithinTwoPixels)
{
    // The edge, between source pixels 9 and 10, falls between output pixels 14 and 15.
    const BmpImage scaled = scaleImage(paint(20, 2, [](int x, int, int) { return x < 10 ? 0 : 255; }), 30, 3);
    EXPECT_LE(at(scaled, 13, 1, 0), 5);
    EXPECT_GE(at(scaled, 16, 1, 0), 250);
    EXPECT_EQ(at(scaled, 14, 1, 0) + at(scaled, 15, 1, 0), 255);
}

TEST(ImageScaler, RejectsNonsense)
{
    const BmpImage source = noise(8, 6);
    BmpImage truncated = source;
    truncated.pixels.pop_back();
    for (const BmpImage& image : {scaleImage(source, 0, 5), scaleImage(source, 5, -1), scaleImage(BmpImage{}, 5, 5),
                                  scaleImage(truncated, 5, 5), scaleImage(source, kBmpMaxSide + 1, 1),
                                  scaleImage(source, kBmpMaxSide, kBmpMaxSide), scaleTiles(source, 4, 8, 3),
                                  scaleTiles(source, 0, 8, 3), scaleTiles(source, 3, 8, kBmpMaxSide / 2)}) {
        EXPECT_EQ(image.width, 0);
        EXPECT_TRUE(image.pixels.empty());
    }
    EXPECT_EQ(scaleTiles(source, 3, 8, 4).height, 12);
}
