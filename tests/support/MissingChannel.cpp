#include "tests/support/MissingChannel.h"

#include <cstring>

#include "tests/support/Vst2Effect.h"

::testing::AssertionResult MissingChannel::check(const std::function<Instance()>& make, const std::string& vst2Module,
                                                 float rate, const std::vector<std::pair<int, float>>& values)
{
    for (int missing = 0; missing < 4; ++missing) {
        const Instance instance = make();
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].assign(kFrames, 0.25f);
            out[c].assign(kFrames, 7.0f);
        }
        float* ins[2] = {in[0].data(), in[1].data()};
        float* outs[2] = {out[0].data(), out[1].data()};
        if (missing < 2) {
            ins[missing] = nullptr;
        } else {
            outs[missing - 2] = nullptr;
        }
        instance.skipped(ins, outs, kFrames);
        for (int c = 0; c < 2; ++c) {
            for (float s : out[c]) {
                if (s != 7.0f) {
                    return ::testing::AssertionFailure() << "channel " << missing << " missing: output " << c
                                                         << " written";
                }
            }
        }

        Vst2Effect twin(vst2Module, rate);
        for (const auto& [index, value] : values) twin.effect->setParameter(twin.effect, index, value);
        std::vector<float> expected[2] = {in[0], in[1]};
        float* whole[2] = {in[0].data(), in[1].data()};
        float* reference[2] = {expected[0].data(), expected[1].data()};
        twin.effect->processReplacing(twin.effect, whole, reference, kFrames);
        instance.next(whole, whole, kFrames);
        for (int c = 0; c < 2; ++c) {
            if (std::memcmp(in[c].data(), expected[c].data(), sizeof(float) * kFrames) != 0) {
                return ::testing::AssertionFailure() << "channel " << missing << " missing: the next block's output "
                                                     << c << " is not the module's at the values set";
            }
        }
    }
    return ::testing::AssertionSuccess();
}
