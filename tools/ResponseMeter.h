// Measures a plug-in's magnitude response the way an engineer would: an impulse
// through the effect at a given rate, and the spectrum of what comes out.
#pragma once

#include <vector>

#include "tools/PluginHost.h"
#include "tools/ResponsePlot.h"

struct MeasuredResponse {
    std::vector<ResponsePoint> points;  // evenly spaced on a log scale
    ResponsePoint peak;                 // the highest and lowest bins of the whole
    ResponsePoint dip;                  // spectrum within the plotted range
};

// The response of the host's effect, which must be loaded and not yet started,
// at `points` frequencies spaced evenly on a log scale from 20 Hz to 20 kHz (or
// just below half the rate).
MeasuredResponse measureResponse(PluginHost& host, double sampleRate, int points = 600);
