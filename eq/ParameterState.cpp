#include "eq/ParameterState.h"

#include <cstring>
#include <thread>

namespace {

std::uint32_t toBits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float fromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ParameterState::ParameterState() : rateBits(toBits(44100.0f))
{
    for (std::atomic<std::uint32_t>& value : bits) {
        value.store(toBits(0.5f), std::memory_order_relaxed);
    }
}

bool ParameterState::set(int index, float value)
{
    if (get(index) == value) {
        return false;
    }
    // The count moves before the value too, so that a copy taken across the
    // store sees it move.
    changes.fetch_add(1, std::memory_order_release);
    bits[index].store(toBits(value), std::memory_order_release);
    changes.fetch_add(1, std::memory_order_release);
    return true;
}

float ParameterState::get(int index) const { return fromBits(bits[index].load(std::memory_order_acquire)); }

bool ParameterState::setRate(float newRate)
{
    if (!isUsableRate(newRate) || newRate == rate()) {
        return false;
    }
    changes.fetch_add(1, std::memory_order_release);
    rateBits.store(toBits(newRate), std::memory_order_release);
    changes.fetch_add(1, std::memory_order_release);
    return true;
}

float ParameterState::rate() const { return fromBits(rateBits.load(std::memory_order_acquire)); }

void ParameterState::load(const float (&values)[kNumParameters])
{
    // Odd while writing. The values are stored with release, so a reader that
    // sees any of them sees the odd count too.
    const std::uint32_t before = loads.load(std::memory_order_relaxed);
    loads.store(before + 1, std::memory_order_relaxed);
    changes.fetch_add(1, std::memory_order_release);
    for (int k = 0; k < kNumParameters; ++k) {
        bits[k].store(toBits(values[k]), std::memory_order_release);
    }
    loads.store(before + 2, std::memory_order_release);
    changes.fetch_add(1, std::memory_order_release);
}

bool ParameterState::snapshot(float (&values)[kNumParameters], float& designRate) const
{
    const std::uint32_t before = loads.load(std::memory_order_acquire);
    if (before & 1u) {
        return false;
    }
    for (int k = 0; k < kNumParameters; ++k) {
        values[k] = fromBits(bits[k].load(std::memory_order_acquire));
    }
    designRate = rate();
    return loads.load(std::memory_order_relaxed) == before;
}

void ParameterState::consistentCopy(float (&values)[kNumParameters]) const
{
    for (int attempt = 1;; ++attempt) {
        const std::uint32_t before = changes.load(std::memory_order_acquire);
        for (int k = 0; k < kNumParameters; ++k) {
            values[k] = fromBits(bits[k].load(std::memory_order_acquire));
        }
        if (changes.load(std::memory_order_relaxed) == before) {
            return;
        }
        if (attempt % 16 == 0) {
            std::this_thread::yield();  // a writer busy on this core
        }
    }
}
