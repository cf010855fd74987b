// For the length of one audio call: subnormal results are flushed to zero and
// subnormal inputs read as zero, so a decaying filter never produces a
// subnormal number (nor pays for one), and the processor's floating-point
// control is put back as the host had it when the call returns. For signals
// without subnormal values the arithmetic is unchanged, bit for bit.
// Reading and writing the control register are plain instructions: safe on
// the audio thread.
#pragma once

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define KORVO_HAS_MXCSR 1
#endif

class FlushDenormals {
public:
#if defined(KORVO_HAS_MXCSR)
    FlushDenormals() : saved(_mm_getcsr())
    {
        const unsigned wanted = saved | kFlushToZero | kDenormalsAreZero;
        if (wanted != saved) {
            _mm_setcsr(wanted);
        }
    }
    ~FlushDenormals()
    {
        if (_mm_getcsr() != saved) {
            _mm_setcsr(saved);
        }
    }
#else
    FlushDenormals() = default;
#endif

    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
#if defined(KORVO_HAS_MXCSR)
    static constexpr unsigned kFlushToZero = 1u << 15;
    static constexpr unsigned kDenormalsAreZero = 1u << 6;
    unsigned saved;
#endif
};
