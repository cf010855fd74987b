#include "tests/support/BadInput.h"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/support/Vst2Effect.h"

namespace {

using Signal = std::vector<float>[2];

// The module at the values over the input, in the same blocks.
void runModule(const std::string& path, float rate, const float (&values)[10], const Signal& input, Signal& output)
{
    Vst2Effect module(path, rate);
    for (int k = 0; k < 10; ++k) module.effect->setParameter(module.effect, k, values[k]);
    for (int c = 0; c < 2; ++c) output[c].assign(input[c].size(), 7.0f);
    for (int done = 0; done < BadInput::kBlock * BadInput::kBlocks; done += BadInput::kBlock) {
        float* in[2] = {const_cast<float*>(input[0].data()) + done, const_cast<float*>(input[1].data()) + done};
        float* out[2] = {output[0].data() + done, output[1].data() + done};
        module.effect->processReplacing(module.effect, in, out, BadInput::kBlock);
    }
}

}  // namespace

::testing::AssertionResult BadInput::check(const Face& face, const std::string& vst2Module, float rate,
                                           const float (&values)[10], float bad, int channel)
{
    const std::size_t frames = kBlock * kBlocks;
    std::mt19937 random(static_cast<unsigned>(channel) + 5);
    std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
    Signal clean, hit, zeroed;
    for (int c = 0; c < 2; ++c) {
        clean[c].resize(frames);
        for (float& s : clean[c]) s = sample(random);
        hit[c] = zeroed[c] = clean[c];
    }
    hit[channel][kAt] = bad;
    zeroed[channel][kAt] = 0.0f;

    Signal got, asZero, undisturbed;
    for (int c = 0; c < 2; ++c) got[c].assign(frames, 7.0f);
    for (std::size_t done = 0; done < frames; done += kBlock) {
        float* in[2] = {hit[0].data() + done, hit[1].data() + done};
        float* out[2] = {got[0].data() + done, got[1].data() + done};
        face(in, out, kBlock);
    }
    runModule(vst2Module, rate, values, zeroed, asZero);
    runModule(vst2Module, rate, values, clean, undisturbed);

    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < frames; ++i) {
            const float g = got[c][i];
            if (!std::isfinite(g)) {
                return ::testing::AssertionFailure() << "channel " << c << " frame " << i << ": " << g;
            }
            if (std::memcmp(&g, &asZero[c][i], sizeof g) != 0) {
                return ::testing::AssertionFailure() << "channel " << c << " frame " << i << ": " << g
                                                     << ", not as for +0 in its place: " << asZero[c][i];
            }
            const float d = std::fabs(g - undisturbed[c][i]);
            if ((i < static_cast<std::size_t>(kAt) && d != 0.0f) || (i >= static_cast<std::size_t>(kRejoin) && d > 1.0e-3f)) {
                return ::testing::AssertionFailure() << "channel " << c << " frame " << i << ": " << g
                                                     << " against " << undisturbed[c][i] << " undisturbed";
            }
        }
    }
    return ::testing::AssertionSuccess();
}
