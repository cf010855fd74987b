// The wavefront on AVX: the eight lanes are one register, the left channel's
// bands in the low half and the right channel's in the high half, so handing a
// sample from one band to the next moves it within a half. Built with -mavx
// (never FMA) in a unit of its own and called only where the processor has AVX
// and the operating system saves its registers.
#include <immintrin.h>

#include "eq/CascadeWavefront.h"

namespace {

struct Avx {
    using T = __m256;
    using Chunk = __m256;

    // Sixteen registers (eight on 32-bit x86) hold the coefficients and the
    // lanes' state between steps.
    struct Scratch {};
    class State {
    public:
        State(const CascadeCoefficients& c, Scratch&)
            : b0(_mm256_loadu_ps(c.b0)), b1(_mm256_loadu_ps(c.b1)), b2(_mm256_loadu_ps(c.b2)),
              a1(_mm256_loadu_ps(c.a1)), a2(_mm256_loadu_ps(c.a2))
        {
        }
        T y1() const { return y1_; }
        T y2() const { return y2_; }
        T y3() const { return y3_; }
        T x1() const { return x1_; }
        T x2() const { return x2_; }
        void set(T y1, T y2, T y3, T x1, T x2)
        {
            y1_ = y1;
            y2_ = y2;
            y3_ = y3;
            x1_ = x1;
            x2_ = x2;
        }
        void reserve(int) {}

        T step(T in)
        {
            // The band before hands over in the lane below; the first band takes the input.
            const T x = _mm256_blend_ps(_mm256_permute_ps(y3_, _MM_SHUFFLE(2, 1, 0, 3)), in, 0x11);
            // Left lanes (b1 x1 + b2 x2) + b0 x, right lanes (b1 x1 + b0 x) + b2 x2:
            // the second and third terms trade places in the high half.
            const T p1 = _mm256_mul_ps(b1, x1_);
            const T p2 = _mm256_mul_ps(b2, x2_);
            const T p0 = _mm256_mul_ps(b0, x);
            const T s = _mm256_add_ps(_mm256_add_ps(p1, _mm256_blend_ps(p2, p0, 0xF0)),
                                      _mm256_blend_ps(p0, p2, 0xF0));
            const T y = _mm256_sub_ps(_mm256_sub_ps(s, _mm256_mul_ps(a1, y1_)), _mm256_mul_ps(a2, y2_));
            y3_ = y2_;
            y2_ = y1_;
            y1_ = y;
            x2_ = x1_;
            x1_ = x;
            return y;
        }

    private:
        const T b0, b1, b2, a1, a2;
        T y1_, y2_, y3_, x1_, x2_;
    };

    static T zero() { return _mm256_setzero_ps(); }

    template <unsigned M>
    static T select(T a, T b)
    {
        return _mm256_blend_ps(b, a, M);
    }

    static Chunk loadChunk(const float* l, const float* r)
    {
        return finite(_mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(l)), _mm_loadu_ps(r), 1));
    }
    template <int J>
    static T input(Chunk c)
    {
        return _mm256_permute_ps(c, J * 0x55);
    }
    static T inputAt(const float* l, const float* r)
    {
        return finite(_mm256_insertf128_ps(_mm256_castps128_ps256(_mm_load_ss(l)), _mm_load_ss(r), 1));
    }
    // An infinity or a NaN becomes +0: |x| < infinity holds for every other
    // value (a quiet comparison: no flag for a quiet NaN), which is kept as it is.
    static T finite(T x)
    {
        const T magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
        const T infinity = _mm256_castsi256_ps(_mm256_set1_epi32(0x7F800000));
        return _mm256_and_ps(x, _mm256_cmp_ps(_mm256_and_ps(x, magnitude), infinity, _CMP_LT_OQ));
    }

    // Lane L of four steps' outputs side by side, in each half, stored at once.
    class Out {
    public:
        template <int J, int L>
        void put(float* l, float* r, T z)
        {
            constexpr int pick = L % 2 ? _MM_SHUFFLE(3, 2, 3, 2) : _MM_SHUFFLE(1, 0, 1, 0);
            if constexpr (J % 2 == 0) {
                held = z;
            } else {
                const T pair = L < 2 ? _mm256_unpacklo_ps(held, z) : _mm256_unpackhi_ps(held, z);
                if constexpr (J == 1) {
                    first = pair;
                } else {
                    const T lanes = _mm256_shuffle_ps(first, pair, pick);
                    _mm_storeu_ps(l, _mm256_castps256_ps128(lanes));
                    _mm_storeu_ps(r, _mm256_extractf128_ps(lanes, 1));
                }
            }
        }

    private:
        T held, first;
    };
    template <int L>
    static void store1(float* l, float* r, T z)
    {
        const T lane = _mm256_permute_ps(z, _MM_SHUFFLE(L, L, L, L));
        _mm_store_ss(l, _mm256_castps256_ps128(lane));
        _mm_store_ss(r, _mm256_extractf128_ps(lane, 1));
    }

    // Row j holds lane j's history {y1, y2, x1, x2} of both channels; a
    // transpose within each half turns rows into lanes and back.
    static void transpose(T& r0, T& r1, T& r2, T& r3)
    {
        const T t0 = _mm256_unpacklo_ps(r0, r1);
        const T t1 = _mm256_unpacklo_ps(r2, r3);
        const T t2 = _mm256_unpackhi_ps(r0, r1);
        const T t3 = _mm256_unpackhi_ps(r2, r3);
        r0 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        r1 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        r2 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        r3 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
    }
    static T row(const BandHistory* const (&rows)[2][kCascadeBands], int j)
    {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(&rows[0][j]->y1)),
                                    _mm_loadu_ps(&rows[1][j]->y1), 1);
    }
    static void loadHistory(const BandHistory* const (&rows)[2][kCascadeBands], T& y1, T& y2, T& x1, T& x2)
    {
        y1 = row(rows, 0);
        y2 = row(rows, 1);
        x1 = row(rows, 2);
        x2 = row(rows, 3);
        transpose(y1, y2, x1, x2);
    }
    static void storeRow(BandHistory* const (&rows)[2][kCascadeBands], int j, T v)
    {
        _mm_storeu_ps(&rows[0][j]->y1, _mm256_castps256_ps128(v));
        _mm_storeu_ps(&rows[1][j]->y1, _mm256_extractf128_ps(v, 1));
    }
    static void storeHistory(BandHistory* const (&rows)[2][kCascadeBands], int count, T y1, T y2, T x1, T x2)
    {
        transpose(y1, y2, x1, x2);
        storeRow(rows, 0, y1);
        if (count > 1) storeRow(rows, 1, y2);
        if (count > 2) storeRow(rows, 2, x1);
        if (count > 3) storeRow(rows, 3, x2);
    }

    // v - v is zero for a finite v and NaN otherwise.
    static unsigned notFinite(T y1, T y2, T x1, T x2)
    {
        const T a = _mm256_add_ps(_mm256_sub_ps(y1, y1), _mm256_sub_ps(y2, y2));
        const T b = _mm256_add_ps(_mm256_sub_ps(x1, x1), _mm256_sub_ps(x2, x2));
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_UNORD_Q)));
    }
};

}  // namespace

unsigned cascadeRunAvx(const CascadeCoefficients& coefficients, CascadeHistory& history,
                       const float* inLeft, const float* inRight,
                       float* outLeft, float* outRight, std::int32_t frameCount)
{
    return runCascade<Avx>(coefficients, history, inLeft, inRight, outLeft, outRight, frameCount);
}
