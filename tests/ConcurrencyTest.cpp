// Settings change on one thread while another processes audio. Built under
// ThreadSanitizer as well, which reports any unsynchronised access.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "eq/EqEffect.h"
#include "eq/ParameterState.h"

namespace {

TEST(Concurrency, AReaderNeverTakesHalfOfALoad)
{
    ParameterState state;
    float ones[kNumParameters], twos[kNumParameters];
    for (int k = 0; k < kNumParameters; ++k) {
        ones[k] = 0.1f;
        twos[k] = 0.2f;
    }
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int n = 0; n < 100000; ++n) {
            state.load(n % 2 ? ones : twos);
        }
        done = true;
    });
    int whole = 0, torn = 0;
    while (!done.load()) {
        float values[kNumParameters];
        float rate = 0.0f;
        if (!state.snapshot(values, rate)) {
            continue;
        }
        ++whole;
        for (int k = 1; k < kNumParameters; ++k) {
            torn += values[k] != values[0];
        }
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(whole, 0);
}

TEST(Concurrency, ParameterWritesDuringProcessingKeepTheOutputFinite)
{
    EqEffect effect(nullptr);
    std::atomic<bool> done{false};
    std::thread automation([&] {
        std::mt19937 random(3);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        for (int i = 0; i < 20000; ++i) {
            effect.setParameter(i % 10, value(random));
            if (i % 1000 == 0) {
                effect.setSampleRate(i % 2000 == 0 ? 48000.0f : 44100.0f);
            }
        }
        done = true;
    });
    std::vector<float> left(256), right(256);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    bool finite = true;
    int blocks = 0;
    while (!done.load() || blocks < 10) {
        for (int i = 0; i < 256; ++i) {
            left[i] = sample(random);
            right[i] = sample(random);
        }
        float* io[2] = {left.data(), right.data()};
        effect.processReplacing(io, io, 256);
        for (int i = 0; i < 256; ++i) {
            finite = finite && std::isfinite(left[i]) && std::isfinite(right[i]);
        }
        ++blocks;
    }
    automation.join();
    EXPECT_TRUE(finite);
}

}  // namespace
