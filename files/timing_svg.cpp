#include "files/timing_svg.h"

#include "files/raw_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Lumidraft::files {

namespace {

constexpr double width = 1000, height = 700;
// The trace, then the histogram below it, in picture pixels.
constexpr double plotLeft = 70, plotRight = 970, traceTop = 60, traceBottom = 380;
constexpr double histTop = 450, histBottom = 640;

// 1, 2 or 5 times a power of ten, at least `raw`.
double niceStep(double raw)
{
    if (!(raw > 0) || !std::isfinite(raw))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10.0 * power;
}

std::string number(double value, int decimals = 2)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void escapeInto(std::string& out, const std::string& text)
{
    for (const char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out.push_back(c);
        }
    }
}

void text(std::string& out, double x, double y, const std::string& content, const char* anchor = "start",
          const char* extra = "")
{
    out += "<text x=\"" + number(x, 1) + "\" y=\"" + number(y, 1) + "\" text-anchor=\"" + anchor + "\"" + extra + ">";
    escapeInto(out, content);
    out += "</text>\n";
}

void line(std::string& out, double x1, double y1, double x2, double y2, const char* style)
{
    out += "<line x1=\"" + number(x1, 1) + "\" y1=\"" + number(y1, 1) + "\" x2=\"" + number(x2, 1) + "\" y2=\"" +
           number(y2, 1) + "\" " + style + "/>\n";
}

} // namespace

std::string timingSvg(const std::vector<TimingPoint>& points, double periodMs, const std::string& title)
{
    const std::size_t n = points.size();
    double maxInterval = 0.0;
    for (const TimingPoint& p : points)
        if (std::isfinite(p.intervalMs))
            maxInterval = std::max(maxInterval, p.intervalMs);
    const double period = periodMs > 0 && std::isfinite(periodMs) ? periodMs : 0.0;
    const double top = std::max({2.0 * period, maxInterval, 1.0}) * 1.1;
    const double yStep = niceStep(top / 8);
    const double yMax = std::ceil(top / yStep) * yStep;

    auto xOf = [&](double i) { return plotLeft + (n > 1 ? i / (n - 1) : 0.5) * (plotRight - plotLeft); };
    auto yOf = [&](double ms) {
        const double clamped = std::clamp(std::isfinite(ms) ? ms : 0.0, 0.0, yMax);
        return traceBottom - clamped / yMax * (traceBottom - traceTop);
    };

    std::string out;
    out.reserve(4096 + n * 24);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width, 0) + "\" height=\"" +
           number(height, 0) + "\" viewBox=\"0 0 " + number(width, 0) + " " + number(height, 0) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    text(out, width / 2, 24, title.empty() ? "Frame intervals" : title, "middle", " font-size=\"14\"");

    // Trace axes and grid.
    text(out, plotLeft, traceTop - 10, "Interval of each flip (ms)");
    for (double v = 0; v <= yMax + yStep / 2; v += yStep) {
        line(out, plotLeft, yOf(v), plotRight, yOf(v), "stroke=\"#e4e4e4\"");
        text(out, plotLeft - 6, yOf(v) + 4, number(v, yStep < 1 ? 1 : 0), "end");
    }
    line(out, plotLeft, traceBottom, plotRight, traceBottom, "stroke=\"black\"");
    line(out, plotLeft, traceTop, plotLeft, traceBottom, "stroke=\"black\"");
    text(out, plotLeft, traceBottom + 16, "1", "middle");
    text(out, plotRight, traceBottom + 16, std::to_string(n), "middle");
    text(out, (plotLeft + plotRight) / 2, traceBottom + 30, "flip", "middle");

    // The intervals: a line through every flip, or, with more flips than pixel columns, each
    // column's lowest-to-highest stroke, so that no single long interval is hidden.
    const std::size_t columns = static_cast<std::size_t>(plotRight - plotLeft);
    if (n > 0 && n <= 2 * columns) {
        out += "<polyline fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1\" points=\"";
        for (std::size_t i = 0; i < n; ++i) {
            out += number(xOf(static_cast<double>(i)), 1) + "," + number(yOf(points[i].intervalMs), 1);
            out.push_back(' ');
        }
        out += "\"/>\n";
    } else if (n > 0) {
        out += "<path fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1\" d=\"";
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t from = c * n / columns, to = std::max(from + 1, (c + 1) * n / columns);
            double lo = points[from].intervalMs, hi = lo;
            for (std::size_t i = from; i < to; ++i) {
                lo = std::min(lo, points[i].intervalMs);
                hi = std::max(hi, points[i].intervalMs);
            }
            const double x = plotLeft + c + 0.5;
            out += "M" + number(x, 1) + " " + number(yOf(lo), 1) + "V" + number(yOf(hi) - 0.5, 1);
        }
        out += "\"/>\n";
    }

    // Missed refreshes: a red mark on each flip that missed, sized by how many.
    std::size_t missedFlips = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (points[i].missed <= 0)
            continue;
        ++missedFlips;
        const double r = std::min(2.5 + points[i].missed, 7.0);
        out += "<circle cx=\"" + number(xOf(static_cast<double>(i)), 1) + "\" cy=\"" +
               number(yOf(points[i].intervalMs), 1) + "\" r=\"" + number(r, 1) +
               "\" fill=\"none\" stroke=\"#d11\" stroke-width=\"1.5\"><title>flip " + std::to_string(i + 1) + ": " +
               std::to_string(points[i].missed) + " missed, " + number(points[i].intervalMs) + " ms</title></circle>\n";
    }
    // The refresh period over the trace, its label haloed so the trace does not hide it.
    if (period > 0) {
        line(out, plotLeft, yOf(period), plotRight, yOf(period),
             "stroke=\"#2a7d2a\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\"");
        text(out, plotRight - 4, yOf(period) - 7, "refresh period " + number(period) + " ms", "end",
             " fill=\"#2a7d2a\" stroke=\"white\" stroke-width=\"3\" paint-order=\"stroke\"");
    }
    text(out, plotRight, traceTop - 10, std::to_string(missedFlips) + " flips with missed refreshes (red)", "end",
         " fill=\"#d11\"");

    // Histogram over the same millisecond range as the trace.
    const double binWidth = niceStep(yMax / 150);
    const std::size_t bins = static_cast<std::size_t>(std::ceil(yMax / binWidth));
    std::vector<std::size_t> counts(bins, 0);
    for (const TimingPoint& p : points) {
        if (!std::isfinite(p.intervalMs))
            continue;
        const double v = std::clamp(p.intervalMs, 0.0, yMax);
        counts[std::min(bins - 1, static_cast<std::size_t>(v / binWidth))]++;
    }
    const std::size_t most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
    auto hx = [&](double ms) { return plotLeft + ms / yMax * (plotRight - plotLeft); };
    text(out, plotLeft, histTop - 10,
         "Histogram of intervals (ms), bins of " + number(binWidth, binWidth < 1 ? 2 : 0) + " ms; tallest " +
             std::to_string(most) + " flips");
    for (std::size_t b = 0; b < bins; ++b) {
        if (counts[b] == 0)
            continue;
        // Square-root height, so a handful of late flips still shows beside thousands on time.
        const double h = most ? std::sqrt(static_cast<double>(counts[b]) / most) * (histBottom - histTop) : 0.0;
        out += "<rect x=\"" + number(hx(b * binWidth), 1) + "\" y=\"" + number(histBottom - h, 1) + "\" width=\"" +
               number(std::max(1.0, hx(binWidth) - plotLeft - 0.5), 1) + "\" height=\"" + number(h, 1) +
               "\" fill=\"#1f5fbf\"><title>" + number(b * binWidth) + " to " + number((b + 1) * binWidth) + " ms: " +
               std::to_string(counts[b]) + "</title></rect>\n";
    }
    line(out, plotLeft, histBottom, plotRight, histBottom, "stroke=\"black\"");
    for (double v = 0; v <= yMax + yStep / 2; v += yStep)
        text(out, hx(v), histBottom + 16, number(v, yStep < 1 ? 1 : 0), "middle");
    if (period > 0)
        line(out, hx(period), histTop, hx(period), histBottom,
             "stroke=\"#2a7d2a\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\"");
    text(out, (plotLeft + plotRight) / 2, histBottom + 32, "interval (ms); bar height grows with the square root of the count",
         "middle");
    out += "</svg>\n";
    return out;
}

bool writeTimingSvg(const std::string& path, const std::vector<TimingPoint>& points, double periodMs,
                    const std::string& title, std::string& reason)
{
    return replaceWholeFile(path, timingSvg(points, periodMs, title), reason);
}

} // namespace Lumidraft::files
