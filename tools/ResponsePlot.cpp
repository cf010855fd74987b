#include "tools/ResponsePlot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace {

constexpr double kDbStep = 6.0;
constexpr double kDbLimit = 60.0;
const char* const kBandColours[] = {"#1f6fd1", "#e07b00", "#2e9e44", "#8e44ad"};
const char* const kInactiveColour = "#9a9a9a";

// Fixed-point text of a value; never locale-dependent and never "-0.00".
std::string fixed(double value, int decimals)
{
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string escapeXml(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// "20", "500", "1k", "20k"; fractions keep one decimal.
std::string frequencyTick(double hz)
{
    const double shown = hz >= 1000.0 ? hz / 1000.0 : hz;
    const bool whole = std::fabs(shown - std::round(shown)) < 1e-9;
    return fixed(shown, whole ? 0 : 1) + (hz >= 1000.0 ? "k" : "");
}

std::string frequencyText(double hz)
{
    if (std::round(hz) >= 1000.0) {
        return fixed(hz / 1000.0, 2) + " kHz";
    }
    return fixed(hz, hz < 100.0 ? 1 : 0) + " Hz";
}

std::string gainText(double db)
{
    const std::string text = fixed(db, 1);
    return (db > 0.0 && text != "0.0" ? "+" : "") + text + " dB";
}

// An estimate of the rendered width of sans-serif text, wide enough for the usual fonts.
double textWidth(const std::string& text, double fontSize)
{
    double em = 0.0;
    for (unsigned char c : text) {
        if (c >= 'A' && c <= 'Z') em += 0.70;
        else if (c >= '0' && c <= '9') em += 0.64;
        else if (c == ' ' || c == '.' || c == ',' || c == ':') em += 0.33;
        else if ((c & 0xC0) != 0x80) em += 0.58;  // not a UTF-8 continuation byte
    }
    return em * fontSize;
}

struct Box {
    double x0, y0, x1, y1;
    bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

}  // namespace

std::string renderResponseSvg(const std::vector<ResponsePoint>& points, const std::vector<BandMarker>& bands,
                              const PlotOptions& options)
{
    // Ranges, guarded against nonsense options.
    double fMin = options.minFrequency, fMax = options.maxFrequency;
    if (!(fMin > 0.0 && fMax > fMin && fMax / fMin <= 1e8)) {
        fMin = 20.0;
        fMax = 20000.0;
    }
    double lo = options.minDb, hi = options.maxDb;
    if (!(std::isfinite(lo) && std::isfinite(hi) && hi > lo)) {
        lo = -24.0;
        hi = 24.0;
    }
    auto widen = [&](double db) {
        while (db > hi && hi < kDbLimit) hi = std::min(hi + kDbStep, kDbLimit);
        while (db < lo && lo > -kDbLimit) lo = std::max(lo - kDbStep, -kDbLimit);
    };
    for (const ResponsePoint& p : points) {
        if (p.frequency >= fMin && p.frequency <= fMax && !std::isnan(p.db)) widen(p.db);
    }
    for (const BandMarker& b : bands) {
        if (std::isfinite(b.gainDb)) widen(b.gainDb);
    }

    // Layout: the plot area and the two mappings.
    const double width = std::max(options.width, 320), height = std::max(options.height, 200);
    const double left = 76.0, right = width - 28.0, top = 60.0, bottom = height - 64.0;
    const double logSpan = std::log(fMax / fMin);
    auto xOf = [&](double hz) { return left + (right - left) * std::log(hz / fMin) / logSpan; };
    auto yOf = [&](double db) { return top + (bottom - top) * (hi - std::clamp(db, lo, hi)) / (hi - lo); };
    auto n = [](double v) { return fixed(v, 2); };

    const std::string w = fixed(width, 0), h = fixed(height, 0);
    std::string svg;
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h + "\" font-family=\"sans-serif\">\n";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
    svg += "<rect x=\"" + n(left) + "\" y=\"" + n(top) + "\" width=\"" + n(right - left) + "\" height=\"" +
           n(bottom - top) + "\" fill=\"#fafbfc\" stroke=\"#c8ccd2\"/>\n";
    const double titleSize = std::clamp((right - left) / (1.1 * textWidth(options.title, 1.0) + 1e-9), 10.0, 18.0);
    svg += "<text x=\"" + n(left) + "\" y=\"34\" font-size=\"" + fixed(titleSize, 1) +
           "\" font-weight=\"bold\" fill=\"#222222\">" + escapeXml(options.title) + "</text>\n";

    // Frequency grid: 1-2-5 lines labelled, the other integers of each decade faint.
    svg += "<g id=\"frequency-grid\" font-size=\"12\" fill=\"#555555\" text-anchor=\"middle\">\n";
    for (int e = static_cast<int>(std::floor(std::log10(fMin))); std::pow(10.0, e) <= fMax; ++e) {
        for (int m = 1; m <= 9; ++m) {
            const double hz = m * std::pow(10.0, e);
            if (hz < fMin * (1.0 - 1e-9) || hz > fMax * (1.0 + 1e-9)) continue;
            const bool major = m == 1 || m == 2 || m == 5;
            const std::string x = n(xOf(hz));
            svg += "<line id=\"grid-hz-" + fixed(hz, hz < 10.0 ? 1 : 0) + "\" x1=\"" + x + "\" y1=\"" + n(top) +
                   "\" x2=\"" + x + "\" y2=\"" + n(bottom) + "\" stroke=\"" + (major ? "#d3d7dd" : "#ebedf0") +
                   "\" stroke-width=\"1\"/>\n";
            if (major) {
                svg += "<text x=\"" + x + "\" y=\"" + n(bottom + 20.0) + "\">" + frequencyTick(hz) + "</text>\n";
            }
        }
    }
    svg += "</g>\n";

    // Decibel grid every 6 dB, 0 dB emphasised.
    svg += "<g id=\"gain-grid\" font-size=\"12\" fill=\"#555555\" text-anchor=\"end\">\n";
    for (int k = static_cast<int>(std::ceil(lo / kDbStep - 1e-9)); k * kDbStep <= hi + 1e-9; ++k) {
        const int db = k * static_cast<int>(kDbStep);
        const std::string y = n(yOf(db));
        const std::string id = db < 0 ? "n" + std::to_string(-db) : std::to_string(db);
        const char* stroke = db == 0 ? "#6b7280\" stroke-width=\"1.5" : "#d3d7dd\" stroke-width=\"1";
        svg += "<line id=\"grid-db-" + id + "\" x1=\"" + n(left) + "\" y1=\"" + y + "\" x2=\"" + n(right) +
               "\" y2=\"" + y + "\" stroke=\"" + stroke + "\"/>\n";
        svg += "<text x=\"" + n(left - 8.0) + "\" y=\"" + n(yOf(db) + 4.0) + "\"" +
               (db == 0 ? " font-weight=\"bold\" fill=\"#333333\"" : "") + ">" + (db > 0 ? "+" : "") +
               std::to_string(db) + "</text>\n";
    }
    svg += "</g>\n";

    // Axis titles.
    const std::string midY = n((top + bottom) / 2.0);
    svg += "<text x=\"" + n((left + right) / 2.0) + "\" y=\"" + n(height - 18.0) +
           "\" font-size=\"13\" fill=\"#333333\" text-anchor=\"middle\">Frequency (Hz)</text>\n";
    svg += "<text x=\"24\" y=\"" + midY + "\" transform=\"rotate(-90 24 " + midY +
           ")\" font-size=\"13\" fill=\"#333333\" text-anchor=\"middle\">Gain (dB)</text>\n";

    // The curve; points that move less than a fifth of a pixel from the last one kept are merged.
    std::vector<std::pair<double, double>> curve;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ResponsePoint& p = points[i];
        if (!(p.frequency >= fMin && p.frequency <= fMax) || std::isnan(p.db)) continue;
        const double x = xOf(p.frequency), y = yOf(p.db);
        const bool last = i + 1 == points.size() || !(points[i + 1].frequency <= fMax);
        if (curve.empty() || last || std::fabs(x - curve.back().first) >= 0.2 ||
            std::fabs(y - curve.back().second) >= 0.2) {
            curve.emplace_back(x, y);
        }
    }
    std::string coords;
    for (const auto& [x, y] : curve) coords += (coords.empty() ? "" : " ") + n(x) + "," + n(y);
    if (curve.size() >= 2) {
        const std::string zero = n(yOf(0.0));
        svg += "<polygon id=\"response-fill\" points=\"" + coords + " " + n(curve.back().first) + "," + zero + " " +
               n(curve.front().first) + "," + zero + "\" fill=\"#1f6fd1\" fill-opacity=\"0.08\" stroke=\"none\"/>\n";
    }
    svg += "<polyline id=\"response\" points=\"" + coords +
           "\" fill=\"none\" stroke=\"#17324d\" stroke-width=\"2.5\" stroke-linejoin=\"round\" "
           "stroke-linecap=\"round\"/>\n";

    // Band markers: a dot at frequency and gain, its label placed clear of the others.
    std::vector<Box> taken;
    std::string leaders, markers;  // leaders go beneath every label
    for (const BandMarker& b : bands) {
        if (std::isfinite(b.frequency) && std::isfinite(b.gainDb)) {
            const double cx = xOf(std::clamp(b.frequency, fMin, fMax)), cy = yOf(b.gainDb);
            taken.push_back({cx - 7.0, cy - 7.0, cx + 7.0, cy + 7.0});
        }
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const BandMarker& b = bands[i];
        if (!std::isfinite(b.frequency) || !std::isfinite(b.gainDb)) continue;
        const double cx = xOf(std::clamp(b.frequency, fMin, fMax)), cy = yOf(b.gainDb);
        const std::string colour = b.active ? kBandColours[i % 4] : kInactiveColour;
        std::string text = b.label + " " + frequencyText(b.frequency) + " " + gainText(b.gainDb);
        if (b.hasQ) text += " Q " + fixed(b.q, 2);
        if (!b.active) text += " (off)";

        // Candidate places: above or below the dot (above for a boost), further out step by
        // step, or beside it; the first clear of the plot edge, other labels, dots and the curve.
        const double boxW = textWidth(text, 12.0) + 14.0, boxH = 18.0;
        const double side = b.gainDb >= 0.0 ? -1.0 : 1.0;
        auto candidate = [&](int level, int placement) {
            const double sign = level > 0 ? side : -side, dy = (std::abs(level) - 1) * (boxH + 4.0);
            double x0 = cx - boxW / 2.0, centre = cy + sign * (boxH / 2.0 + 10.0 + dy);
            if (placement != 0) {
                x0 = placement > 0 ? cx + 10.0 : cx - 10.0 - boxW;
                centre = cy + sign * dy;
            }
            x0 = std::clamp(x0, left + 3.0, std::max(left + 3.0, right - 3.0 - boxW));
            return Box{x0, centre - boxH / 2.0, x0 + boxW, centre + boxH / 2.0};
        };
        auto crossesCurve = [&](const Box& box) {
            for (std::size_t k = 0; k + 1 < curve.size(); ++k) {
                const auto [xa, ya] = curve[k];
                const auto [xb, yb] = curve[k + 1];
                if (xb >= box.x0 && xa <= box.x1 && std::max(ya, yb) >= box.y0 && std::min(ya, yb) <= box.y1) {
                    return true;
                }
            }
            return false;
        };
        std::vector<Box> candidates;
        for (int distance = 1; distance <= 5; ++distance) {
            for (int placement : {0, 1, -1}) {
                candidates.push_back(candidate(distance, placement));
                candidates.push_back(candidate(-distance, placement));
            }
        }
        Box chosen = candidates.front();
        bool found = false;
        for (int pass = 0; pass < 2 && !found; ++pass) {
            for (const Box& box : candidates) {
                const bool clear =
                    box.y0 >= top + 3.0 && box.y1 <= bottom - 3.0 &&
                    std::none_of(taken.begin(), taken.end(), [&](const Box& t) { return t.overlaps(box); });
                if (clear && (pass == 1 || !crossesCurve(box))) {
                    chosen = box;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {  // keep the first choice, moved inside the plot
            const double shift = std::clamp(chosen.y0, top + 3.0, bottom - 3.0 - boxH) - chosen.y0;
            chosen.y0 += shift;
            chosen.y1 += shift;
        }
        taken.push_back(chosen);

        const double nearX = std::clamp(cx, chosen.x0, chosen.x1), nearY = std::clamp(cy, chosen.y0, chosen.y1);
        if (std::hypot(nearX - cx, nearY - cy) > 14.0) {
            leaders += "<line x1=\"" + n(cx) + "\" y1=\"" + n(cy) + "\" x2=\"" + n(nearX) + "\" y2=\"" + n(nearY) +
                   "\" stroke=\"" + colour + "\" stroke-width=\"1\" stroke-opacity=\"0.7\"/>\n";
        }
        markers += "<g id=\"band-" + std::to_string(i) + "\" class=\"" +
                   (b.active ? "band active" : "band inactive") + "\">\n";
        markers += "<rect x=\"" + n(chosen.x0) + "\" y=\"" + n(chosen.y0) + "\" width=\"" + n(boxW) + "\" height=\"" +
               n(boxH) + "\" rx=\"4\" fill=\"#ffffff\" fill-opacity=\"0.9\" stroke=\"" + colour + "\"/>\n";
        markers += "<circle cx=\"" + n(cx) + "\" cy=\"" + n(cy) + "\" r=\"5.5\" fill=\"" +
               (b.active ? colour : std::string("#ffffff")) + "\" stroke=\"" + (b.active ? "#ffffff" : colour) +
               "\" stroke-width=\"2\"/>\n";
        markers += "<text x=\"" + n(chosen.x0 + boxW / 2.0) + "\" y=\"" + n(chosen.y1 - 5.0) +
               "\" font-size=\"12\" text-anchor=\"middle\" fill=\"" + (b.active ? colour : kInactiveColour) + "\">" +
               escapeXml(text) + "</text>\n";
        markers += "</g>\n";
    }
    svg += leaders + markers + "</svg>\n";
    return svg;
}

std::string renderResponseCsv(const std::vector<ResponsePoint>& points)
{
    std::string csv = "frequency_hz,magnitude_db\n";
    for (const ResponsePoint& p : points) {
        csv += fixed(p.frequency, 3) + "," + fixed(p.db, 4) + "\n";
    }
    return csv;
}
