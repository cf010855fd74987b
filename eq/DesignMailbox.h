// Hands the four bands' designs from the threads that change settings to the
// audio thread, always as one complete set. A triple buffer: the writer fills a
// spare slot and swaps it in; the audio thread swaps in the newest slot at the
// start of a block. The audio side never waits, locks or allocates.
#pragma once

#include <atomic>
#include <thread>

#include "eq/BandFilter.h"
#include "eq/Parameters.h"

struct BandDesign {
    BandCoefficients coefficients;
    bool active;  // false: the band's gain lies in the dead zone and the band is left out
};

struct EqDesign {
    double rate;  // the design sample rate of every band
    BandDesign bands[kNumBands];
};

class DesignMailbox {
public:
    explicit DesignMailbox(const EqDesign& initial)
    {
        for (EqDesign& slot : slots) {
            slot = initial;
        }
        pending = initial;
    }

    // Any thread but the audio thread. `edit` changes the latest design in place and
    // answers whether it changed; a change is published whole. Writers on several
    // threads take turns, each for the length of one edit.
    template <class Edit>
    bool update(Edit&& edit)
    {
        while (writing.test_and_set(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        const bool changed = edit(pending);
        if (changed) {
            slots[back] = pending;
            back = middle.exchange(back | kFresh, std::memory_order_acq_rel) & kIndex;
        }
        writing.clear(std::memory_order_release);
        return changed;
    }

    // The audio thread, at the start of a block: the newest complete design.
    const EqDesign& acquire()
    {
        if (middle.load(std::memory_order_relaxed) & kFresh) {
            front = middle.exchange(front, std::memory_order_acq_rel) & kIndex;
        }
        return slots[front];
    }

    DesignMailbox(const DesignMailbox&) = delete;
    DesignMailbox& operator=(const DesignMailbox&) = delete;

private:
    static constexpr unsigned kIndex = 3;
    static constexpr unsigned kFresh = 4;

    EqDesign slots[3];
    EqDesign pending;                     // writers only, under `writing`
    unsigned back = 0;                    // writers only
    unsigned front = 1;                   // the audio thread only
    std::atomic<unsigned> middle{2};      // the slot in between, with kFresh when unread
    std::atomic_flag writing = ATOMIC_FLAG_INIT;
};
