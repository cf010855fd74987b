// The effect's live settings: the current program's ten parameter values and
// the sample rate the bands are designed for, shared between the threads that
// set them (host automation, the editor, preset loads) and the audio thread
// that designs the bands from them. Every access is a plain atomic load or
// store, so no thread ever waits for another: the audio thread may set values
// too. A change bumps a generation counter that the audio thread watches at
// the start of each block; a whole set of values loaded at once (a chunk or a
// program) is marked while it is written, so that no reader takes half of it.
#pragma once

#include <atomic>
#include <cstdint>

#include "eq/Parameters.h"

class ParameterState {
public:
    // Every value 0.5, the rate 44100 Hz.
    ParameterState();

    // Any thread. Stores the value unless it equals the one stored (as a
    // float: NaN is never equal); answers whether it stored it.
    bool set(int index, float value);
    // Any thread.
    float get(int index) const;

    // Any thread. A rate the bands may be designed for (isUsableRate)
    // different from the current one is stored; answers whether it was.
    bool setRate(float rate);
    float rate() const;  // any thread

    // Replaces all values at once. Any thread but the audio thread, and one
    // such load at a time (the effect serialises them).
    void load(const float (&values)[kNumParameters]);

    // Any thread. Bumped before and after every stored change.
    std::uint32_t generation() const { return changes.load(std::memory_order_acquire); }

    // Any thread, without waiting: the values and the rate, never half of a
    // load. False while a load is being written (nothing is copied then; look
    // again later) or when one was written during the copy. Single values set
    // meanwhile may show old or new: the generation tells that more came.
    bool snapshot(float (&values)[kNumParameters], float& designRate) const;

    // Any thread but the audio thread: the values as they all stood at one
    // moment, taken again until no change came during the copy.
    void consistentCopy(float (&values)[kNumParameters]) const;

    ParameterState(const ParameterState&) = delete;
    ParameterState& operator=(const ParameterState&) = delete;

private:
    std::atomic<std::uint32_t> bits[kNumParameters];  // the values' bit patterns
    std::atomic<std::uint32_t> rateBits;
    std::atomic<std::uint32_t> changes{0};
    std::atomic<std::uint32_t> loads{0};  // odd while a load is being written
};
