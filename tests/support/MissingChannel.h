// A face handed a block with one of its four channel pointers null (a host
// may pass one), and values that change inside the block: the block's audio
// is skipped, its other output untouched, nothing crashes, and the values
// still apply: the next whole block is the VST 2 module's at them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class MissingChannel {
public:
    // One block through a face's instance.
    using Block = std::function<void(float* const* inputs, float* const* outputs, int frames)>;
    // A new instance's two blocks: the one with a channel missing (which
    // brings the changes inside it), and the next.
    struct Instance {
        Block skipped;
        Block next;
    };

    // For each channel in turn (left input, right input, left output, right
    // output) on a new instance; `values` (index, value) is what the changes
    // leave set on the module's parameters.
    static ::testing::AssertionResult check(const std::function<Instance()>& make, const std::string& vst2Module,
                                            float rate, const std::vector<std::pair<int, float>>& values);

    static constexpr int kFrames = 64;
};
