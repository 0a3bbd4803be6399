// Blood velocity along a line of a video (its line scan), with the
// capillary's diameter across the line and the flux through it. The
// velocity is in the video's length unit per second; the flux is always in
// cubic micrometres per second (missing where the video is not calibrated
// in a length).
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& linescanMeasures() {
    static const MeasureSet set{
        "linescan",
        "line {line:v} velocity = {velocity.1} {low:v.3} to {high:v.3} percent good = {percent_good:v.1} %\n"
        "with average correlation = {mean_correlation:v.2}",
        {
            {"line", "line", "", 0, "The line's number in the video's list.", "line", kInAll & ~kInJson, -1, 5, 5},
            {"velocity", "velocity", "{L}/s", 3, "Mean blood velocity of the good columns.", "velocity", kInAll, -1,
             10, 7},
            {"low", "low", "{L}/s", 3, "Lowest velocity of the good columns, outliers left out.", "low",
             kInAll & ~kInJson, -1, 10, 7},
            {"high", "high", "{L}/s", 3, "Highest velocity of the good columns, outliers left out.", "high",
             kInAll & ~kInJson, -1, 10, 7},
            {"percent_good", "good columns", "%", 1, "Share of the scan's columns that gave a velocity.",
             "percent good", kInAll, -1, 13, 7},
            {"mean_correlation", "correlation", "", 3, "Mean squared correlation of the good columns.", "correlation",
             kInAll, -1, 12, 7},
            {"in_range", "in range", "", 0, "Whether the velocity lies in the band the method can see.", "in range",
             kInAll, -1, 9, 2, true},
            {"quality", "quality", "", 2, "How well the scan's columns bear the velocity out (0..1).", "quality",
             kInAll, -1, 8, 5},
            {"diameter", "diameter", "{L}", 2, "Width of the capillary across the middle of the line.", "diameter",
             kInText | kInTable | kInCsv | kInReport, -1, 10, 7},
            {"diameter_um", "diameter", "um", 2, "Width of the capillary across the line, in micrometres.", nullptr,
             kInJson},
            {"flux", "flux", "um^3/s", 1, "Blood flux: pi x diameter^2 x |velocity| / 4.", "flux", kInAll, -1, 12,
             11},
        },
        "Capillary Velocity Results",
        {{"filename", 20}, {"units", 6}},
        "/s",
    };
    return set;
}

}  // namespace ordavia
