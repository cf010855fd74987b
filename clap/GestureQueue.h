// The editor's gestures on their way to the CLAP host: a fixed ring of
// gesture events with one producer, the editor's thread (the host's main
// thread), and one consumer, whichever thread the host calls process or
// params.flush on (never two at once). Lock-free and allocation-free on both
// sides: the audio thread only reads slots and moves an index.
#pragma once

#include <atomic>
#include <cstdint>

#include "eq/Parameters.h"

namespace korvo_clap {

// One event of an edit: its start, a value, or its end.
struct Gesture {
    enum Kind : std::uint8_t { Begin, Value, End };
    Kind kind;
    std::uint32_t parameter;
    double value;  // Value only: normalised 0..1
};

class GestureQueue {
public:
    static constexpr std::uint32_t kCapacity = 256;  // a power of two
    // Slots only an End may take: at most one gesture per parameter is open,
    // so the End of every gesture that began always finds room.
    static constexpr std::uint32_t kKeptForEnds = kNumParameters;

    // The producer. False, and nothing queued, when the ring is full (for a
    // Begin or a Value: when only the slots kept for ends are left).
    bool push(const Gesture& gesture);

    // The consumer. The oldest event, or null when there is none; pop()
    // removes it once the host has taken it.
    const Gesture* front() const;
    void pop();

private:
    static_assert((kCapacity & (kCapacity - 1)) == 0, "the indices wrap at a power of two");
    static_assert(std::atomic<std::uint32_t>::is_always_lock_free, "the ring may not lock");

    Gesture slots[kCapacity] = {};
    std::atomic<std::uint32_t> readIndex{0};   // written by the consumer
    std::atomic<std::uint32_t> writeIndex{0};  // written by the producer
};

}  // namespace korvo_clap
