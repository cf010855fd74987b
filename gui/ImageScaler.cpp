#include "gui/ImageScaler.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

constexpr int kWeightBits = 14;
constexpr std::int32_t kWeightOne = std::int32_t{1} << kWeightBits;
// Fraction bits the vertical pass keeps beyond the 8 of a pixel for the
// horizontal one, and the shift that takes its sums there.
constexpr int kKeptBits = 6;
constexpr int kFirstShift = kWeightBits - kKeptBits;
constexpr int kSecondShift = kWeightBits + kKeptBits;

// The Catmull-Rom cubic (Keys' kernel with a = -0.5): 1 at 0, 0 at the other
// integers, nothing from 2 on. Plain arithmetic only, so it rounds alike everywhere.
double catmullRom(double x)
{
    if (x < 0.0) {
        x = -x;
    }
    if (x < 1.0) {
        return (1.5 * x - 2.5) * x * x + 1.0;
    }
    if (x < 2.0) {
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    }
    return 0.0;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

std::int32_t roundToInt(double value)
{
    return value < 0.0 ? -static_cast<std::int32_t>(-value + 0.5) : static_cast<std::int32_t>(value + 0.5);
}

struct Tap {
    std::int32_t index;
    std::int32_t weight;
};

// The filter along one axis: output pixel i takes taps[first[i]] up to
// taps[first[i + 1]], whose weights add up to exactly kWeightOne.
struct AxisFilter {
    std::vector<std::int32_t> first;
    std::vector<Tap> taps;
};

AxisFilter makeAxisFilter(std::int32_t sourceSize, std::int32_t size)
{
    // Positions are exact integers over common denominators: source pixel j lies
    // offset / (2 * size) pixels from output pixel i's centre, where
    // offset = 2 * size * j - centre and centre = (2 * i + 1) * sourceSize - size.
    // The kernel reads that distance, divided by the ratio when shrinking, which
    // comes to offset / reach with reach = 2 * max(sourceSize, size); it is zero
    // from 2 on, so only offsets within 2 * reach count.
    const std::int64_t src = sourceSize;
    const std::int64_t dst = size;
    const std::int64_t reach = 2 * std::max(src, dst);
    AxisFilter filter;
    filter.first.reserve(static_cast<std::size_t>(size) + 1);
    filter.taps.reserve(static_cast<std::size_t>(size) * static_cast<std::size_t>(4 * (src / dst + 1)));
    std::vector<double> kernel;
    std::vector<std::int32_t> indices;
    for (std::int64_t i = 0; i < dst; ++i) {
        const std::int64_t centre = (2 * i + 1) * src - dst;
        const std::int64_t lowest = floorDiv(centre - 2 * reach, 2 * dst) + 1;
        const std::int64_t highest = floorDiv(centre + 2 * reach - 1, 2 * dst);
        kernel.clear();
        indices.clear();
        double sum = 0.0;
        std::size_t heaviest = 0;
        for (std::int64_t j = lowest; j <= highest; ++j) {
            const double k = catmullRom(static_cast<double>(2 * dst * j - centre) / static_cast<double>(reach));
            const auto index = static_cast<std::int32_t>(std::clamp<std::int64_t>(j, 0, src - 1));
            sum += k;
            // Taps past an edge read the edge pixel: one tap for all of them.
            if (!indices.empty() && indices.back() == index) {
                kernel.back() += k;
            } else {
                indices.push_back(index);
                kernel.push_back(k);
            }
            if (kernel.back() > kernel[heaviest]) {
                heaviest = kernel.size() - 1;
            }
        }
        filter.first.push_back(static_cast<std::int32_t>(filter.taps.size()));
        // What rounding loses or gains goes to the heaviest tap, so that the
        // weights add up to exactly one and a flat area stays flat.
        std::int32_t total = 0;
        std::size_t heaviestTap = 0;
        for (std::size_t t = 0; t < kernel.size(); ++t) {
            const std::int32_t weight = roundToInt(kernel[t] * kWeightOne / sum);
            if (t == heaviest) {
                heaviestTap = filter.taps.size();
            } else if (weight == 0) {
                continue;
            }
            filter.taps.push_back({indices[t], weight});
            total += weight;
        }
        filter.taps[heaviestTap].weight += kWeightOne - total;
    }
    filter.first.push_back(static_cast<std::int32_t>(filter.taps.size()));
    return filter;
}

unsigned char toPixel(std::int32_t sum)
{
    if (sum <= 0) {
        return 0;
    }
    return static_cast<unsigned char>(std::min((sum + (std::int32_t{1} << (kSecondShift - 1))) >> kSecondShift, 255));
}

// Room for one output row's work, made once for all the frames.
struct Scratch {
    std::vector<std::int32_t> line;
    std::vector<const unsigned char*> sourceRows;
    std::vector<std::int32_t> rowWeights;
};

// One frame: each output row is first filtered vertically into a row of sums
// with kKeptBits more fraction bits than a pixel, then that row horizontally.
// The weights' absolute values add up to well under 2 * kWeightOne, so neither
// pass's sums come near the range of 32 bits.
void scaleFrame(const unsigned char* source, std::int32_t sourceWidth, unsigned char* out, std::int32_t width,
                const AxisFilter& columns, const AxisFilter& rows, Scratch& scratch)
{
    std::vector<std::int32_t>& line = scratch.line;
    const unsigned char** const sourceRows = scratch.sourceRows.data();
    std::int32_t* const rowWeights = scratch.rowWeights.data();
    const std::size_t sourceStride = static_cast<std::size_t>(sourceWidth) * 3;
    const std::size_t height = rows.first.size() - 1;
    for (std::size_t y = 0; y < height; ++y) {
        const std::int32_t count = rows.first[y + 1] - rows.first[y];
        for (std::int32_t t = 0; t < count; ++t) {
            const Tap& tap = rows.taps[rows.first[y] + t];
            sourceRows[t] = source + static_cast<std::size_t>(tap.index) * sourceStride;
            rowWeights[t] = tap.weight;
        }
        // Four bytes at a time, each tap's row and weight read once for the four.
        // The sums start at the rounding offset, and the arithmetic shift (as GCC
        // defines it for negative values) then rounds to nearest.
        constexpr std::int32_t half = std::int32_t{1} << (kFirstShift - 1);
        std::size_t k = 0;
        for (; k + 4 <= sourceStride; k += 4) {
            std::int32_t sum0 = half;
            std::int32_t sum1 = half;
            std::int32_t sum2 = half;
            std::int32_t sum3 = half;
            for (std::int32_t t = 0; t < count; ++t) {
                const unsigned char* in = sourceRows[t] + k;
                const std::int32_t weight = rowWeights[t];
                sum0 += in[0] * weight;
                sum1 += in[1] * weight;
                sum2 += in[2] * weight;
                sum3 += in[3] * weight;
            }
            line[k] = sum0 >> kFirstShift;
            line[k + 1] = sum1 >> kFirstShift;
            line[k + 2] = sum2 >> kFirstShift;
            line[k + 3] = sum3 >> kFirstShift;
        }
        for (; k < sourceStride; ++k) {
            std::int32_t sum = half;
            for (std::int32_t t = 0; t < count; ++t) {
                sum += sourceRows[t][k] * rowWeights[t];
            }
            line[k] = sum >> kFirstShift;
        }
        for (std::int32_t x = 0; x < width; ++x, out += 3) {
            std::int32_t blue = 0;
            std::int32_t green = 0;
            std::int32_t red = 0;
            for (std::int32_t t = columns.first[x]; t < columns.first[x + 1]; ++t) {
                const std::int32_t* in = line.data() + static_cast<std::size_t>(columns.taps[t].index) * 3;
                const std::int32_t weight = columns.taps[t].weight;
                blue += in[0] * weight;
                green += in[1] * weight;
                red += in[2] * weight;
            }
            out[0] = toPixel(blue);
            out[1] = toPixel(green);
            out[2] = toPixel(red);
        }
    }
}

bool fits(std::int64_t width, std::int64_t height)
{
    return width >= 1 && height >= 1 && width <= kBmpMaxSide && height <= kBmpMaxSide &&
           width * height <= kBmpMaxPixels;
}

}  // namespace

BmpImage scaleImage(const BmpImage& source, std::int32_t width, std::int32_t height)
{
    return scaleTiles(source, 1, width, height);
}

BmpImage scaleTiles(const BmpImage& source, std::int32_t tiles, std::int32_t width, std::int32_t tileHeight)
{
    if (!fits(source.width, source.height) ||
        source.pixels.size() != static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height) * 3 ||
        tiles < 1 || source.height % tiles != 0 || !fits(width, std::int64_t{tileHeight} * tiles)) {
        return {};
    }
    try {
        const std::int32_t sourceTileHeight = source.height / tiles;
        const AxisFilter columns = makeAxisFilter(source.width, width);
        const AxisFilter rows = makeAxisFilter(sourceTileHeight, tileHeight);
        Scratch scratch;
        scratch.line.resize(static_cast<std::size_t>(source.width) * 3);
        std::size_t mostTaps = 0;
        for (std::size_t y = 0; y + 1 < rows.first.size(); ++y) {
            mostTaps = std::max(mostTaps, static_cast<std::size_t>(rows.first[y + 1] - rows.first[y]));
        }
        scratch.sourceRows.resize(mostTaps);
        scratch.rowWeights.resize(mostTaps);
        BmpImage result;
        result.width = width;
        result.height = tileHeight * tiles;
        result.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(result.height) * 3);
        const std::size_t sourceFrame = static_cast<std::size_t>(source.width) * sourceTileHeight * 3;
        const std::size_t frame = static_cast<std::size_t>(width) * tileHeight * 3;
        for (std::int32_t tile = 0; tile < tiles; ++tile) {
            scaleFrame(source.pixels.data() + tile * sourceFrame, source.width, result.pixels.data() + tile * frame,
                       width, columns, rows, scratch);
        }
        return result;
    } catch (...) {
        return {};
    }
}
