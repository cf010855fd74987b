#include "tools/LevelMeter.h"

#include <cmath>
#include <initializer_list>
#include <limits>

void LevelMeter::add(const float* left, const float* right, std::size_t count)
{
    for (const float* channel : {left, right}) {
        for (std::size_t i = 0; channel && i < count; ++i) {
            if (!std::isfinite(channel[i])) {
                ++invalid;
                continue;
            }
            const float magnitude = std::fabs(channel[i]);
            if (magnitude > largest) largest = magnitude;
            if (magnitude > 1.0f) ++over;
        }
    }
}

double LevelMeter::peakDbfs() const
{
    if (largest <= 0.0f) return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(static_cast<double>(largest));
}
