// Draws a measured magnitude response: an SVG plot with a log-frequency axis, a
// decibel axis, the curve and a marker for each band, and a plain CSV of the points.
// Numbers are written with std::to_chars, so no locale can change them.
#pragma once

#include <string>
#include <vector>

struct ResponsePoint {
    double frequency;  // Hz; the points come in ascending frequency
    double db;
};

struct BandMarker {
    std::string label;  // e.g. "MID A"
    double frequency;   // Hz
    double gainDb;
    double q;
    bool active;  // an inactive band is drawn hollow and grey
    bool hasQ;    // the shelves have no Q of their own
};

struct PlotOptions {
    std::string title;  // e.g. "Korvo-EQ at 48000 Hz: LS 290 Hz +6.0 dB, ..."
    double minFrequency = 20.0, maxFrequency = 20000.0;
    double minDb = -24.0, maxDb = 24.0;  // widened in 6 dB steps to fit the data, never past +-60 dB
    int width = 960, height = 540;
};

// A self-contained SVG 1.1 document. Points outside the frequency range are left
// out, decibels beyond the (widened) range are drawn at its edge, and a point less
// than a fifth of a pixel from the last one drawn is merged into it. Elements a tool
// may look for: polyline id="response", grid lines id="grid-hz-1000",
// id="grid-db-0", id="grid-db-6", id="grid-db-n6", band groups id="band-0"...
std::string renderResponseSvg(const std::vector<ResponsePoint>& points, const std::vector<BandMarker>& bands,
                              const PlotOptions& options);

// "frequency_hz,magnitude_db", then one line per point: 3 decimals for hertz, 4 for decibels.
std::string renderResponseCsv(const std::vector<ResponsePoint>& points);
