#pragma once
// How a unit name reads on screen. Documents store the unit as typed by the
// user ("um" by default, "pixel" when uncalibrated) and keep storing it so;
// read-outs and table headings show the proper symbol instead.
#include <string>

namespace ordavia {

// "um", "micron", "microns" -> "µm"; "pixel"/"pixels" -> "px"; others as
// they are (UTF-8).
std::string displayUnit(const std::string& stored);
// The same unit squared, for areas ("µm²", "px²").
std::string displayAreaUnit(const std::string& stored);

}  // namespace ordavia
