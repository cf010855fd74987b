// A small timing of the band cascade's routines that needs nothing but the core
// library, for targets without Google Benchmark (the 32-bit Windows build, run
// under Wine). Cycles per stereo frame with four bands, the clock estimated
// from a timed chain of dependent additions. See bench/README.md.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "bench/AdditionChain.h"
#include "eq/Cascade.h"
#include "eq/EqEffect.h"
#include "eq/Parameters.h"

namespace {

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main()
{
    std::printf("cycles per stereo frame: the fastest of 15 timings, the clock from the fastest addition chain\n");
    const float v[kNumParameters] = {0.32f, 0.65f, 0.05f, 0.40f, 0.70f, 0.20f, 0.575f, 0.50f, 0.30f, 0.38f};
    BandCoefficients designs[kNumBands];
    unsigned active = 0;
    for (int b = 0; b < kNumBands; ++b) {
        const BandDesign d = EqEffect::designBand(b, v, 44100.0);
        designs[b] = d.coefficients;
        active |= d.active ? 1u << b : 0u;
    }
    CascadeVariant variants[2];
    const int count = cascadeVariants(variants);
    for (unsigned bands : {active, 0x5u}) {
        CascadeCoefficients laid;
        cascadeLayout(laid, designs, bands);
        for (int i = 0; i < count; ++i) {
            std::printf("%-5s bands 0x%x:", variants[i].name, bands);
            for (int block : {16, 64, 256, 1024, 4096}) {
                const size_t frames = static_cast<size_t>(block);
                std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
                std::mt19937 rng(1);
                std::uniform_real_distribution<float> u(-0.5f, 0.5f);
                for (int k = 0; k < block; ++k) {
                    inL[size_t(k)] = u(rng);
                    inR[size_t(k)] = u(rng);
                }
                CascadeHistory history{};
                double fastest = 1e30, cyclesPerSecond = 0.0;
                const long calls = std::max(1L, 400000L / block);
                for (int trial = 0; trial < 15; ++trial) {
                    // Other work on the machine can only make either timing slower:
                    // the fastest call and the fastest chain, measured side by side.
                    cyclesPerSecond = std::max(cyclesPerSecond, 400000.0 / (additionChainNanoseconds(400) * 1e-9));
                    const auto start = std::chrono::steady_clock::now();
                    for (long c = 0; c < calls; ++c) {
                        variants[i].run(laid, history, inL.data(), inR.data(), outL.data(), outR.data(), block);
                    }
                    const double elapsed = seconds(start, std::chrono::steady_clock::now());
                    fastest = std::min(fastest, elapsed / double(calls * block));
                }
                const double best = fastest * cyclesPerSecond;
                std::printf("  %d: %.2f", block, best);
            }
            std::printf("\n");
        }
    }
    return 0;
}
