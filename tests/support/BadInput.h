// A face fed one infinity or NaN among its input samples, held to the VST 2
// module: its output must be the module's for the same input with +0 in that
// place, bit for bit (the bad sample taken as 0), every sample finite, the
// samples before it those of the input as it was, and back within 1e-3 of
// that undisturbed output a few blocks later.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

class BadInput {
public:
    // One block through the face (set beforehand to the values the module
    // gets), in place or not as it likes.
    using Face = std::function<void(float* const* inputs, float* const* outputs, int frames)>;

    // Blocks of kBlock frames of noise; sample kAt of `channel` is `bad`.
    static ::testing::AssertionResult check(const Face& face, const std::string& vst2Module, float rate,
                                            const float (&values)[10], float bad, int channel);

    static constexpr int kBlock = 256;
    static constexpr int kBlocks = 10;
    static constexpr int kAt = 300;
    // Where the output must be back near the undisturbed one.
    static constexpr int kRejoin = kAt + 3 * kBlock;
};
