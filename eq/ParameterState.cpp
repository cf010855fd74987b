#include "eq/ParameterState.h"

#include <cmath>
#include <cstring>

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
    bits[index].store(toBits(value), std::memory_order_release);
    changes.fetch_add(1, std::memory_order_release);
    return true;
}

float ParameterState::get(int index) const { return fromBits(bits[index].load(std::memory_order_acquire)); }

bool ParameterState::setRate(float newRate)
{
    if (!std::isfinite(newRate) || newRate <= 0.0f || newRate == rate()) {
        return false;
    }
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
