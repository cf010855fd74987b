#include "tests/support/BypassProbe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

BypassProbe::BypassProbe()
{
    // A parabola per half cycle, near a sine, from the four operations alone:
    // the same samples on every build, whatever its library's sine, so the
    // builds' outputs can be set side by side.
    for (int c = 0; c < 2; ++c) {
        input[c].resize(kFrames);
        const double hertz = c == 0 ? 100.0 : 150.0, amplitude = c == 0 ? 0.5 : 0.4;
        for (int i = 0; i < kFrames; ++i) {
            const double cycles = i * hertz / 48000.0;
            const double p = 2.0 * (cycles - std::floor(cycles)) - 1.0;
            input[c][static_cast<std::size_t>(i)] = static_cast<float>(-4.0 * amplitude * p * (1.0 - std::fabs(p)));
        }
        bypassed[c] = input[c];
        plain[c].assign(input[c].size(), 0.0f);
    }
}

BypassProbe::Frame BypassProbe::at(int frame)
{
    const auto k = static_cast<std::size_t>(frame);
    return {{bypassed[0].data() + k, bypassed[1].data() + k},
            {input[0].data() + k, input[1].data() + k},
            {plain[0].data() + k, plain[1].data() + k}};
}

bool BypassProbe::switchIn(int start, int& offset, double& value)
{
    for (int frame : {kOn, kOff}) {
        if (frame >= start && frame < start + kBlock) {
            offset = frame - start;
            value = frame == kOn ? 1.0 : 0.0;
            return true;
        }
    }
    return false;
}

namespace {

// The first frame in [from, to) where a and b differ in their bits, or -1.
int firstDifference(const std::vector<float>& a, const std::vector<float>& b, int from, int to)
{
    for (int i = from; i < to; ++i) {
        if (std::memcmp(&a[static_cast<std::size_t>(i)], &b[static_cast<std::size_t>(i)], sizeof(float)) != 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

testing::AssertionResult BypassProbe::noStep(const std::vector<float>& out, const std::vector<float>& wet,
                                             const std::vector<float>& dry, int at) const
{
    // A gain moving from 0 to 1 over kFade frames along a smooth step moves
    // at most 1.5 / kFade a frame: the output's step is at most the larger of
    // the signals' own steps plus that share of how far apart they are.
    double ownStep = 0.0, apart = 0.0, largest = 0.0;
    for (int i = at - 1; i <= at + kFade + 1; ++i) {
        const auto k = static_cast<std::size_t>(i);
        ownStep = std::max({ownStep, std::fabs(double(wet[k]) - wet[k - 1]), std::fabs(double(dry[k]) - dry[k - 1])});
        apart = std::max(apart, std::fabs(double(wet[k]) - dry[k]));
        largest = std::max(largest, std::fabs(double(out[k]) - out[k - 1]));
    }
    const double bound = ownStep + 1.5 / kFade * apart + 1e-6;
    if (largest > bound) {
        return testing::AssertionFailure() << "a step of " << largest << " at the switch at frame " << at
                                           << ", more than " << bound;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult BypassProbe::check() const
{
    for (int c = 0; c < 2; ++c) {
        const std::vector<float>& out = bypassed[c];
        if (out.size() != kFrames || plain[c].size() != kFrames) {
            return testing::AssertionFailure() << "channel " << c << ": not " << kFrames << " frames";
        }
        int at = firstDifference(out, plain[c], 0, kOn);
        if (at >= 0) {
            return testing::AssertionFailure() << "channel " << c << " differs before the bypass, at frame " << at;
        }
        at = firstDifference(out, input[c], kOn + kFade, kOff);
        if (at >= 0) {
            return testing::AssertionFailure() << "channel " << c << " bypassed is not the input at frame " << at;
        }
        at = firstDifference(out, plain[c], kOff + kFade, kFrames);
        if (at >= 0) {
            return testing::AssertionFailure()
                   << "channel " << c << " back from the bypass differs from the run never bypassed at frame " << at;
        }
        for (int start : {kOn, kOff}) {
            testing::AssertionResult smooth = noStep(out, plain[c], input[c], start);
            if (!smooth) {
                return smooth << " (channel " << c << ")";
            }
        }
    }
    return testing::AssertionSuccess();
}

namespace {

void appendRecord(std::vector<unsigned char>& state, const char* id, std::uint32_t length,
                  const std::vector<unsigned char>& payload)
{
    state.insert(state.end(), id, id + 4);
    for (int k = 0; k < 4; ++k) {
        state.push_back(static_cast<unsigned char>(length >> (8 * k)));
    }
    state.insert(state.end(), payload.begin(), payload.end());
}

std::vector<unsigned char> littleEndian(std::uint32_t word)
{
    return {static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
            static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
}

}  // namespace

std::vector<unsigned char> BypassProbe::withBypass(const std::vector<unsigned char>& chunk, std::uint32_t word,
                                                   bool unknownAfter)
{
    std::vector<unsigned char> state = chunk;
    appendRecord(state, "BYPS", 4, littleEndian(word));
    if (unknownAfter) {
        appendRecord(state, "ZZZ9", 3, {1, 2, 3});
    }
    return state;
}

std::vector<std::vector<unsigned char>> BypassProbe::malformed(const std::vector<unsigned char>& chunk)
{
    std::vector<std::vector<unsigned char>> states;
    states.push_back(withBypass(chunk, 2));
    std::vector<unsigned char> cut = withBypass(chunk, 1);
    cut.pop_back();
    states.push_back(cut);
    std::vector<unsigned char> header = withBypass(chunk, 1, true);
    header.resize(chunk.size() + 12 + 5);
    states.push_back(header);
    std::vector<unsigned char> past = chunk;
    appendRecord(past, "ZZZ9", 0xFFFFFFF0u, {1, 2, 3});
    states.push_back(past);
    return states;
}
