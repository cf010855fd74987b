#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

#include "eq/BandFilter.h"
#include "eq/EqEffect.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/ReferenceEqualiser.h"

namespace {

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(int frames, unsigned stream = 7) : left(frames), right(frames)
    {
        std::mt19937 random(stream);
        std::uniform_real_distribution<float> sample(-0.5f, 0.5f);
        for (int i = 0; i < frames; ++i) {
            left[i] = sample(random);
            right[i] = sample(random);
        }
    }
    bool operator==(const Stereo& other) const
    {
        return left.size() == other.left.size() &&
               std::memcmp(left.data(), other.left.data(), left.size() * sizeof(float)) == 0 &&
               std::memcmp(right.data(), other.right.data(), right.size() * sizeof(float)) == 0;
    }
};

// Runs the effect over the signal in place, in blocks of the given size.
void run(EqEffect& effect, Stereo& signal, int block = 512)
{
    const int frames = static_cast<int>(signal.left.size());
    for (int done = 0; done < frames; done += block) {
        float* io[2] = {signal.left.data() + done, signal.right.data() + done};
        effect.processReplacing(io, io, std::min(block, frames - done));
    }
}

double peakGainDb(const BandCoefficients& c, double frequency, double rate)
{
    const double w = 2.0 * 3.14159265358979323846 * frequency / rate;
    const double cr = std::cos(w), ci = -std::sin(w), c2r = std::cos(2 * w), c2i = -std::sin(2 * w);
    const double nr = c.b0 + c.b1 * cr + c.b2 * c2r, ni = c.b1 * ci + c.b2 * c2i;
    const double dr = 1.0 + c.a1 * cr + c.a2 * c2r, di = c.a1 * ci + c.a2 * c2i;
    return 10.0 * std::log10((nr * nr + ni * ni) / (dr * dr + di * di));
}

TEST(EqEffect, AFreshEffectIsBitTransparent)
{
    EqEffect effect(nullptr);
    const Stereo input(1000);
    Stereo output = input;
    run(effect, output);
    EXPECT_TRUE(output == input);
}

// A design constant off in its tenth digit changes the rounded sine or cosine
// of only a few percent of the settings, hence so many settings.
TEST(EqEffect, MatchesTheDocumentedEqualiserAtTheAnnouncedRate)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (float rate : {44100.0f, 48000.0f}) {
        EqEffect effect(nullptr);
        effect.setSampleRate(rate);
        ReferenceEqualiser expected(rate);
        for (int setting = 0; setting < 500; ++setting) {
            float v[10];
            for (int k = 0; k < 10; ++k) {
                v[k] = value(random);
                effect.setParameter(k, v[k]);
            }
            expected.setValues(v);
            const Stereo input(128, static_cast<unsigned>(setting));
            Stereo output = input, wanted = input;
            run(effect, output);
            expected.process(wanted.left.data(), wanted.right.data(), 128);
            ASSERT_TRUE(output == wanted) << "rate " << rate << " setting " << setting;
        }
    }
}

TEST(EqEffect, OnlyBandsOutsideTheDeadZoneRun)
{
    struct Case {
        float gain;
        bool active;
    };
    const Case cases[] = {{0.537f, false}, {0.463f, false}, {0.5370001f, true}, {0.54f, true}, {0.53f, false},
                          {1.0f, true}};
    const Stereo input(500);
    for (const Case& c : cases) {
        for (int gainIndex : {1, 3, 6, 9}) {
            EqEffect effect(nullptr);
            effect.setParameter(gainIndex, c.gain);
            Stereo output = input;
            run(effect, output);
            EXPECT_EQ(!(output == input), c.active) << "gain " << c.gain << " index " << gainIndex;
        }
    }
}

TEST(EqEffect, SplittingABlockChangesNothing)
{
    const float v[10] = {0.2f, 0.9f, 0.3f, 0.1f, 0.6f, 0.7f, 0.8f, 0.2f, 0.4f, 0.0f};
    const Stereo input(1031);
    Stereo whole = input;
    EqEffect one(nullptr);
    for (int k = 0; k < 10; ++k) one.setParameter(k, v[k]);
    run(one, whole, 1031);
    for (int block : {1, 3, 4, 5, 64, 333}) {
        EqEffect split(nullptr);
        for (int k = 0; k < 10; ++k) split.setParameter(k, v[k]);
        Stereo pieces = input;
        run(split, pieces, block);
        EXPECT_TRUE(pieces == whole) << "block " << block;
    }
}

TEST(EqEffect, SeparateInputAndOutputBuffersMatchInPlace)
{
    EqEffect inPlace(nullptr), apart(nullptr);
    inPlace.setParameter(3, 0.9f);
    apart.setParameter(3, 0.9f);
    const Stereo input(256);
    Stereo a = input;
    run(inPlace, a, 256);
    Stereo b(256);
    float* ins[2] = {const_cast<float*>(input.left.data()), const_cast<float*>(input.right.data())};
    float* outs[2] = {b.left.data(), b.right.data()};
    apart.processReplacing(ins, outs, 256);
    EXPECT_TRUE(a == b);
}

TEST(EqEffect, BandsAreDesignedAtTheAnnouncedRate)
{
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        float v[10] = {0.5f, 0.5f, 0.045f, 0.8f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
        const BandCoefficients design = EqEffect::designBand(1, v, rate);
        EXPECT_NEAR(peakGainDb(design, 1000.0, rate), 12.0, 0.01) << rate;
        EXPECT_LT(peakGainDb(design, 1300.0, rate), 11.0) << rate;
    }
}

TEST(EqEffect, ARateChangeRedesignsEveryBandAndBadRatesAreIgnored)
{
    const float v[10] = {0.2f, 0.9f, 0.3f, 0.1f, 0.6f, 0.7f, 0.8f, 0.2f, 0.4f, 0.0f};
    const Stereo input(800);
    Stereo at48k = input, again = input, afterBadRates = input;

    EqEffect fresh48k(nullptr);
    fresh48k.setSampleRate(48000.0f);
    for (int k = 0; k < 10; ++k) fresh48k.setParameter(k, v[k]);
    run(fresh48k, at48k);

    EqEffect changed(nullptr);
    for (int k = 0; k < 10; ++k) changed.setParameter(k, v[k]);
    changed.setSampleRate(48000.0f);
    run(changed, again);
    EXPECT_TRUE(again == at48k) << "parameters first, then the rate, gives the same bands";

    EqEffect ignoring(nullptr);
    ignoring.setSampleRate(48000.0f);
    for (float bad : {0.0f, -44100.0f, std::nanf(""), INFINITY}) {
        ignoring.setSampleRate(bad);
    }
    EXPECT_EQ(ignoring.getSampleRate(), 48000.0f);
    for (int k = 0; k < 10; ++k) ignoring.setParameter(k, v[k]);
    run(ignoring, afterBadRates);
    EXPECT_TRUE(afterBadRates == at48k);
}

TEST(EqEffect, NoValueOrRateMakesTheOutputNonFinite)
{
    const float extremes[] = {std::nanf(""), INFINITY, -INFINITY, -1.0e30f, 1.0e30f, 0.0f, 1.0f};
    for (float rate : {1000.0f, 8000.0f, 44100.0f, 192000.0f}) {  // the accepted rates' ends among them
        for (float x : extremes) {
            EqEffect effect(nullptr);
            effect.setSampleRate(rate);
            for (int k = 0; k < 10; ++k) {
                effect.setParameter(k, k % 3 == 0 ? x : (k % 3 == 1 ? 1.0f : 0.0f));
            }
            Stereo signal(4000);
            run(effect, signal);
            for (int i = 0; i < 4000; ++i) {
                ASSERT_TRUE(std::isfinite(signal.left[i]) && std::isfinite(signal.right[i]))
                    << "rate " << rate << " value " << x << " sample " << i;
            }
        }
    }
}

TEST(EqEffect, AnInfinityOrNaNInTheInputIsTakenAsZero)
{
    // No band, one band, every band; blocks short enough for the bands one
    // after another and long enough for the cascade; in place and apart.
    const float gains[3][4] = {{0.5f, 0.5f, 0.5f, 0.5f}, {0.5f, 0.9f, 0.5f, 0.5f}, {0.1f, 0.9f, 0.2f, 0.75f}};
    const float bad[] = {std::nanf(""), -std::nanf(""), INFINITY, -INFINITY};
    int cases = 0;
    for (const auto& g : gains) {
        for (int block : {5, 256}) {
            for (bool inPlace : {true, false}) {
                EqEffect hit(nullptr), clean(nullptr);
                for (EqEffect* e : {&hit, &clean}) {
                    for (int b = 0; b < 4; ++b) e->setParameter(kBands[b].gainIndex, g[b]);
                }
                Stereo input(1024, 11), zeroed = input;
                const int at = 300 + cases % 7;
                input.left[at] = bad[cases % 4];
                input.right[at + 1] = bad[(cases + 1) % 4];
                zeroed.left[at] = 0.0f;
                zeroed.right[at + 1] = 0.0f;
                Stereo got = input, expected = zeroed;
                for (int done = 0; done < 1024; done += block) {
                    const int n = std::min(block, 1024 - done);
                    float* in[2] = {input.left.data() + done, input.right.data() + done};
                    float* out[2] = {got.left.data() + done, got.right.data() + done};
                    float* cleanIo[2] = {expected.left.data() + done, expected.right.data() + done};
                    hit.processReplacing(in, inPlace ? in : out, n);
                    clean.processReplacing(cleanIo, cleanIo, n);
                }
                const Stereo& output = inPlace ? input : got;
                EXPECT_TRUE(output == expected) << "case " << cases;
                for (int i = 0; i < 1024; ++i) {
                    ASSERT_TRUE(std::isfinite(output.left[i]) && std::isfinite(output.right[i])) << "case " << cases;
                }
                ++cases;
            }
        }
    }
}

TEST(EqEffect, AProgramChunkDesignsTheBandsAsParameterWritesWould)
{
    const float v[10] = {0.1f, 0.05f, 0.6f, 0.95f, 0.3f, 0.2f, 0.25f, 0.9f, 0.7f, 0.75f};
    EqEffect written(nullptr), restored(nullptr);
    for (int k = 0; k < 10; ++k) written.setParameter(k, v[k]);
    float chunk[10];
    std::memcpy(chunk, v, sizeof(chunk));
    EXPECT_EQ(restored.setChunk(chunk, 40, true), 40);
    Stereo a(700), b(700);
    run(written, a);
    run(restored, b);
    EXPECT_TRUE(a == b);

    void* data = &data;
    EXPECT_EQ(restored.getChunk(nullptr, true), 0);
    EXPECT_EQ(restored.getChunk(&data, false), 64);
    EXPECT_EQ(static_cast<ProgramRecord*>(data)->values[3], 0.95f);
}

TEST(EqEffect, ARefusedChunkChangesNothingAndAsksForADisplayUpdate)
{
    RecordingHost::instance().reset();
    EqEffect effect(&RecordingHost::callback);
    effect.setParameter(6, 0.8f);
    unsigned char bytes[65] = {};
    for (int size : {0, 39, 41, 63, 65}) {
        EXPECT_EQ(effect.setChunk(bytes, size, true), 0) << size;
    }
    EXPECT_EQ(effect.setChunk(bytes, 40, false), 0);
    EXPECT_EQ(effect.setChunk(nullptr, 64, false), 0);
    EXPECT_EQ(RecordingHost::instance().callsOf(audioMasterUpdateDisplay).size(), 7u);
    EXPECT_EQ(effect.getParameter(6), 0.8f);
    // A 64-byte block offered as a program is taken as the bank.
    std::memcpy(bytes, "Warm", 5);
    EXPECT_EQ(effect.setChunk(bytes, 64, true), 64);
    char name[25];
    effect.getProgramName(name);
    EXPECT_STREQ(name, "Warm");
    EXPECT_EQ(effect.getParameter(6), 0.0f);
}

TEST(EqEffect, ProgramNamesFillTheirFieldAndNothingElse)
{
    EqEffect effect(nullptr);
    effect.setParameter(0, 0.25f);
    char longName[] = "abcdefghijklmnopqrstuvwxyz0123";
    effect.setProgramName(longName);
    char name[30];
    std::memset(name, 'x', sizeof(name));
    effect.getProgramName(name);
    EXPECT_EQ(std::string(name), std::string(longName, 24));
    EXPECT_EQ(effect.getParameter(0), 0.25f);
    char empty[] = "";
    effect.setProgramName(empty);
    void* data = nullptr;
    effect.getChunk(&data, false);
    const char zeros[24] = {};
    EXPECT_EQ(std::memcmp(data, zeros, 24), 0);
    effect.setProgramName(nullptr);  // ignored
}

TEST(EqEffect, KnobMovesReachTheHostAsAutomation)
{
    RecordingHost::instance().reset();
    EqEffect effect(&RecordingHost::callback);
    effect.setParameterAutomated(3, 0.54f);
    EXPECT_EQ(effect.getParameter(3), 0.54f);
    const std::vector<HostCall> automated = RecordingHost::instance().callsOf(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 3);
    EXPECT_EQ(automated[0].opt, 0.54f);
    EXPECT_EQ(automated[0].effect, effect.getEffectRecord());
}

bool isSubnormal(float x) { return x != 0.0f && std::fabs(x) < std::numeric_limits<float>::min(); }

// Rings each setting with a second of noise, then feeds digital silence: the
// output reaches exact zero, stays there, and never holds a subnormal number.
TEST(EqEffect, SilenceEndsInExactZeroWithinTwoSeconds)
{
    struct Setting {
        const char* name;
        float v[10];
    };
    const Setting settings[] = {
        {"every band +20 dB, lowest, narrowest", {0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f}},
        {"every band -20 dB", {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}},
        {"mixed", {0.3f, 0.9f, 0.02f, 0.1f, 0.0f, 0.6f, 0.95f, 0.7f, 0.4f, 0.2f}},
    };
    double longest = 0.0;
    for (float rate : {44100.0f, 192000.0f}) {
        for (const Setting& s : settings) {
            EqEffect effect(nullptr);
            effect.setSampleRate(rate);
            for (int k = 0; k < 10; ++k) effect.setParameter(k, s.v[k]);
            const int block = 512, seconds = 3;
            Stereo loud(static_cast<int>(rate));
            run(effect, loud, block);
            std::vector<float> left(block), right(block);
            long lastNonZero = -1, subnormals = 0;
            const long total = static_cast<long>(rate) * seconds;
            for (long done = 0; done < total; done += block) {
                std::fill(left.begin(), left.end(), 0.0f);
                std::fill(right.begin(), right.end(), 0.0f);
                float* io[2] = {left.data(), right.data()};
                effect.processReplacing(io, io, block);
                for (int i = 0; i < block; ++i) {
                    if (left[i] != 0.0f || right[i] != 0.0f) lastNonZero = done + i;
                    subnormals += isSubnormal(left[i]) + isSubnormal(right[i]);
                }
            }
            const double tail = static_cast<double>(lastNonZero + 1) / rate;
            EXPECT_LT(tail, 2.0) << s.name << " at " << rate;
            EXPECT_GT(tail, 0.0) << s.name << " at " << rate << ": the tail rings before it ends";
            EXPECT_EQ(subnormals, 0) << s.name << " at " << rate;
            longest = std::max(longest, tail);
        }
    }
    std::printf("longest tail after the input fell silent: %.3f s\n", longest);
}

TEST(EqEffect, TailsEndOnTheSameFrameWhateverTheBlocks)
{
    const float settings[2][10] = {{0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f},
                                   {0.3f, 0.9f, 0.02f, 0.1f, 0.0f, 0.6f, 0.95f, 0.7f, 0.4f, 0.2f}};
    // Signal; a silence through the fade; signal; a silence into the middle of
    // the fade (1.5 s and a little, at 44.1 kHz); signal; a long silence.
    Stereo input(242000);
    for (int i = 0; i < 242000; ++i) {
        const bool signal = i < 20000 || (i >= 92000 && i <= 100000) || (i >= 167001 && i < 170000);
        if (!signal) input.left[i] = input.right[i] = 0.0f;
    }
    for (const float* v : settings) {
        Stereo whole = input;
        EqEffect first(nullptr);
        for (int k = 0; k < 10; ++k) first.setParameter(k, v[k]);
        run(first, whole, 242000);
        EXPECT_EQ(whole.left.back(), 0.0f);
        for (int block : {1000, 4096, 9999}) {
            Stereo split = input;
            EqEffect effect(nullptr);
            for (int k = 0; k < 10; ++k) effect.setParameter(k, v[k]);
            run(effect, split, block);
            EXPECT_TRUE(split == whole) << "blocks of " << block;
        }
    }
}

// At 8 kHz a tail holds 12000 frames and fades over 400: silences through the
// fade, into its middle and long past it, cut by blocks of any size written
// to buffers apart from the input.
TEST(EqEffect, BlocksOfAnySizeIntoSeparateBuffersMatchOneWholeRun)
{
    const float v[10] = {0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
    const int frames = 60000;
    Stereo input(frames);
    for (int i = 0; i < frames; ++i) {
        const bool signal = i < 5000 || (i >= 20000 && i < 21000) || (i >= 33200 && i < 34000);
        if (!signal) input.left[i] = input.right[i] = i % 7 == 0 ? -0.0f : 0.0f;
    }
    auto made = [&v] {
        auto effect = std::make_unique<EqEffect>(nullptr);
        effect->setSampleRate(8000.0f);
        for (int k = 0; k < 10; ++k) effect->setParameter(k, v[k]);
        return effect;
    };
    Stereo whole = input;
    run(*made(), whole, frames);
    std::mt19937 random(3);
    for (int trial = 0; trial < 3; ++trial) {
        auto effect = made();
        Stereo out(frames);
        for (int done = 0; done < frames;) {
            const int block = std::min(frames - done, 1 + static_cast<int>(random() % (trial == 0 ? 40 : 3000)));
            float* in[2] = {input.left.data() + done, input.right.data() + done};
            float* to[2] = {out.left.data() + done, out.right.data() + done};
            effect->processReplacing(in, to, block);
            done += block;
        }
        ASSERT_TRUE(out == whole) << "trial " << trial;
    }
}

TEST(EqEffect, NoSubnormalLeavesAndTheHostsFloatingPointModeIsKept)
{
    const float tiny[] = {1.0e-40f, -3.0e-42f, std::numeric_limits<float>::denorm_min(), 0.25f, -0.0f};
    for (float gain : {0.5f, 0.9f}) {  // every band left out, then one running
        EqEffect effect(nullptr);
        effect.setParameter(3, gain);
        std::vector<float> left(500), right(500);
        for (int i = 0; i < 500; ++i) left[i] = right[i] = tiny[i % 5];
        float* io[2] = {left.data(), right.data()};
#if defined(__SSE__) || defined(__x86_64__)
        const unsigned hostMode = _mm_getcsr();
        effect.processReplacing(io, io, 500);
        EXPECT_EQ(_mm_getcsr() & ~0x3Fu, hostMode & ~0x3Fu) << "flush modes put back as the host had them";
#else
        effect.processReplacing(io, io, 500);
#endif
        for (int i = 0; i < 500; ++i) {
            ASSERT_FALSE(isSubnormal(left[i]) || isSubnormal(right[i])) << "gain " << gain << " sample " << i;
        }
        if (gain == 0.5f) {
            EXPECT_EQ(left[3], 0.25f) << "everything else passes through";
            EXPECT_TRUE(std::signbit(left[1]) && left[1] == 0.0f) << "a flushed sample keeps its sign";
        }
    }
}

}  // namespace
