#include "tools/ResponseMeter.h"

#include <fftw3.h>

#include <cmath>

MeasuredResponse measureResponse(PluginHost& host, double sampleRate, int points)
{
    // About a second of impulse response: enough for the lowest shelf to ring
    // out, and bins well under 1 Hz apart.
    int length = 1;
    while (length < sampleRate) {
        length *= 2;
    }
    const int block = 512;
    std::vector<float> left(static_cast<std::size_t>(length), 0.0f), right(static_cast<std::size_t>(length), 0.0f);
    left[0] = right[0] = 1.0f;
    std::vector<float> outLeft(left.size()), outRight(right.size());

    host.start(sampleRate, block);
    for (int done = 0; done < length; done += block) {
        float* ins[2] = {left.data() + done, right.data() + done};
        float* outs[2] = {outLeft.data() + done, outRight.data() + done};
        host.process(ins, outs, std::min(block, length - done));
    }
    host.stop();

    const int bins = length / 2 + 1;
    fftwf_complex* spectrum = fftwf_alloc_complex(static_cast<std::size_t>(bins));
    float* input = fftwf_alloc_real(static_cast<std::size_t>(length));
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(length, input, spectrum, FFTW_ESTIMATE);
    std::copy(outLeft.begin(), outLeft.end(), input);
    fftwf_execute(plan);
    std::vector<double> magnitude(static_cast<std::size_t>(bins));
    for (int k = 0; k < bins; ++k) {
        magnitude[static_cast<std::size_t>(k)] = std::hypot(spectrum[k][0], spectrum[k][1]);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(input);
    fftwf_free(spectrum);

    const double low = 20.0, high = std::fmin(20000.0, 0.49 * sampleRate);
    const double binWidth = sampleRate / length;
    MeasuredResponse measured;
    std::vector<ResponsePoint>& response = measured.points;
    response.reserve(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) {
        const double f = low * std::pow(high / low, static_cast<double>(i) / (points - 1));
        const double position = f / binWidth;
        const std::size_t k = static_cast<std::size_t>(position);
        const double frac = position - static_cast<double>(k);
        const double m = k + 1 < magnitude.size() ? magnitude[k] * (1.0 - frac) + magnitude[k + 1] * frac
                                                  : magnitude.back();
        response.push_back(ResponsePoint{f, 20.0 * std::log10(std::fmax(m, 1e-12))});
    }

    std::size_t highest = 0, lowest = 0;
    for (std::size_t k = static_cast<std::size_t>(std::ceil(low / binWidth)); static_cast<double>(k) * binWidth <= high; ++k) {
        if (highest == 0 || magnitude[k] > magnitude[highest]) highest = k;
        if (lowest == 0 || magnitude[k] < magnitude[lowest]) lowest = k;
    }
    const auto atBin = [&](std::size_t k) {
        return ResponsePoint{static_cast<double>(k) * binWidth, 20.0 * std::log10(std::fmax(magnitude[k], 1e-12))};
    };
    measured.peak = atBin(highest);
    measured.dip = atBin(lowest);
    return measured;
}
