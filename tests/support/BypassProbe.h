// The bypass as a face's test drives it: a stereo signal of two low tones,
// switched to bypass and back at fixed frames, its output held to the input
// and to an instance never bypassed; and the states a host may hand back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class BypassProbe {
public:
    // Frames in all, the frames where the bypass goes on and off, and the
    // block the faces run them in.
    static constexpr int kFrames = 8192;
    static constexpr int kOn = 1000;
    static constexpr int kOff = 5000;
    static constexpr int kBlock = 1024;
    // 10 ms at the tests' 48 kHz: the fade must be over by then.
    static constexpr int kFade = 480;

    BypassProbe();

    // The input; the run switched at kOn and kOff, processed in place (so it
    // starts as the input); the run never bypassed.
    std::vector<float> input[2];
    std::vector<float> bypassed[2];
    std::vector<float> plain[2];

    // The three at a frame.
    struct Frame {
        float* inPlace[2];
        float* input[2];
        float* plain[2];
    };
    Frame at(int frame);
    // The switch in the block of kBlock frames from `start`, if any: its
    // frame in the block, and its value (1 on, 0 off).
    static bool switchIn(int start, int& offset, double& value);

    // The switched run held to the plain run and the input: the same bits
    // before kOn, the input's once faded, plain's again once faded back, and
    // no step at either switch larger than the two signals' own steps and
    // what a smooth fade adds.
    testing::AssertionResult check() const;

    // A state: the 64-byte chunk, then the bypass record (on, or with the
    // word given), and then a record of an id no version reads.
    static std::vector<unsigned char> withBypass(const std::vector<unsigned char>& chunk, std::uint32_t word,
                                                 bool unknownAfter = false);
    // States that must be refused: the bypass 2, its record cut short, a
    // record's header cut short, a length past the end.
    static std::vector<std::vector<unsigned char>> malformed(const std::vector<unsigned char>& chunk);

private:
    testing::AssertionResult noStep(const std::vector<float>& out, const std::vector<float>& wet,
                                    const std::vector<float>& dry, int at) const;
};
