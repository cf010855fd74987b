// The equaliser written out again, step by step from its documented formulas
// and constants, for the tests to hold the effect against bit for bit. It
// shares no code with the effect: a slip in the effect's design, mapping or
// filtering shows up as a difference.
#pragma once

class ReferenceEqualiser {
public:
    // Bands designed at rate (Hz), as the host announced it; histories zero.
    explicit ReferenceEqualiser(double rate = 44100.0);

    // Redesigns the four bands from the ten parameter values, each within
    // 0..1. The histories are kept, as the effect keeps them.
    void setValues(const float (&values)[10]);

    // Filters frames samples of both channels in place: the active bands in
    // series, low shelf, band A, band B, high shelf.
    void process(float* left, float* right, int frames);

private:
    struct Band {
        float b0, b1, b2, a1, a2;
        bool active;
        float left[4], right[4];  // y1, y2, x1, x2
    };
    double rate;
    Band bands[4];
};
