// The wavefront on SSE2, the baseline of both modules: the eight lanes are two
// four-lane registers, the left channel's bands and the right channel's, so
// each channel's grouping of the feed-forward sum is simply its own code, and
// both halves share one register per coefficient.
#include <emmintrin.h>

#include "eq/CascadeWavefront.h"

namespace {

struct Sse2 {
    struct T {
        __m128 l, r;
    };
    struct Chunk {
        __m128 l, r;
    };

    // Eight registers cannot hold the coefficients and the lanes' state beside
    // a step's work, and left to itself the compiler may well keep those and
    // spill y1, the one value each step waits for. So y1 and x1 stay in
    // registers and the rest lives in scratch memory reached through pointers
    // the compiler cannot see through: the coefficients (one register's worth
    // serves both halves, the layout giving them the same), and a run of slots
    // holding each step's inputs and outputs, read back two and three steps on.
    struct Coefficients {
        __m128 b0, b1, b2, a1, a2;
    };
    struct Slot {
        __m128 xl, xr, yl, yr;
    };
    static constexpr int kSlots = 3 + 48;
    struct Scratch {
        Coefficients coefficients;
        Slot ring[kSlots];
    };

    class State {
    public:
        State(const CascadeCoefficients& c, Scratch& scratch)
            : k(&scratch.coefficients), ring(scratch.ring), p(scratch.ring + 3)
        {
            scratch.coefficients.b0 = _mm_loadu_ps(c.b0);
            scratch.coefficients.b1 = _mm_loadu_ps(c.b1);
            scratch.coefficients.b2 = _mm_loadu_ps(c.b2);
            scratch.coefficients.a1 = _mm_loadu_ps(c.a1);
            scratch.coefficients.a2 = _mm_loadu_ps(c.a2);
            hide(k);
            hide(p);
        }

        T y1() const { return y1_; }
        T y2() const { return T{p[-2].yl, p[-2].yr}; }
        T y3() const { return T{p[-3].yl, p[-3].yr}; }
        T x1() const { return x1_; }
        T x2() const { return T{p[-2].xl, p[-2].xr}; }
        void set(T y1, T y2, T y3, T x1, T x2)
        {
            y1_ = y1;
            x1_ = x1;
            p[-1] = Slot{x1.l, x1.r, y1.l, y1.r};
            p[-2] = Slot{x2.l, x2.r, y2.l, y2.r};
            p[-3].yl = y3.l;
            p[-3].yr = y3.r;
        }
        // Room for this many steps; the last three slots move to the front when
        // the run is used up.
        void reserve(int steps)
        {
            if (p + steps > ring + kSlots) {
                ring[0] = p[-3];
                ring[1] = p[-2];
                ring[2] = p[-1];
                p = ring + 3;
                hide(p);
            }
        }

        // One half at a time, each in its channel's grouping, so that few
        // values are live at once.
        T step(T in)
        {
            Slot* s = p;
            const Coefficients* c = k;
            hide(c);
            const __m128 xl = shiftHalf(s[-3].yl, in.l);
            const __m128 sl = _mm_add_ps(_mm_add_ps(_mm_mul_ps(c->b1, x1_.l), _mm_mul_ps(c->b2, s[-2].xl)),
                                         _mm_mul_ps(c->b0, xl));
            const __m128 yl = _mm_sub_ps(_mm_sub_ps(sl, _mm_mul_ps(c->a1, y1_.l)), _mm_mul_ps(c->a2, s[-2].yl));
            s->xl = xl;
            s->yl = yl;
            hide(c);
            const __m128 xr = shiftHalf(s[-3].yr, in.r);
            const __m128 sr = _mm_add_ps(_mm_add_ps(_mm_mul_ps(c->b1, x1_.r), _mm_mul_ps(c->b0, xr)),
                                         _mm_mul_ps(c->b2, s[-2].xr));
            const __m128 yr = _mm_sub_ps(_mm_sub_ps(sr, _mm_mul_ps(c->a1, y1_.r)), _mm_mul_ps(c->a2, s[-2].yr));
            s->xr = xr;
            s->yr = yr;
            x1_ = T{xl, xr};
            y1_ = T{yl, yr};
            p = s + 1;
            hide(p);
            return y1_;
        }

    private:
        // The band before hands over in the lane below; the first band takes the input.
        static __m128 shiftHalf(__m128 z, __m128 in)
        {
            return _mm_move_ss(_mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(z), 4)), in);
        }
        // The compiler can no longer tell where the pointer points.
        template <class P>
        static void hide(P*& pointer)
        {
            __asm__ volatile("" : "+r"(pointer));
        }

        const Coefficients* k;
        Slot* ring;
        Slot* p;  // the slot of the coming step
        T y1_, x1_;
    };

    static T zero() { return T{_mm_setzero_ps(), _mm_setzero_ps()}; }

    template <unsigned M>
    static __m128 selectHalf(__m128 a, __m128 b)
    {
        if constexpr (M == 0xFu) {
            return a;
        } else if constexpr (M == 0u) {
            return b;
        } else {
            const __m128 m = _mm_castsi128_ps(_mm_set_epi32(M & 8u ? -1 : 0, M & 4u ? -1 : 0,
                                                            M & 2u ? -1 : 0, M & 1u ? -1 : 0));
            return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b));
        }
    }
    template <unsigned M>
    static T select(T a, T b)
    {
        return T{selectHalf<(M & 0xFu)>(a.l, b.l), selectHalf<(M >> 4)>(a.r, b.r)};
    }

    // Four frames' inputs are made finite at once; a step reads only lane 0
    // of its input (shiftHalf), so sample J is moved there and the other
    // lanes are left as they come.
    static Chunk loadChunk(const float* l, const float* r) { return Chunk{finite(_mm_loadu_ps(l)), finite(_mm_loadu_ps(r))}; }
    template <int J>
    static T input(const Chunk& c)
    {
        if constexpr (J == 0) {
            return T{c.l, c.r};
        } else {
            return T{_mm_shuffle_ps(c.l, c.l, J), _mm_shuffle_ps(c.r, c.r, J)};
        }
    }
    static T inputAt(const float* l, const float* r) { return T{finite(_mm_load_ss(l)), finite(_mm_load_ss(r))}; }
    // An infinity or a NaN (every exponent bit set) becomes +0, told from the
    // bits alone: no flag is raised and every other value is kept as it is.
    static __m128 finite(__m128 x)
    {
        const __m128i exponent = _mm_set1_epi32(0x7F800000);
        const __m128i bits = _mm_castps_si128(x);
        return _mm_castsi128_ps(_mm_andnot_si128(_mm_cmpeq_epi32(_mm_and_si128(bits, exponent), exponent), bits));
    }

    // Each step's output goes out at once: holding four steps' outputs would
    // take registers.
    struct Out {
        template <int J, int L>
        void put(float* l, float* r, T z)
        {
            store1<L>(l + J, r + J, z);
        }
    };
    template <int L>
    static void store1(float* l, float* r, T z)
    {
        _mm_store_ss(l, _mm_shuffle_ps(z.l, z.l, _MM_SHUFFLE(L, L, L, L)));
        _mm_store_ss(r, _mm_shuffle_ps(z.r, z.r, _MM_SHUFFLE(L, L, L, L)));
    }

    // Row j is the history {y1, y2, x1, x2} of lane j; a transpose turns rows into lanes.
    static void loadRows(const BandHistory* const* rows, __m128& y1, __m128& y2, __m128& x1, __m128& x2)
    {
        y1 = _mm_loadu_ps(&rows[0]->y1);
        y2 = _mm_loadu_ps(&rows[1]->y1);
        x1 = _mm_loadu_ps(&rows[2]->y1);
        x2 = _mm_loadu_ps(&rows[3]->y1);
        _MM_TRANSPOSE4_PS(y1, y2, x1, x2);
    }
    static void loadHistory(const BandHistory* const (&rows)[2][kCascadeBands], T& y1, T& y2, T& x1, T& x2)
    {
        loadRows(rows[0], y1.l, y2.l, x1.l, x2.l);
        loadRows(rows[1], y1.r, y2.r, x1.r, x2.r);
    }
    static void storeRows(BandHistory* const* rows, int count, __m128 r0, __m128 r1, __m128 r2, __m128 r3)
    {
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_storeu_ps(&rows[0]->y1, r0);
        if (count > 1) _mm_storeu_ps(&rows[1]->y1, r1);
        if (count > 2) _mm_storeu_ps(&rows[2]->y1, r2);
        if (count > 3) _mm_storeu_ps(&rows[3]->y1, r3);
    }
    static void storeHistory(BandHistory* const (&rows)[2][kCascadeBands], int count, T y1, T y2, T x1, T x2)
    {
        storeRows(rows[0], count, y1.l, y2.l, x1.l, x2.l);
        storeRows(rows[1], count, y1.r, y2.r, x1.r, x2.r);
    }

    // v - v is zero for a finite v and NaN otherwise.
    static int notFiniteHalf(__m128 y1, __m128 y2, __m128 x1, __m128 x2)
    {
        const __m128 a = _mm_add_ps(_mm_sub_ps(y1, y1), _mm_sub_ps(y2, y2));
        const __m128 b = _mm_add_ps(_mm_sub_ps(x1, x1), _mm_sub_ps(x2, x2));
        return _mm_movemask_ps(_mm_cmpunord_ps(a, b));
    }
    static unsigned notFinite(T y1, T y2, T x1, T x2)
    {
        return static_cast<unsigned>(notFiniteHalf(y1.l, y2.l, x1.l, x2.l) |
                                     (notFiniteHalf(y1.r, y2.r, x1.r, x2.r) << 4));
    }
};

}  // namespace

unsigned cascadeRunSse2(const CascadeCoefficients& coefficients, CascadeHistory& history,
                        const float* inLeft, const float* inRight,
                        float* outLeft, float* outRight, std::int32_t frameCount)
{
    return runCascade<Sse2>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
}
