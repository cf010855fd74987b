// The four buffers of one audio call, or of a stretch of one: two inputs and
// two outputs of the same number of frames, as the host hands them over. An
// output may be its input, or share samples with any other buffer. What the
// effect asks of them (how they lie in memory, where the input is silent) and
// the copies and fills it makes into the outputs.
#pragma once

#include <cstdint>
#include <cstring>

class StereoBuffers {
public:
    StereoBuffers(const float* inputLeft, const float* inputRight, float* outputLeft, float* outputRight,
                  std::int32_t frameCount)
        : inLeft(inputLeft), inRight(inputRight), left(outputLeft), right(outputRight), frames(frameCount)
    {
    }

    // `count` frames from `offset` on.
    StereoBuffers stretch(std::int32_t offset, std::int32_t count) const
    {
        return StereoBuffers(inLeft + offset, inRight + offset, left + offset, right + offset, count);
    }

    // Whether each output is its input or apart from both inputs: then the
    // buffers can be run in stretches, each filtered before the next is read.
    bool divisible() const
    {
        return sameOrApart(left, inLeft) && sameOrApart(left, inRight) && sameOrApart(right, inLeft) &&
               sameOrApart(right, inRight);
    }
    // Whether the two outputs share no sample.
    bool outputsApart() const { return !overlap(left, right); }
    // Whether the band cascade can read the inputs while it writes the outputs
    // (eq/Cascade.h): each output is apart from an input or the very same
    // buffer, and where the left output is the right input it is the left too.
    bool cascadeCanReadInputs() const
    {
        return sameOrApart(left, inLeft) && sameOrApart(right, inRight) && sameOrApart(right, inLeft) &&
               (left == inLeft || !overlap(left, inRight));
    }

    // The inputs copied to the outputs (as memmove does, left first), which
    // then serve as the inputs too.
    void moveInputsToOutputs();
    // The inputs copied to the outputs with any subnormal sample flushed to a
    // zero of the same sign and any infinity or NaN made +0; every other
    // sample is copied bit for bit.
    void copyFlushed() const;
    // Both outputs set to +0.
    void clearOutputs() const;

    // The bits of the first `count` frames of both inputs ORed together, in
    // runs so that a signal stops the scan early: zero when every sample is
    // +0, at most the sign bit when every sample is a zero.
    std::uint32_t orOfInputs(std::int32_t count) const;
    // Frames of silence (a zero in both inputs) at the start of the first
    // `count` frames, and at the end of all of them.
    std::int32_t leadingSilence(std::int32_t count) const;
    std::int32_t trailingSilence() const;

    // Whether every one of `count` samples is +0 (a face reports such an
    // output channel to its host as silent).
    static bool isPositiveZero(const float* samples, std::int32_t count)
    {
        return StereoBuffers(samples, samples, nullptr, nullptr, count).orOfInputs(count) == 0;
    }

    // A frame of silence: both samples a zero, of either sign.
    static bool isSilent(float leftSample, float rightSample)
    {
        std::uint32_t l, r;
        std::memcpy(&l, &leftSample, sizeof l);
        std::memcpy(&r, &rightSample, sizeof r);
        return isSilence(l | r);
    }
    // Whether `bits` (an OR of samples) is that of silence.
    static bool isSilence(std::uint32_t bits) { return (bits & 0x7FFFFFFFu) == 0; }

    // Whether two buffers of `frames` samples share any sample.
    bool overlap(const float* a, const float* b) const
    {
        const std::uintptr_t x = reinterpret_cast<std::uintptr_t>(a);
        const std::uintptr_t y = reinterpret_cast<std::uintptr_t>(b);
        const std::uintptr_t bytes = sizeof(float) * static_cast<std::uintptr_t>(frames);
        return x < y + bytes && y < x + bytes;
    }
    bool sameOrApart(const float* a, const float* b) const { return a == b || !overlap(a, b); }

    const float* inLeft;
    const float* inRight;
    float* left;
    float* right;
    std::int32_t frames;
};
