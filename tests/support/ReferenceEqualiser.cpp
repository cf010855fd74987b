#include "tests/support/ReferenceEqualiser.h"

#include <cmath>

namespace {

enum Shape { Peak, Low, High };

// v x scale + offset, the product rounded first, no higher than 0.46 of the rate.
float frequency(float v, float scale, float offset, double rate)
{
    const float hz = v * scale + offset;
    const float limit = static_cast<float>(0.46 * rate);
    return hz > limit ? limit : hz;
}

float gain(float v) { return (v - 0.5f) * 40.0f; }

// A band outside the dead zone of its gain value runs.
bool active(float v) { return std::fabs(v - 0.5f) > 0.037f; }

// The cookbook biquad, every step rounded to float except w0.
void design(float (&c)[5], Shape shape, double rate, float hz, float q, float dB)
{
    const float A = static_cast<float>(std::pow(10.0, static_cast<double>(dB * 0.025f)));
    const double w0 = static_cast<double>(hz) / rate * 6.2831853076;
    const float sn = static_cast<float>(std::sin(w0));
    const float cs = static_cast<float>(std::cos(w0));
    const float alpha = sn / (2.0f * q);
    const float sqrtAq = std::sqrt(A) / q;
    const float beta = sqrtAq * sn;
    float b0, b1, b2, a0, a1, a2;
    if (shape == Peak) {
        b0 = 1.0f + alpha * A;
        b1 = -2.0f * cs;
        b2 = 1.0f - alpha * A;
        a0 = 1.0f + alpha / A;
        a1 = -2.0f * cs;
        a2 = 1.0f - alpha / A;
    } else if (shape == Low) {
        b0 = A * ((A + 1.0f) - (A - 1.0f) * cs + beta);
        b1 = 2.0f * A * ((A - 1.0f) - (A + 1.0f) * cs);
        b2 = A * ((A + 1.0f) - (A - 1.0f) * cs - beta);
        a0 = (A + 1.0f) + (A - 1.0f) * cs + beta;
        a1 = -2.0f * ((A - 1.0f) + (A + 1.0f) * cs);
        a2 = (A + 1.0f) + (A - 1.0f) * cs - beta;
    } else {
        b0 = A * ((A + 1.0f) + (A - 1.0f) * cs + beta);
        b1 = -2.0f * A * ((A - 1.0f) + (A + 1.0f) * cs);
        b2 = A * ((A + 1.0f) + (A - 1.0f) * cs - beta);
        a0 = (A + 1.0f) - (A - 1.0f) * cs + beta;
        a1 = 2.0f * ((A - 1.0f) - (A + 1.0f) * cs);
        a2 = (A + 1.0f) - (A - 1.0f) * cs - beta;
    }
    const float r = 1.0f / a0;
    c[0] = b0 * r;
    c[1] = b1 * r;
    c[2] = b2 * r;
    c[3] = a1 * r;
    c[4] = a2 * r;
}

}  // namespace

ReferenceEqualiser::ReferenceEqualiser(double designRate) : rate(designRate), bands{} {}

void ReferenceEqualiser::setValues(const float (&v)[10])
{
    float c[4][5];
    design(c[0], Low, rate, frequency(v[0], 500.0f, 40.0f, rate), 0.5f, gain(v[1]));
    design(c[1], Peak, rate, frequency(v[2], 20000.0f, 100.0f, rate), v[4] + 0.001f, gain(v[3]));
    design(c[2], Peak, rate, frequency(v[5], 20000.0f, 100.0f, rate), v[7] + 0.001f, gain(v[6]));
    design(c[3], High, rate, frequency(v[8], 10000.0f, 5000.0f, rate), 0.5f, gain(v[9]));
    const int gainValue[4] = {1, 3, 6, 9};
    for (int k = 0; k < 4; ++k) {
        Band& b = bands[k];
        b.b0 = c[k][0];
        b.b1 = c[k][1];
        b.b2 = c[k][2];
        b.a1 = c[k][3];
        b.a2 = c[k][4];
        b.active = active(v[gainValue[k]]);
    }
}

void ReferenceEqualiser::process(float* left, float* right, int frames)
{
    for (Band& b : bands) {
        if (!b.active) {
            continue;
        }
        float* l = b.left;
        float* r = b.right;
        for (int i = 0; i < frames; ++i) {
            // Direct Form I; the channels group the feed-forward sum differently.
            const float xl = left[i];
            const float yl = ((b.b1 * l[2] + b.b2 * l[3]) + b.b0 * xl) - b.a1 * l[0] - b.a2 * l[1];
            l[3] = l[2];
            l[2] = xl;
            l[1] = l[0];
            l[0] = yl;
            left[i] = yl;

            const float xr = right[i];
            const float yr = ((b.b1 * r[2] + b.b0 * xr) + b.b2 * r[3]) - b.a1 * r[0] - b.a2 * r[1];
            r[3] = r[2];
            r[2] = xr;
            r[1] = r[0];
            r[0] = yr;
            right[i] = yr;
        }
    }
}
