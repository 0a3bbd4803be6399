#pragma once
// The column sets of the results tables that analyses open, each under the
// title its table is known by. An analysis opens its table by title
// (ResultTables::open), which sets these columns on a new table.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ordavia {

// One column: heading, width on screen (characters), printf field width and
// decimals. The first two columns of every set are text (widths 0).
struct ResultColumn {
    const char* heading;
    uint16_t displayWidth;
    uint16_t fieldWidth;
    uint16_t decimals;
};

struct ResultColumnSet {
    const char* title;
    const ResultColumn* columns;
    size_t count;
};

namespace ResultTitles {
inline constexpr const char* kChart = "Chart Results";
inline constexpr const char* kDiameter = "Diameter Calculation Results";
inline constexpr const char* kCapillary = "Capillary Measurement Results";
inline constexpr const char* kLoops = "Nailfold Capillary loop measurements";
inline constexpr const char* kFcf = "Functional Capillary Flow and Density Results";
inline constexpr const char* kLinescan = "Linescan Velocity Results";
inline constexpr const char* kImage = "Image Results";
}  // namespace ResultTitles

const std::vector<ResultColumnSet>& resultColumnSets();
// Null when no set has that title.
const ResultColumnSet* findResultColumnSet(std::string_view title);

}  // namespace ordavia
