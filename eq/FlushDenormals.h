// For the length of one audio call: subnormal results are flushed to zero and
// subnormal inputs read as zero, so a decaying filter never produces a
// subnormal number (nor pays for one), and the processor's floating-point
// modes are put back as the host had them when the call returns (the
// exception flags the call raised may stay raised). For signals
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
    // Writing the register waits for the instructions before it, so it is
    // written only where the host's modes differ from these (many hosts run
    // their audio thread with both set), and put back only then. Constructed
    // with `now` false, the modes are set at the first engage() instead (for
    // calls that may turn out to have no arithmetic to do).
    explicit FlushDenormals(bool now = true) : saved(_mm_getcsr())
    {
        if (now) {
            engage();
        }
    }
    ~FlushDenormals()
    {
        if (changed) {
            _mm_setcsr(saved);
        }
    }
    void engage()
    {
        if (!changed && (saved & kBoth) != kBoth) {
            _mm_setcsr(saved | kBoth);
            changed = true;
        }
    }
#else
    explicit FlushDenormals(bool = true) {}
    void engage() {}
#endif

    FlushDenormals(const FlushDenormals&) = delete;
    FlushDenormals& operator=(const FlushDenormals&) = delete;

private:
#if defined(KORVO_HAS_MXCSR)
    static constexpr unsigned kFlushToZero = 1u << 15;
    static constexpr unsigned kDenormalsAreZero = 1u << 6;
    static constexpr unsigned kBoth = kFlushToZero | kDenormalsAreZero;
    unsigned saved;
    bool changed = false;
#endif
};
