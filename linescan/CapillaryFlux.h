#pragma once
// Blood flux of a capillary: the volume of blood through it per second,
// pi * d^2 * v / 4 for a round vessel of diameter d and mean velocity v. The
// velocity line runs along the capillary; the diameter is measured across
// it, at the middle of the line, on the picture the video shows.
#include <string>

class ZBasicDoc;

namespace ordavia {

// The width of the capillary across the middle of line `index` of the
// current list, by the "capwidth" method, in the document's units in
// effect; -1 when there is no such line or no capillary is found.
double lineDiameter(const ZBasicDoc& video, int index);

// pi * d^2 * v / 4 (length^3 per second in the units of d and v); -1 when
// the diameter is unknown.
double bloodFlux(double diameter, double velocity);

}  // namespace ordavia
