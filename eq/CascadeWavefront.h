// The wavefront itself, written once over an eight-lane vector type that each
// instruction-set translation unit supplies (CascadeSse2.cpp, CascadeAvx.cpp).
// Everything here has internal linkage, so each unit keeps its own copy built
// for its own instruction set.
//
// V provides, on its eight-lane type V::T:
//   Scratch: memory State may use;
//   State(coefficients, scratch), holding the coefficients and each lane's last three
//     outputs and last two inputs: y1()..y3(), x1(), x2(), set(y1, y2, y3, x1,
//     x2), reserve(steps) ahead of that many steps, and step(in): one step of
//     every lane, with x = [in0, y3_0, y3_1, y3_2 | in4, y3_4, y3_5, y3_6] and
//     y = ((b1 x1 + b2 x2) + b0 x) - a1 y1 - a2 y2 in the left lanes,
//     y = ((b1 x1 + b0 x) + b2 x2) - a1 y1 - a2 y2 in the right lanes, every
//     operation rounded, answering y and moving y, x into y1, x1;
//   zero(); select<M>(a, b): a in the lanes whose bit is set in M, b elsewhere;
//   Chunk, loadChunk(l, r) and input<J>(chunk): l[J], r[J] in lanes 0 and 4;
//   inputAt(l, r): l[0], r[0] in lanes 0 and 4 (both: an infinity or a NaN
//     read as +0);
//   Out with put<J, L>(l, r, z): lane L of z to l[J], lane L + 4 to r[J], for
//     J = 0, 1, 2, 3 in turn;
//   store1<L>(l, r, z): lane L to l[0], lane L + 4 to r[0];
//   loadHistory(rows of the left and right histories, y1, y2, x1, x2);
//   storeHistory(the same, count, y1, y2, x1, x2): rows 0 .. count - 1 only;
//   notFinite(y1, y2, x1, x2): bit j for each lane j holding a value that is not finite.
#pragma once

#include "eq/Cascade.h"

namespace {

// The states hand over from three steps back (x from y3).
static_assert(kCascadeSkew == 3, "the hand-over reads the outputs of three steps back");

// Lanes of active bands first..last (by position) in both channels.
constexpr unsigned bandLanes(int first, int last)
{
    unsigned mask = 0;
    for (int j = first; j <= last; ++j) {
        mask |= (1u << j) | (1u << (j + kCascadeBands));
    }
    return mask;
}

// Count active bands: step n works on sample n - 3j in the lanes of the j-th.
// Band j reads the output band j - 1 gave three steps earlier, long finished by
// then, so the recurrences (multiply, subtract, subtract) of all the bands run
// back to back.
//
// Every lane steps every time; a lane's work counts only from the step its band
// starts (3j, when the lane's history is put back in) to the step it finishes
// (n - 1 + 3j, when its history is taken out). The lanes after the active bands
// compute nothing of use.
template <class V, int Count>
class Wavefront {
    using T = typename V::T;

public:
    // Steps from a sample entering the first band to its leaving the last.
    static constexpr int kDepth = kCascadeSkew * (Count - 1);

    Wavefront(const CascadeCoefficients& c, const CascadeHistory& h, typename V::Scratch& scratch)
        : st(c, scratch)
    {
        const BandHistory* rows[2][kCascadeBands];
        for (int j = 0; j < kCascadeBands; ++j) {
            const int band = bandOf(c, j);
            rows[0][j] = &h.left[band];
            rows[1][j] = &h.right[band];
        }
        V::loadHistory(rows, hy1, hy2, hx1, hx2);
        st.set(hy1, hy2, V::zero(), hx1, hx2);
    }

    // n >= kDepth frames.
    void run(const float* inL, const float* inR, float* outL, float* outR, std::int32_t n)
    {
        st.reserve(kDepth);
        fill<0>(inL, inR);
        if constexpr (Count > 1) {
            start<Count - 1>();
        }

        // Every band busy: sample i in, sample i - kDepth out of the last band.
        // The outputs trail the inputs, so a buffer may be both.
        std::int32_t i = kDepth;
        for (; i + 4 <= n; i += 4) {
            st.reserve(4);
            const typename V::Chunk c = V::loadChunk(inL + i, inR + i);
            float* l = outL + i - kDepth;
            float* r = outR + i - kDepth;
            typename V::Out o;
            o.template put<0, Count - 1>(l, r, st.step(V::template input<0>(c)));
            o.template put<1, Count - 1>(l, r, st.step(V::template input<1>(c)));
            o.template put<2, Count - 1>(l, r, st.step(V::template input<2>(c)));
            o.template put<3, Count - 1>(l, r, st.step(V::template input<3>(c)));
        }
        st.reserve(3 + kDepth);
        for (; i < n; ++i) {
            V::template store1<Count - 1>(outL + i - kDepth, outR + i - kDepth,
                                          st.step(V::inputAt(inL + i, inR + i)));
        }

        // The first band has just finished; the others finish three steps apart.
        hy1 = st.y1();
        hy2 = st.y2();
        hx1 = st.x1();
        hx2 = st.x2();
        drain<0>(outL + n - kDepth, outR + n - kDepth);
    }

    // N < kDepth frames: a stretch shorter than the wavefront. Every step
    // reads an input until the N-th, then zero; band j starts at step 3j and
    // finishes at step N - 1 + 3j as in run(), and the last band's outputs all
    // come after every input has been read.
    template <int N>
    void runShort(const float* inL, const float* inR, float* outL, float* outR)
    {
        static_assert(N >= 1 && N < kDepth, "a stretch shorter than the wavefront");
        st.reserve(N + kDepth);
        shortStep<N, 0>(inL, inR, outL, outR);
    }

    // Writes the histories back and answers the bands whose history is not finite.
    unsigned finish(const CascadeCoefficients& c, CascadeHistory& h) const
    {
        BandHistory* rows[2][kCascadeBands];
        for (int j = 0; j < kCascadeBands; ++j) {
            const int band = bandOf(c, j);
            rows[0][j] = &h.left[band];
            rows[1][j] = &h.right[band];
        }
        V::storeHistory(rows, Count, hy1, hy2, hx1, hx2);
        const unsigned lanes = V::notFinite(hy1, hy2, hx1, hx2);
        unsigned bands = 0;
        for (int j = 0; j < Count; ++j) {
            if (((lanes >> j) | (lanes >> (j + kCascadeBands))) & 1u) {
                bands |= 1u << c.order[j];
            }
        }
        return bands;
    }

private:
    // The band of lane j (with every band active, lane j is band j); the lanes
    // after the active bands borrow the first one's history.
    static int bandOf(const CascadeCoefficients& c, int j)
    {
        return Count == kCascadeBands ? j : c.order[j < Count ? j : 0];
    }

    // Band J's lanes take up its history.
    template <int J>
    void start()
    {
        constexpr unsigned lanes = bandLanes(J, J);
        st.set(V::template select<lanes>(hy1, st.y1()), V::template select<lanes>(hy2, st.y2()), st.y3(),
               V::template select<lanes>(hx1, st.x1()), V::template select<lanes>(hx2, st.x2()));
    }

    // Band J's lanes give up their history.
    template <int J>
    void stop()
    {
        constexpr unsigned lanes = bandLanes(J, J);
        hy1 = V::template select<lanes>(st.y1(), hy1);
        hy2 = V::template select<lanes>(st.y2(), hy2);
        hx1 = V::template select<lanes>(st.x1(), hx1);
        hx2 = V::template select<lanes>(st.x2(), hx2);
    }

    // Steps 0 .. kDepth - 1: band j starts at step 3j.
    template <int Step>
    void fill(const float* inL, const float* inR)
    {
        if constexpr (Step < kDepth) {
            if constexpr (Step > 0 && Step % kCascadeSkew == 0) {
                start<Step / kCascadeSkew>();
            }
            st.step(V::inputAt(inL + Step, inR + Step));
            fill<Step + 1>(inL, inR);
        }
    }

    // Steps n .. n + kDepth - 1: band j finishes at step n - 1 + 3j.
    template <int Step>
    void drain(float* outL, float* outR)
    {
        if constexpr (Step < kDepth) {
            V::template store1<Count - 1>(outL + Step, outR + Step, st.step(V::zero()));
            if constexpr ((Step + 1) % kCascadeSkew == 0) {
                stop<(Step + 1) / kCascadeSkew>();
            }
            drain<Step + 1>(outL, outR);
        }
    }

    template <bool Reads>
    static T stepInput(const float* l, const float* r)
    {
        if constexpr (Reads) {
            return V::inputAt(l, r);
        } else {
            return V::zero();
        }
    }

    template <int N, int Step>
    void shortStep(const float* inL, const float* inR, float* outL, float* outR)
    {
        if constexpr (Step < N + kDepth) {
            if constexpr (Step > 0 && Step % kCascadeSkew == 0 && Step / kCascadeSkew < Count) {
                start<Step / kCascadeSkew>();
            }
            const T y = st.step(stepInput<Step < N>(inL + Step, inR + Step));
            if constexpr (Step >= kDepth) {
                V::template store1<Count - 1>(outL + Step - kDepth, outR + Step - kDepth, y);
            }
            constexpr int sinceLast = Step - (N - 1);
            if constexpr (sinceLast >= 0 && sinceLast % kCascadeSkew == 0 && sinceLast / kCascadeSkew < Count) {
                stop<sinceLast / kCascadeSkew>();
            }
            shortStep<N, Step + 1>(inL, inR, outL, outR);
        }
    }

    typename V::State st;    // the coefficients and the lanes' state
    T hy1, hy2, hx1, hx2;    // the histories as loaded, then as the bands finish
};

template <class V, int Count>
unsigned runWavefront(const CascadeCoefficients& coefficients, CascadeHistory& history,
                      const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                      std::int32_t frameCount)
{
    typename V::Scratch scratch;
    Wavefront<V, Count> w(coefficients, history, scratch);
    w.run(inLeft, inRight, outLeft, outRight, frameCount);
    return w.finish(coefficients, history);
}

// A stretch of n frames, 1 <= n < the wavefront's depth for Count bands.
template <class V, int Count, int N = 1>
unsigned runShortWavefront(const CascadeCoefficients& coefficients, CascadeHistory& history,
                           const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                           std::int32_t n)
{
    if constexpr (N < Wavefront<V, Count>::kDepth) {
        if (n != N) {
            return runShortWavefront<V, Count, N + 1>(coefficients, history, inLeft, inRight, outLeft, outRight, n);
        }
        typename V::Scratch scratch;
        Wavefront<V, Count> w(coefficients, history, scratch);
        w.template runShort<N>(inLeft, inRight, outLeft, outRight);
        return w.finish(coefficients, history);
    } else {
        return 0;
    }
}

// Every length through the wavefront: shorter than its depth, the steps of
// the fill and the drain only.
template <class V, int Count>
unsigned runAnyLength(const CascadeCoefficients& coefficients, CascadeHistory& history,
                      const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                      std::int32_t frameCount)
{
    if (frameCount < Wavefront<V, Count>::kDepth) {
        return runShortWavefront<V, Count>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
    }
    return runWavefront<V, Count>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
}

template <class V>
unsigned runCascade(const CascadeCoefficients& coefficients, CascadeHistory& history,
                    const float* inLeft, const float* inRight, float* outLeft, float* outRight,
                    std::int32_t frameCount)
{
    if (frameCount <= 0) {
        return 0;
    }
    switch (coefficients.activeCount) {
    case 1:
        return runAnyLength<V, 1>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
    case 2:
        return runAnyLength<V, 2>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
    case 3:
        return runAnyLength<V, 3>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
    case 4:
        return runAnyLength<V, 4>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
    default:
        return cascadeRunBandLoop(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
    }
}

}  // namespace
