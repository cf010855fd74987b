// Settings change on one thread while another processes audio. Built under
// ThreadSanitizer as well, which reports any unsynchronised access.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "eq/DesignMailbox.h"
#include "eq/EqEffect.h"

namespace {

EqDesign designNumbered(int n)
{
    EqDesign design{};
    design.rate = n;
    const float x = static_cast<float>(n);
    for (BandDesign& band : design.bands) {
        band.coefficients = BandCoefficients{x, x, x, x, x};
        band.active = (n & 1) != 0;
    }
    return design;
}

bool isComplete(const EqDesign& design)
{
    const float x = static_cast<float>(design.rate);
    for (const BandDesign& band : design.bands) {
        const BandCoefficients& c = band.coefficients;
        if (c.b0 != x || c.b1 != x || c.b2 != x || c.a1 != x || c.a2 != x ||
            band.active != ((static_cast<int>(design.rate) & 1) != 0)) {
            return false;
        }
    }
    return true;
}

TEST(Concurrency, TheAudioThreadOnlyEverSeesCompleteNewerDesigns)
{
    DesignMailbox mailbox(designNumbered(0));
    const int writes = 200000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int n = 1; n <= writes; ++n) {
            mailbox.update([&](EqDesign& design) {
                design = designNumbered(n);
                return true;
            });
        }
        done = true;
    });
    int last = 0;
    bool complete = true, ordered = true;
    while (!done.load()) {
        const EqDesign& design = mailbox.acquire();
        complete = complete && isComplete(design);
        ordered = ordered && static_cast<int>(design.rate) >= last;
        last = static_cast<int>(design.rate);
    }
    writer.join();
    EXPECT_TRUE(complete);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(static_cast<int>(mailbox.acquire().rate), writes) << "the last design is never lost";
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
