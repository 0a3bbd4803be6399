#include "chart/CAxis.h"

#include <cmath>

#include "base/Text.h"
#include "settings/DebugLog.h"

using namespace ordavia;

const std::vector<CAxis::Row>& CAxis::decimalTable() {
    static const std::vector<Row> t = {{1, {10, 5, 2, 1}}, {2, {10, 4, 2, 1}}, {5, {10, 5, 1}}};
    return t;
}

const std::vector<CAxis::Row>& CAxis::timeTable() {
    static const std::vector<Row> t = {{1, {10, 5, 2, 1}}, {2, {10, 4, 2, 1}}, {5, {10, 5, 1}},
                                       {10, {10, 5, 2, 1}}, {15, {15, 3, 1}},  {30, {6, 3, 1}}};
    return t;
}

void CAxis::setScale(double s) {
    if (s == 0) {
        debugLog("CAxis::setScale = 0\n");
        return;
    }
    if (timeAxis) findTimeFactor(s);
    else findfactor(s, decimalTable());
    requestedScale = s;
}

int CAxis::findfactor(double s, const std::vector<Row>& table) {
    if (s == 0) {
        debugLog("CAxis::findfactor s=0\n");
        return -1;
    }
    unitsPerPixel = s;
    const double a = std::fabs(s);
    const double lo = minMajorSpacing * a, hi = maxMajorSpacing * a;
    for (size_t r = 0; r < table.size(); ++r) {
        const double base = table[r].base;
        double m = 1;
        // Bounded loops: a scale of 1e-300 or 1e300 must not spin forever.
        for (int k = 0; k < 400 && base * m < lo; ++k) m *= 10;
        for (int k = 0; k < 400 && base * m > hi; ++k) m *= 0.1;
        const double step = base * m;
        if (lo < step && step < hi) {
            tickStep = step;
            minorDivisions = 1;
            for (int d : table[r].divisions) {
                if (tickStep / d >= minMinorSpacing * a) {
                    minorDivisions = d;
                    break;
                }
            }
            return static_cast<int>(r);
        }
    }
    minorDivisions = 1;
    tickStep = 1.0;
    return -1;
}

int CAxis::findTimeFactor(double s) {
    if (s == 0) {
        debugLog("CAxis::findTimeFactor s=0\n");
        return 0;
    }
    const double span = maxMajorSpacing * std::fabs(s);
    if (span > 3600) {
        unitLabel = "hours";
        return findfactor(s * 0.0002777777777777778, decimalTable());
    }
    if (span > 60) {
        unitLabel = "minutes";
        return findfactor(s * 0.016666666666666666, timeTable());
    }
    unitLabel = "seconds";
    return findfactor(s, span > 1 ? timeTable() : decimalTable());
}

void CAxis::measure(int averageCharWidth, int height, bool proportional) {
    charWidth = proportional ? averageCharWidth * 3 / 2 : averageCharWidth;
    lineHeight = height;
    minorTickLength = 2 * averageCharWidth / 3;
    majorTickLength = 2 * minorTickLength;
    if (timeAxis) {
        stripSize = 2 * lineHeight;
        maxMajorSpacing = 18 * charWidth;
        minMajorSpacing = 7 * charWidth;
    } else {
        stripSize = 8 * charWidth;
        maxMajorSpacing = 8 * lineHeight;
        minMajorSpacing = static_cast<int32_t>(2.1 * lineHeight);
    }
    minMinorSpacing = charWidth;
    if (requestedScale != 0) setScale(requestedScale);
}

int CAxis::decimalsFor(double step) {
    step = std::fabs(step);
    if (step == 0) return 0;
    int d = 0;
    while (d < 15 && step * std::pow(10.0, d) < 1 - 1e-9) ++d;
    return d;
}

std::vector<CAxis::Tick> CAxis::ticks() const {
    std::vector<Tick> out;
    if (requestedScale == 0 || unitsPerPixel == 0 || tickStep <= 0 || length <= 0) return out;
    const double u = unitsPerPixel;
    const double v0 = startPixel * u, v1 = (startPixel + length) * u;
    const double lo = std::min(v0, v1), hi = std::max(v0, v1);
    const double first = std::floor(lo / tickStep) * tickStep;
    const double last = std::ceil(hi / tickStep) * tickStep;
    const int d = decimalsFor(tickStep);
    const double minor = tickStep / std::max(1, minorDivisions);
    // At most a few thousand ticks whatever the scale.
    if ((last - first) / minor > 5000) return out;
    const int64_t n = static_cast<int64_t>(std::llround((last - first) / minor));
    for (int64_t k = 0; k <= n; ++k) {
        const double v = first + k * minor;
        const double px = v / u - startPixel;
        if (px < -0.5 || px > length + 0.5) continue;
        const bool major = k % std::max(1, minorDivisions) == 0;
        Tick t{v, px, major, {}};
        if (major) t.label = trim(timeAxis ? strprintf("%-6.*f", d, std::fabs(v) < minor * 1e-6 ? 0.0 : v)
                                           : strprintf("%6.*f", d, std::fabs(v) < minor * 1e-6 ? 0.0 : v));
        out.push_back(std::move(t));
    }
    return out;
}
