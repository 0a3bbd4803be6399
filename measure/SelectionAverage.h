#pragma once
// "Calculate average of selection": the measures of the current dimension
// list inside the selection (the region of interest, or the whole image),
// as the row that goes to the "Image Results" table.
#include <string>
#include <vector>

class ZBasicDoc;

namespace ordavia {

struct ImageSelectionAverage {
    std::string filename;  // document path
    std::string units;     // unit name in effect
    // In the column order of the image density table, from "ROI w" on.
    std::vector<double> values;

    // The column headings of the values, in order.
    static const std::vector<std::string>& valueColumns();
    // The decimals each value is shown with.
    static const std::vector<int>& valueDecimals();
};

ImageSelectionAverage computeSelectionAverage(const ZBasicDoc& doc);

}  // namespace ordavia
