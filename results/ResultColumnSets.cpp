#include "results/ResultColumnSets.h"

#include <iterator>

#include "figures/MeasureCatalogue.h"
#include "results/MeasureColumns.h"

namespace ordavia {

namespace {

// Chart selection averages.
const ResultColumn kChartColumns[] = {
    {"filename", 20, 0, 0}, {"trace", 15, 0, 0},  {"start", 10, 10, 2}, {"end", 10, 10, 2}, {"average", 10, 10, 2},
    {"max", 10, 10, 2},     {"min", 10, 10, 2},   {"% used", 10, 10, 0}, {"Sum", 11, 11, 1},
};

// Line-scan velocities.
const ResultColumn kLinescanColumns[] = {
    {"filename", 40, 0, 0}, {"trace", 40, 0, 0}, {"line", 5, 5, 0},       {"x", 10, 7, 3},
    {"dx", 10, 7, 3},       {"dy", 10, 7, 3},    {"velocity", 10, 7, 3}, {"average", 10, 7, 3},
};

// Image density and tortuosity.
const ResultColumn kImageColumns[] = {
    {"filename", 20, 0, 0},        {"units", 6, 0, 0},          {"ROI w", 8, 7, 1},
    {"ROI h", 8, 7, 1},            {"ROI area", 10, 7, 0},      {"Av. Level", 9, 7, 2},
    {"min", 5, 4, 0},              {"max", 5, 4, 0},            {"list", 5, 2, 0},
    {"N", 4, 4, 0},                {"total L", 8, 7, 1},        {"Av. L", 8, 7, 1},
    {"total Area", 11, 11, 0},     {"Av. Area", 9, 9, 1},       {"density (%)", 12, 12, 2},
    {"Count density", 15, 8, 3},   {"Dim count density", 21, 8, 3}, {"Linear density", 15, 8, 3},
    {"Tortuosity0", 11, 8, 3},     {"Tortuosity1", 11, 8, 4},   {"Tort1 curves", 12, 8, 3},
};

// A set the measure catalogue declares: its columns are made once and kept.
// The vectors move when the list grows, their storage does not.
ResultColumnSet fromCatalogue(const MeasureSet& m, const char* title = nullptr) {
    static std::vector<std::vector<ResultColumn>> kept;
    kept.push_back(resultColumnsOf(m));
    return {title ? title : m.table, kept.back().data(), kept.back().size()};
}

template <size_t N>
ResultColumnSet set(const char* title, const ResultColumn (&cols)[N]) {
    return {title, cols, N};
}

}  // namespace

const std::vector<ResultColumnSet>& resultColumnSets() {
    static const std::vector<ResultColumnSet> sets = {
        set(ResultTitles::kChart, kChartColumns),
        fromCatalogue(widthMeasures()),
        // Widths of every line, filed with the loops' columns.
        fromCatalogue(loopMeasures(), ResultTitles::kCapillary),
        fromCatalogue(loopMeasures()),
        fromCatalogue(fcfMeasures()),
        set(ResultTitles::kLinescan, kLinescanColumns),
        set(ResultTitles::kImage, kImageColumns),
    };
    return sets;
}

const ResultColumnSet* findResultColumnSet(std::string_view title) {
    for (const ResultColumnSet& s : resultColumnSets())
        if (title == s.title) return &s;
    return nullptr;
}

}  // namespace ordavia
