#include "eq/BandFilter.h"

#include <cmath>

namespace {

// Deliberately not the exact value of 2*pi: designs depend on this constant.
constexpr double kTwoPi = 6.2831853076;

// One Direct Form I step. The two channels use different (fixed) groupings of
// the feed-forward sum; every operation is rounded to float.
inline float stepLeft(const BandCoefficients& c, BandHistory& h, float x)
{
    const float y = ((c.b1 * h.x1 + c.b2 * h.x2) + c.b0 * x) - c.a1 * h.y1 - c.a2 * h.y2;
    h.x2 = h.x1;
    h.x1 = x;
    h.y2 = h.y1;
    h.y1 = y;
    return y;
}

inline float stepRight(const BandCoefficients& c, BandHistory& h, float x)
{
    const float y = ((c.b1 * h.x1 + c.b0 * x) + c.b2 * h.x2) - c.a1 * h.y1 - c.a2 * h.y2;
    h.x2 = h.x1;
    h.x1 = x;
    h.y2 = h.y1;
    h.y1 = y;
    return y;
}

// One sample position: left first, then right, so that even aliased buffers
// see a fixed order.
inline void stepBoth(const BandCoefficients& c, BandHistory& l, BandHistory& r,
                     float* left, float* right, int32_t i)
{
    left[i] = stepLeft(c, l, left[i]);
    right[i] = stepRight(c, r, right[i]);
}

} // namespace

bool isFinite(const BandHistory& h)
{
    return std::isfinite(h.y1) && std::isfinite(h.y2) && std::isfinite(h.x1) && std::isfinite(h.x2);
}

BandFilter::BandFilter(BandType bandType)
    : b0(0.0f), b1(0.0f), b2(0.0f), a1(0.0f), a2(0.0f),
      leftHist{0.0f, 0.0f, 0.0f, 0.0f}, rightHist{0.0f, 0.0f, 0.0f, 0.0f},
      type(bandType), designRate(44100.0)
{
    design(2000.0f, 0.1f, 0.0f);
}

BandCoefficients BandFilter::makeDesign(BandType bandType, double rate,
                                        float frequency, float q, float gain)
{
    return designFrom(bandType, amplitudeOf(gain), angleOf(rate, frequency), q);
}

float BandFilter::amplitudeOf(float gain)
{
    // The power is taken in double and rounded; the exponent is a float product.
    return static_cast<float>(std::pow(10.0, static_cast<double>(gain * 0.025f)));
}

BandAngle BandFilter::angleOf(double rate, float frequency)
{
    // w0 stays in double up to the sine and cosine.
    const double w0 = static_cast<double>(frequency) / rate * kTwoPi;
    return BandAngle{static_cast<float>(std::sin(w0)), static_cast<float>(std::cos(w0))};
}

BandCoefficients BandFilter::designFrom(BandType bandType, float amplitude, BandAngle angle, float q)
{
    const float A = amplitude;
    const float sn = angle.sn;
    const float cs = angle.cs;

    // Each band type's quotients only: the divider is the slowest part of a
    // design, and a redesign on the audio thread waits for it.
    float nb0, nb1, nb2, na0, na1, na2;
    switch (bandType) {
    case LowShelf: {
        // sqrt(A) / q is a float quotient formed before the product.
        const float beta = std::sqrt(A) / q * sn;
        nb0 = A * ((A + 1.0f) - (A - 1.0f) * cs + beta);
        nb1 = 2.0f * A * ((A - 1.0f) - (A + 1.0f) * cs);
        nb2 = A * ((A + 1.0f) - (A - 1.0f) * cs - beta);
        na0 = (A + 1.0f) + (A - 1.0f) * cs + beta;
        na1 = -2.0f * ((A - 1.0f) + (A + 1.0f) * cs);
        na2 = (A + 1.0f) + (A - 1.0f) * cs - beta;
        break;
    }
    case HighShelf: {
        const float beta = std::sqrt(A) / q * sn;
        nb0 = A * ((A + 1.0f) + (A - 1.0f) * cs + beta);
        nb1 = -2.0f * A * ((A - 1.0f) + (A + 1.0f) * cs);
        nb2 = A * ((A + 1.0f) + (A - 1.0f) * cs - beta);
        na0 = (A + 1.0f) - (A - 1.0f) * cs + beta;
        na1 = 2.0f * ((A - 1.0f) - (A + 1.0f) * cs);
        na2 = (A + 1.0f) - (A - 1.0f) * cs - beta;
        break;
    }
    case Peaking:
    default: {
        const float alpha = sn / (2.0f * q);
        nb0 = 1.0f + alpha * A;
        nb1 = -2.0f * cs;
        nb2 = 1.0f - alpha * A;
        na0 = 1.0f + alpha / A;
        na1 = -2.0f * cs;
        na2 = 1.0f - alpha / A;
        break;
    }
    }

    const float r = 1.0f / na0;
    return BandCoefficients{nb0 * r, nb1 * r, nb2 * r, na1 * r, na2 * r};
}

void BandFilter::design(float frequency, float q, float gain)
{
    setCoefficients(makeDesign(type, designRate, frequency, q, gain));
}

void BandFilter::processBlock(int32_t frameCount, float* left, float* right)
{
    processBlockWith(coefficients(), leftHist, rightHist, frameCount, left, right);
}

void BandFilter::processBlockWith(const BandCoefficients& c, BandHistory& leftHistory,
                                  BandHistory& rightHistory, int32_t frameCount,
                                  float* left, float* right)
{
    if (frameCount <= 0)
        return;

    // Work on local copies so the loop keeps everything in registers; the
    // coefficients are read once per block.
    const BandCoefficients k = c;
    BandHistory l = leftHistory;
    BandHistory r = rightHistory;

    const int32_t grouped = frameCount - frameCount % 4;
    int32_t i = 0;
    for (; i < grouped; i += 4) {
        stepBoth(k, l, r, left, right, i);
        stepBoth(k, l, r, left, right, i + 1);
        stepBoth(k, l, r, left, right, i + 2);
        stepBoth(k, l, r, left, right, i + 3);
    }
    for (; i < frameCount; ++i)
        stepBoth(k, l, r, left, right, i);

    leftHistory = l;
    rightHistory = r;
}

void BandFilter::setCoefficients(const BandCoefficients& c)
{
    b0 = c.b0;
    b1 = c.b1;
    b2 = c.b2;
    a1 = c.a1;
    a2 = c.a2;
}

BandCoefficients BandFilter::coefficients() const
{
    return BandCoefficients{b0, b1, b2, a1, a2};
}

void BandFilter::setDesignRate(double rate) { designRate = rate; }

double BandFilter::getDesignRate() const { return designRate; }

BandType BandFilter::getType() const { return type; }

const BandHistory& BandFilter::leftHistory() const { return leftHist; }

const BandHistory& BandFilter::rightHistory() const { return rightHist; }

void BandFilter::setHistory(const BandHistory& left, const BandHistory& right)
{
    leftHist = left;
    rightHist = right;
}

bool BandFilter::historyIsFinite() const
{
    return isFinite(leftHist) && isFinite(rightHist);
}

void BandFilter::clearHistory()
{
    leftHist = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
    rightHist = BandHistory{0.0f, 0.0f, 0.0f, 0.0f};
}
