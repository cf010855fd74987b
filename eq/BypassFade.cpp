#include "eq/BypassFade.h"

#include <cstring>

void BypassFade::setRate(float rate)
{
    // 10 ms; also the longest fade for a rate that is not a number.
    const float frames = rate * 0.01f;
    const std::int32_t fresh = !(frames < static_cast<float>(kLongest)) ? kLongest
                               : frames < 1.0f                          ? 1
                                                                        : static_cast<std::int32_t>(frames + 0.5f);
    if (fresh == length) {
        return;
    }
    // All dry stays all dry; a mix part of the way keeps its step, within the new length.
    position = position == length || position > fresh ? fresh : position;
    length = fresh;
}

void BypassFade::keepDry(const float* left, const float* right, std::int32_t count)
{
    const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(count);
    std::memcpy(dry[0], left, bytes);
    std::memcpy(dry[1], right, bytes);
}

float BypassFade::dryGain(std::int32_t step, std::int32_t frames)
{
    const float t = static_cast<float>(step) / static_cast<float>(frames);
    return t * t * (3.0f - 2.0f * t);
}

void BypassFade::mix(bool on, float* left, float* right, std::int32_t count)
{
    const std::int32_t end = on ? length : 0;
    for (std::int32_t i = 0; i < count; ++i) {
        if (position != end) {
            position += on ? 1 : -1;
        }
        if (position == end) {
            // Arrived: the rest is the one signal, bit for bit.
            const std::size_t bytes = sizeof(float) * static_cast<std::size_t>(count - i);
            std::memcpy(left + i, (on ? dry[0] : wet[0]) + i, bytes);
            std::memcpy(right + i, (on ? dry[1] : wet[1]) + i, bytes);
            return;
        }
        const float g = dryGain(position, length);
        const float w = 1.0f - g;
        left[i] = wet[0][i] * w + dry[0][i] * g;
        right[i] = wet[1][i] * w + dry[1][i] * g;
    }
}
