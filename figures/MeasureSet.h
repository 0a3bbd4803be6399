#pragma once
// The figures of one analysis, in the order they are listed everywhere,
// with the results table they are filed in and the line of text that
// states them.
#include <cstdint>
#include <string_view>
#include <vector>

#include "figures/Measure.h"

namespace ordavia {

// A text column that leads each results row, and its width on screen.
struct LeadColumn {
    const char* name;
    uint16_t width;
};

struct MeasureSet {
    const char* name;   // the analysis, as the command line names it ("count")
    // The result text: "{key}" is the value with its unit, "{key:v}" the
    // value alone, "{key.N}" / "{key:v.N}" the same with N decimals
    // instead of the declared ones. A missing value reads "n/a".
    const char* text;
    std::vector<Measure> measures;
    // The results table the rows go to (its title), or empty; and the text
    // columns that lead each row ("filename", "units").
    const char* table = "";
    std::vector<LeadColumn> leadColumns = {{"filename", 20}, {"units", 6}};
    // What follows the length unit in a row's "units" cell ("/s" where the
    // cell names a velocity's unit, "um/s").
    const char* unitsSuffix = "";

    // Null for a key the set does not declare.
    const Measure* find(std::string_view key) const {
        for (const Measure& m : measures)
            if (key == m.key) return &m;
        return nullptr;
    }
};

}  // namespace ordavia
