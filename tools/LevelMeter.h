// The level of what korvo writes: the peak and the samples over full scale.
#pragma once

#include <cstddef>

class LevelMeter {
public:
    // `right` is null for a mono output.
    void add(const float* left, const float* right, std::size_t count);

    // The largest magnitude seen, 1.0 being full scale.
    float peak() const { return largest; }
    // The peak in dB relative to full scale; -infinity for silence.
    double peakDbfs() const;
    // Samples (of either channel) whose magnitude is above full scale.
    long long overs() const { return over; }
    // Samples that are not numbers or are infinite; the peak leaves them out.
    long long notFinite() const { return invalid; }

private:
    float largest = 0.0f;
    long long over = 0;
    long long invalid = 0;
};
