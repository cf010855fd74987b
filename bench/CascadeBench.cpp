// How fast the equaliser filters, per stereo frame, in nanoseconds and in
// processor cycles, for several block sizes and numbers of active bands:
//
//   shipped    EqEffect::processReplacing, separate input and output buffers;
//   plain      each chain (one band of one channel) in turn, one sample at a time;
//   band loop  the inputs copied, then each active band's processBlock in turn;
//   copy       the two channels copied, nothing else;
//   cascade/*  each instruction-set routine of the band cascade called directly.
//
// The clock is estimated in the same run, before and after the measurements,
// from a timed chain of dependent integer additions (one cycle each); the table
// uses the faster of the two estimates and, with --benchmark_repetitions, the
// fastest repetition of each case. A table at the end sets the shipped routine
// against the latency floor of the filter chain (9 cycles: a multiply and two
// subtractions, each waiting for the one before) and against the other routines,
// and a line per number of bands sets it against the cascade routine it runs.
// The silence cases run the effect on digital silence while the tail of a
// signal still rings and after it has ended, beside a signal through the same
// bands; "design one band" is what a parameter change costs the audio thread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bench/AdditionChain.h"
#include "eq/BandFilter.h"
#include "eq/Cascade.h"
#include "eq/EqEffect.h"
#include "eq/Parameters.h"

namespace {

constexpr int kBlocks[] = {16, 64, 256, 1024, 4096};
constexpr int kBandCounts[] = {0, 1, 2, 4};
constexpr double kFloorCycles = 9.0;

// ---- The clock -------------------------------------------------------------

// Cycles per nanosecond: the best of several timed chains of 20 million additions.
double estimateClockGHz()
{
    double best = 0.0;
    for (int i = 0; i < 7; ++i) {
        best = std::max(best, 20000.0 * 1000.0 / additionChainNanoseconds(20000));
    }
    return best;
}

// ---- Settings ----------------------------------------------------------------

// Parameter values with `count` bands active (0, 1, 2 or 4); the others sit in
// the gain dead zone and are left out.
void settings(int count, float (&v)[kNumParameters])
{
    const float typical[kNumParameters] = {0.32f, 0.65f, 0.05f, 0.40f, 0.70f, 0.20f, 0.575f, 0.50f, 0.30f, 0.38f};
    std::copy(typical, typical + kNumParameters, v);
    const bool on[kNumBands] = {count >= 2, count == 1 || count == 4, count >= 4, count >= 2};
    for (int b = 0; b < kNumBands; ++b) {
        if (!on[b]) v[kBands[b].gainIndex] = 0.5f;
    }
}

// Long settling: every band low and narrow, so a tail rings for long.
void slowSettings(float (&v)[kNumParameters])
{
    const float slow[kNumParameters] = {0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    std::copy(slow, slow + kNumParameters, v);
}

std::unique_ptr<EqEffect> makeEffect(const float (&v)[kNumParameters])
{
    auto effect = std::make_unique<EqEffect>(nullptr);
    effect->setSampleRate(44100.0f);
    for (int k = 0; k < kNumParameters; ++k) effect->setParameter(k, v[k]);
    return effect;
}

struct Bands {
    BandFilter filters[kNumBands] = {BandFilter(LowShelf), BandFilter(Peaking), BandFilter(Peaking),
                                     BandFilter(HighShelf)};
    bool active[kNumBands];
    explicit Bands(const float (&v)[kNumParameters])
    {
        for (int b = 0; b < kNumBands; ++b) {
            filters[b].setCoefficients(EqEffect::designBand(b, v, 44100.0));
            active[b] = gainIsActive(v[kBands[b].gainIndex]);
        }
    }
};

struct Signal {
    std::vector<float> inL, inR, outL, outR;
    explicit Signal(int n) : inL(size_t(n)), inR(size_t(n)), outL(size_t(n)), outR(size_t(n))
    {
        std::mt19937 rng(1);
        std::uniform_real_distribution<float> u(-0.5f, 0.5f);
        for (int i = 0; i < n; ++i) {
            inL[size_t(i)] = u(rng);
            inR[size_t(i)] = u(rng);
        }
    }
};

// ---- The routines --------------------------------------------------------------

void runShipped(EqEffect& effect, Signal& s, int n)
{
    float* in[2] = {s.inL.data(), s.inR.data()};
    float* out[2] = {s.outL.data(), s.outR.data()};
    effect.processReplacing(in, out, n);
}

void runBandLoop(Bands& bands, Signal& s, int n)
{
    std::memcpy(s.outL.data(), s.inL.data(), sizeof(float) * size_t(n));
    std::memcpy(s.outR.data(), s.inR.data(), sizeof(float) * size_t(n));
    for (int b = 0; b < kNumBands; ++b) {
        if (bands.active[b]) bands.filters[b].processBlock(n, s.outL.data(), s.outR.data());
    }
}

// The plain loop: each of the chains (one band of one channel) one after
// another, one sample at a time, with the same operations in the same order as
// the band filter; so nothing overlaps one recurrence with another.
struct Plain {
    BandCoefficients c[kNumBands];
    BandHistory l[kNumBands] = {}, r[kNumBands] = {};
    int order[kNumBands];
    int count = 0;
    explicit Plain(const Bands& bands)
    {
        for (int b = 0; b < kNumBands; ++b) {
            c[b] = bands.filters[b].coefficients();
            if (bands.active[b]) order[count++] = b;
        }
    }
    void run(Signal& s, int n)
    {
        std::memcpy(s.outL.data(), s.inL.data(), sizeof(float) * size_t(n));
        std::memcpy(s.outR.data(), s.inR.data(), sizeof(float) * size_t(n));
        for (int j = 0; j < count; ++j) {
            const BandCoefficients& k = c[order[j]];
            BandHistory& hl = l[order[j]];
            for (int i = 0; i < n; ++i) {
                const float x = s.outL[size_t(i)];
                const float y = ((k.b1 * hl.x1 + k.b2 * hl.x2) + k.b0 * x) - k.a1 * hl.y1 - k.a2 * hl.y2;
                hl = {y, hl.y1, x, hl.x1};
                s.outL[size_t(i)] = y;
            }
            BandHistory& hr = r[order[j]];
            for (int i = 0; i < n; ++i) {
                const float x = s.outR[size_t(i)];
                const float y = ((k.b1 * hr.x1 + k.b0 * x) + k.b2 * hr.x2) - k.a1 * hr.y1 - k.a2 * hr.y2;
                hr = {y, hr.y1, x, hr.x1};
                s.outR[size_t(i)] = y;
            }
        }
    }
};

void runCopy(Signal& s, int n)
{
    std::memcpy(s.outL.data(), s.inL.data(), sizeof(float) * size_t(n));
    std::memcpy(s.outR.data(), s.inR.data(), sizeof(float) * size_t(n));
}

// ---- Registration --------------------------------------------------------------

struct Key {
    std::string routine;
    int bands, block;
    bool operator<(const Key& o) const
    {
        return std::tie(routine, bands, block) < std::tie(o.routine, o.bands, o.block);
    }
};

std::map<std::string, Key> keyOfName;
std::map<Key, double> nsPerFrame;  // filled as the runs are reported
double clockGHz = 0.0;

template <class F>
void add(const std::string& routine, int bands, int block, F body)
{
    const std::string name = routine + "/bands:" + std::to_string(bands) + "/block:" + std::to_string(block);
    keyOfName[name] = Key{routine, bands, block};
    benchmark::RegisterBenchmark(name.c_str(), [body, block](benchmark::State& state) {
        body(state);
        state.SetItemsProcessed(state.iterations() * block);
    })->Unit(benchmark::kNanosecond)->MinTime(0.05);
}

void registerAll()
{
    for (int bands : kBandCounts) {
        for (int block : kBlocks) {
            add("shipped", bands, block, [bands, block](benchmark::State& state) {
                float v[kNumParameters];
                settings(bands, v);
                auto effect = makeEffect(v);
                Signal s(block);
                for (auto _ : state) {
                    runShipped(*effect, s, block);
                    benchmark::ClobberMemory();
                }
            });
            add("plain", bands, block, [bands, block](benchmark::State& state) {
                float v[kNumParameters];
                settings(bands, v);
                Bands b(v);
                Plain plain(b);
                Signal s(block);
                for (auto _ : state) {
                    plain.run(s, block);
                    benchmark::ClobberMemory();
                }
            });
            add("band loop", bands, block, [bands, block](benchmark::State& state) {
                float v[kNumParameters];
                settings(bands, v);
                Bands b(v);
                Signal s(block);
                for (auto _ : state) {
                    runBandLoop(b, s, block);
                    benchmark::ClobberMemory();
                }
            });
            CascadeVariant variants[2];
            const int count = cascadeVariants(variants);
            for (int i = 0; i < count && bands > 0; ++i) {
                const CascadeKernel kernel = variants[i].run;
                add(std::string("cascade/") + variants[i].name, bands, block, [bands, block, kernel](benchmark::State& state) {
                    float v[kNumParameters];
                    settings(bands, v);
                    BandCoefficients designs[kNumBands];
                    unsigned active = 0;
                    for (int b = 0; b < kNumBands; ++b) {
                        designs[b] = EqEffect::designBand(b, v, 44100.0);
                        active |= gainIsActive(v[kBands[b].gainIndex]) ? 1u << b : 0u;
                    }
                    CascadeCoefficients laid;
                    cascadeLayout(laid, designs, active);
                    CascadeHistory history{};
                    Signal s(block);
                    for (auto _ : state) {
                        kernel(laid, history, s.inL.data(), s.inR.data(), s.outL.data(), s.outR.data(), block);
                        benchmark::ClobberMemory();
                    }
                });
            }
        }
        for (int block : kBlocks) {
            if (bands == 0) {
                add("copy", 0, block, [block](benchmark::State& state) {
                    Signal s(block);
                    for (auto _ : state) {
                        runCopy(s, block);
                        benchmark::ClobberMemory();
                    }
                });
            }
        }
    }

    // Silence, 4 slow bands: while the tail of a signal still rings (one block
    // of signal, then silence until 0.1 s have passed, all timed), and once it
    // has ended; against signal through the same bands.
    for (int which = 0; which < 3; ++which) {
        const bool ringing = which == 1, signal = which == 0;
        const std::string routine =
            signal ? "signal, slow bands" : ringing ? "silence, tail ringing" : "silence, after the tail";
        for (int block : {64, 1024}) {
            add(routine, 4, block, [signal, ringing, block](benchmark::State& state) {
                float v[kNumParameters];
                slowSettings(v);
                auto effect = makeEffect(v);
                Signal loud(block), s(block);
                if (!signal) {
                    std::fill(s.inL.begin(), s.inL.end(), 0.0f);
                    std::fill(s.inR.begin(), s.inR.end(), 0.0f);
                }
                runShipped(*effect, loud, block);
                const int ringingBlocks = std::max(1, 4410 / block);
                for (int n = 0; !ringing && n < 2 * 44100 / block; ++n) runShipped(*effect, s, block);
                int n = 0;
                for (auto _ : state) {
                    runShipped(*effect, ringing && n++ % ringingBlocks == 0 ? loud : s, block);
                    benchmark::ClobberMemory();
                }
            });
        }
    }

    // Designing one band from its settings, as the audio thread does at the
    // start of a block after a parameter changed.
    add("design one band", 1, 1, [](benchmark::State& state) {
        float v[kNumParameters];
        settings(4, v);
        int k = 0;
        for (auto _ : state) {
            v[3] = 0.6f + 0.0001f * static_cast<float>(k++ % 1000);
            benchmark::DoNotOptimize(EqEffect::designBand(1 + k % 2, v, 44100.0));
        }
    });
}

// ---- Reporting -----------------------------------------------------------------

class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        std::vector<Run> copies = runs;
        for (Run& run : copies) {
            const auto found = keyOfName.find(run.run_name.function_name);
            if (found == keyOfName.end() || run.iterations == 0) continue;
            const double ns = run.GetAdjustedRealTime() / double(found->second.block);  // unit is ns
            if (run.run_type == Run::RT_Iteration) {
                // With --benchmark_repetitions the table takes the fastest repetition.
                const auto known = nsPerFrame.find(found->second);
                nsPerFrame[found->second] = known == nsPerFrame.end() ? ns : std::min(known->second, ns);
            }
            run.counters["ns/frame"] = ns;
            run.counters["cycles/frame"] = ns * clockGHz;
        }
        ConsoleReporter::ReportRuns(copies);
    }
};

double lookup(const std::string& routine, int bands, int block)
{
    const auto found = nsPerFrame.find(Key{routine, bands, block});
    return found == nsPerFrame.end() ? NAN : found->second;
}

void printTable(double clockStart, double clockEnd)
{
    std::printf("\nClock estimated from dependent additions: %.3f GHz before the runs, %.3f GHz after.\n",
                clockStart, clockEnd);
    std::printf("Per stereo frame; floor = %.0f cycles (multiply, subtract, subtract per sample).\n\n",
                kFloorCycles);
    std::printf("%5s %6s | %9s %9s | %10s %9s %9s | %9s %9s %9s\n", "bands", "block", "shipped", "shipped",
                "shipped /", "plain /", "band loop", "plain", "band loop", "copy");
    std::printf("%5s %6s | %9s %9s | %10s %9s %9s | %9s %9s %9s\n", "", "", "ns", "cycles", "floor",
                "shipped", "/ shipped", "cycles", "cycles", "cycles");
    for (int bands : kBandCounts) {
        for (int block : kBlocks) {
            const double shipped = lookup("shipped", bands, block);
            const double plain = lookup("plain", bands, block);
            const double loop = lookup("band loop", bands, block);
            const double copy = lookup("copy", 0, block);
            const double cycles = shipped * clockGHz;
            char floorText[16] = "-";
            if (bands > 0) std::snprintf(floorText, sizeof(floorText), "%.2fx", cycles / kFloorCycles);
            std::printf("%5d %6d | %9.2f %9.2f | %10s %8.2fx %8.2fx | %9.2f %9.2f %9.2f\n", bands, block, shipped,
                        cycles, floorText, plain / shipped, loop / shipped, plain * clockGHz, loop * clockGHz,
                        copy * clockGHz);
        }
    }
    CascadeVariant variants[2];
    const int count = cascadeVariants(variants);
    std::printf("\nCascade routines called directly, 4 bands, cycles per frame (x floor):\n");
    for (int i = 0; i < count; ++i) {
        std::printf("%12s:", variants[i].name);
        for (int block : kBlocks) {
            const double c = lookup(std::string("cascade/") + variants[i].name, 4, block) * clockGHz;
            std::printf("  %d: %.2f (%.2fx)", block, c, c / kFloorCycles);
        }
        std::printf("\n");
    }
    // What the effect adds to the routine it runs: checks, the floating-point
    // mode, the looks at the input for silence.
    const char* const shippedKernel = cascadeKernel() == cascadeRunAvx ? "avx" : "sse2";
    std::printf("\nShipped against the cascade routine it runs (%s), cycles per frame (shipped / routine):\n",
                shippedKernel);
    for (int bands : kBandCounts) {
        if (bands == 0) continue;
        std::printf("%7d band%s:", bands, bands == 1 ? " " : "s");
        for (int block : kBlocks) {
            const double shipped = lookup("shipped", bands, block) * clockGHz;
            const double kernel = lookup(std::string("cascade/") + shippedKernel, bands, block) * clockGHz;
            std::printf("  %d: %.2f / %.2f (%.2fx)", block, shipped, kernel, shipped / kernel);
        }
        std::printf("\n");
    }
    std::printf("\nSilence, 4 slow bands, cycles per frame (signal through the same bands in brackets):");
    for (int block : {64, 1024}) {
        std::printf("  block %d: %.2f while the tail rings, %.2f after it (%.2f)", block,
                    lookup("silence, tail ringing", 4, block) * clockGHz,
                    lookup("silence, after the tail", 4, block) * clockGHz,
                    lookup("signal, slow bands", 4, block) * clockGHz);
    }
    std::printf("\nDesigning one band: %.0f ns.", lookup("design one band", 1, 1));
    std::printf("\nThe shipped routine is %s.\n", cascadeKernel() == cascadeRunAvx ? "avx" : "sse2");
}

}  // namespace

int main(int argc, char** argv)
{
    const double clockStart = estimateClockGHz();
    clockGHz = clockStart;
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Other work on the machine can only make the chain look slower.
    const double clockEnd = estimateClockGHz();
    clockGHz = std::max(clockStart, clockEnd);
    printTable(clockStart, clockEnd);
    benchmark::Shutdown();
    return 0;
}
