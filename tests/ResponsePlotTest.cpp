#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <locale>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/ResponsePlot.h"

namespace {

double number(const std::string& text)
{
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << "not a number: " << text;
    return value;
}

// An attribute of the element carrying id="<id>", or of the first <tag> inside it.
std::string attribute(const std::string& svg, const std::string& id, const std::string& name,
                      const std::string& tag = "")
{
    const std::size_t found = svg.find("id=\"" + id + "\"");
    if (found == std::string::npos) return "";
    const std::size_t start = tag.empty() ? svg.rfind('<', found) : svg.find("<" + tag + " ", found);
    const std::size_t end = svg.find('>', start);
    const std::size_t at = svg.find(" " + name + "=\"", start);
    if (start == std::string::npos || at == std::string::npos || at > end) return "";
    const std::size_t from = at + name.size() + 3;
    return svg.substr(from, svg.find('"', from) - from);
}

double at(const std::string& svg, const std::string& id, const std::string& name, const std::string& tag = "")
{
    return number(attribute(svg, id, name, tag));
}

std::vector<std::pair<double, double>> curve(const std::string& svg)
{
    std::vector<std::pair<double, double>> xy;
    std::istringstream pairs(attribute(svg, "response", "points"));
    for (std::string pair; pairs >> pair;) {
        const std::size_t comma = pair.find(',');
        xy.emplace_back(number(pair.substr(0, comma)), number(pair.substr(comma + 1)));
    }
    return xy;
}

// Every start tag closed, nothing closed twice, every '&' an entity.
bool balanced(const std::string& svg)
{
    int depth = 0;
    for (std::size_t i = svg.find('<'); i != std::string::npos; i = svg.find('<', i + 1)) {
        const std::size_t close = svg.find('>', i);
        if (close == std::string::npos) return false;
        if (svg[i + 1] == '/') --depth;
        else if (svg[close - 1] != '/') ++depth;
        if (depth < 0) return false;
    }
    return depth == 0 && !std::regex_search(svg, std::regex("&(?!(amp|lt|gt|quot|apos);)"));
}

const std::vector<BandMarker> kBandsShown = {{"LOW SHELF", 290.0, 6.0, 0.5, true, false},
    {"MID A", 1000.0, 12.0, 0.7, true, true}, {"MID B", 5000.0, -8.0, 0.5, true, true},
    {"HIGH SHELF", 10000.0, 0.0, 0.5, false, false}};

TEST(ResponseSvg, IsACompleteDocumentWithGridAndAxes)
{
    PlotOptions options;
    options.title = "Korvo-EQ at 48000 Hz";
    const std::string svg = renderResponseSvg({{20.0, 0.0}, {1000.0, 12.0}, {20000.0, 0.0}}, kBandsShown, options);
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
    EXPECT_EQ(svg.substr(svg.find_last_not_of(" \n") - 5, 6), "</svg>");
    EXPECT_NE(svg.find("viewBox=\"0 0 960 540\""), std::string::npos);
    EXPECT_TRUE(balanced(svg));
    for (const char* text : {">Korvo-EQ at 48000 Hz<", ">Frequency (Hz)<", ">Gain (dB)<", ">20<", ">50<", ">100<",
                             ">200<", ">500<", ">1k<", ">2k<", ">5k<", ">10k<", ">20k<", ">+24<", ">0<", ">-24<",
                             ">MID A 1.00 kHz +12.0 dB Q 0.70<", ">LOW SHELF 290 Hz +6.0 dB<"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    EXPECT_NE(svg.find("id=\"grid-hz-30\""), std::string::npos);  // minor lines are drawn, not labelled
    EXPECT_EQ(svg.find(">30<"), std::string::npos);
    EXPECT_EQ(svg.find("id=\"grid-db-3\""), std::string::npos);
    EXPECT_EQ(svg.find("<polyline"), svg.rfind("<polyline"));
}

TEST(ResponseSvg, MapsFrequencyLogarithmicallyAndDecibelsLinearly)
{
    const std::string svg = renderResponseSvg(
        {{20.0, 0.0}, {200.0, 6.0}, {1000.0, -12.0}, {2000.0, 0.0}, {20000.0, 24.0}}, kBandsShown, PlotOptions{});
    const auto xy = curve(svg);
    ASSERT_EQ(xy.size(), 5u);
    EXPECT_NEAR(xy[0].first, at(svg, "grid-hz-20", "x1"), 0.01);
    EXPECT_NEAR(xy[2].first, at(svg, "grid-hz-1000", "x1"), 0.01);
    EXPECT_NEAR(xy[4].first, at(svg, "grid-hz-20000", "x1"), 0.01);
    EXPECT_NEAR(xy[1].first - xy[0].first, xy[3].first - xy[1].first, 0.02);
    EXPECT_NEAR(xy[0].second, at(svg, "grid-db-0", "y1"), 0.01);
    EXPECT_NEAR(xy[1].second, at(svg, "grid-db-6", "y1"), 0.01);
    EXPECT_NEAR(xy[2].second, at(svg, "grid-db-n12", "y1"), 0.01);
    EXPECT_NEAR(xy[4].second, at(svg, "grid-db-24", "y1"), 0.01);
    // The MID A dot sits at 1 kHz, +12 dB; MID B at 5 kHz, -8 dB, a third of the way from -6 to -12 dB.
    EXPECT_NEAR(at(svg, "band-1", "cx", "circle"), at(svg, "grid-hz-1000", "x1"), 0.01);
    EXPECT_NEAR(at(svg, "band-1", "cy", "circle"), at(svg, "grid-db-12", "y1"), 0.01);
    EXPECT_NEAR(at(svg, "band-2", "cx", "circle"), at(svg, "grid-hz-5000", "x1"), 0.01);
    const double minus6 = at(svg, "grid-db-n6", "y1"), minus12 = at(svg, "grid-db-n12", "y1");
    EXPECT_NEAR(at(svg, "band-2", "cy", "circle"), minus6 + (minus12 - minus6) / 3.0, 0.01);
}

TEST(ResponseSvg, DropsPointsOutsideTheFrequencyRangeAndClampsExtremes)
{
    const std::vector<ResponsePoint> points = {{0.0, 0.0}, {10.0, 0.0}, {100.0, 100.0},
                                               {1000.0, NAN}, {2000.0, -100.0}, {30000.0, 0.0}};
    const std::string svg = renderResponseSvg(points, {}, PlotOptions{});
    const auto xy = curve(svg);
    ASSERT_EQ(xy.size(), 2u);
    EXPECT_NEAR(xy[0].second, at(svg, "grid-db-60", "y1"), 0.01);
    EXPECT_NEAR(xy[1].second, at(svg, "grid-db-n60", "y1"), 0.01);
    EXPECT_EQ(svg.find("grid-db-66"), std::string::npos);
}

TEST(ResponseSvg, WidensTheDecibelRangeInSixDecibelSteps)
{
    const std::string svg = renderResponseSvg({{100.0, -3.0}, {1000.0, 30.0}, {5000.0, -25.0}}, {}, PlotOptions{});
    for (const char* id : {"grid-db-30", "grid-db-n30"}) EXPECT_NE(svg.find(id), std::string::npos) << id;
    for (const char* id : {"grid-db-36", "grid-db-n36"}) EXPECT_EQ(svg.find(id), std::string::npos) << id;
    EXPECT_NEAR(curve(svg)[1].second, at(svg, "grid-db-30", "y1"), 0.01);

    const std::string cut = renderResponseSvg({}, {{"MID B", 5000.0, -40.0, 1.0, true, true}}, PlotOptions{});
    EXPECT_NE(cut.find("grid-db-n42"), std::string::npos);  // a band's own gain widens the range too
    EXPECT_EQ(cut.find("grid-db-n48"), std::string::npos);
}

TEST(ResponseSvg, EscapesTextAndDimsInactiveBands)
{
    PlotOptions options;
    options.title = "Bass <&> \"Treble\" 'x'";
    std::vector<BandMarker> bands = {{"A<B&C", 1000.0, 0.0, 0.7, true, true}};
    const std::string active = renderResponseSvg({{1000.0, 0.0}}, bands, options);
    EXPECT_TRUE(balanced(active));
    EXPECT_NE(active.find("Bass &lt;&amp;&gt; &quot;Treble&quot; &apos;x&apos;"), std::string::npos);
    EXPECT_NE(active.find("A&lt;B&amp;C 1.00 kHz 0.0 dB Q 0.70"), std::string::npos);
    EXPECT_EQ(active.find("<&>"), std::string::npos);

    bands[0].active = false;
    const std::string inactive = renderResponseSvg({{1000.0, 0.0}}, bands, options);
    EXPECT_NE(attribute(active, "band-0", "fill", "circle"), attribute(inactive, "band-0", "fill", "circle"));
    EXPECT_NE(attribute(active, "band-0", "fill", "text"), attribute(inactive, "band-0", "fill", "text"));
}

// A locale with a decimal comma, in C++ streams and, where installed, in the C library.
struct DecimalComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(ResponseCsv, HasTheHeaderAndOneParseableLinePerPointInAnyLocale)
{
    const std::vector<ResponsePoint> points = {
        {0.0, -0.00001}, {23.4375, 5.98765}, {1234.56789, -12.345678}, {24000.0, 60.0}};
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
    const std::string previousC = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"}) {
        if (std::setlocale(LC_ALL, name)) break;
    }
    const std::string csv = renderResponseCsv(points);
    const std::string svg = renderResponseSvg(points, {}, PlotOptions{});
    std::setlocale(LC_ALL, previousC.c_str());
    std::locale::global(previous);

    std::istringstream lines(csv);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "frequency_hz,magnitude_db");
    for (const ResponsePoint& p : points) {
        ASSERT_TRUE(std::getline(lines, line));
        const std::size_t comma = line.find(',');
        ASSERT_EQ(comma, line.rfind(',')) << line;
        EXPECT_NEAR(number(line.substr(0, comma)), p.frequency, 0.0005);
        EXPECT_NEAR(number(line.substr(comma + 1)), p.db, 0.00005);
    }
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_EQ(curve(svg).size(), 2u);  // the coordinates still read back as numbers
}

}  // namespace
