#include "chart/TraceExport.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "chart/CTrace.h"
#include "chart/DataFileFormat.h"
#include "chart/TraceAlgorithms.h"

namespace ordavia {

int timeDecimals(double interval, int precision) {
    precision = std::clamp(precision, 0, 30);
    const double step = std::fabs(interval);
    if (!std::isfinite(step) || step == 0.0) return precision;
    // A hair below the exact power of ten: log10(0.001) may come out as -2.9999...
    const int needed = static_cast<int>(std::ceil(-std::log10(step) - 1e-9)) + 1;
    return std::clamp(std::max(needed, precision), 0, 15);
}

std::string exportTracesAsText(const std::vector<const CTrace*>& traces, const DataFileFormat& fmt, uint32_t from,
                               uint32_t to, const MissingSample& missing) {
    std::string out;
    const std::string col = fmt.columnDelimiterText(), row = fmt.rowDelimiterText();
    std::string num = fmt.numberFormatText();
    if (num.empty()) num = "%g";
    std::vector<const CTrace*> ts;
    const CTrace* longest = nullptr;
    for (const CTrace* t : traces)
        if (t && t->hasData()) {
            ts.push_back(t);
            if (!longest || t->sampleCount() > longest->sampleCount()) longest = t;
        }
    if (fmt.headers) {
        std::vector<std::string> names;
        if (fmt.xMode) names.push_back("x");
        for (const CTrace* t : ts) {
            if (t->data->twoD())
                for (uint32_t c = 0; c < t->data->components; ++c) names.push_back(t->name + strprintf("[%u]", c));
            else
                names.push_back(t->name);
        }
        for (size_t i = 0; i < names.size(); ++i) out += (i ? col : "") + names[i];
        out += row;
    }
    if (!longest) return out;
    const uint32_t count = longest->sampleCount();
    if (from == to) from = to = longest->head % count;
    const int decimals = timeDecimals(longest->xInterval, fmt.precision);
    for (const uint32_t i : ringIndices(count, from, to)) {
        bool first = true;
        auto cell = [&](const std::string& s) {
            if (!first) out += col;
            out += s;
            first = false;
        };
        if (fmt.xMode == 2)
            cell(strprintf(num.c_str(), double(i)));
        else if (fmt.xMode)
            cell(strprintf("%.*f", decimals, longest->sampleX(i)));
        for (const CTrace* t : ts) {
            const CdataVect& d = *t->data;
            const uint32_t comps = d.twoD() ? d.components : 1;
            for (uint32_t c = 0; c < comps; ++c) {
                if (i >= d.count) {
                    cell("");
                    continue;
                }
                const double raw = d.getD(size_t(i) * d.components + c);
                if (!std::isfinite(raw) || (missing && missing(*t, raw))) {
                    cell("");
                    continue;
                }
                cell(strprintf(num.c_str(), fmt.yMode == 1 ? raw : raw * t->yScale + t->yOffset));
            }
        }
        out += row;
    }
    return out;
}

}  // namespace ordavia
