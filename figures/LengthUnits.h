#pragma once
// Micrometres in one of a calibration's length units, so that a figure
// kept in one unit everywhere (flux in um^3/s) is converted from whatever
// unit a picture is calibrated in.
#include <string_view>

namespace ordavia {

// 0 for a unit that is not a length (an uncalibrated "pixels").
double micrometresPer(std::string_view unit);

}  // namespace ordavia
