#pragma once
// The "trace capillaries" tool: grows one capillary from a clicked pixel
// over the neighbours that are no brighter than a local isodata threshold
// and blackens it, leaving the rest of the region as it was.
//
// The growth is depth-first over 8 neighbours (up, up-right, right,
// down-right, down, down-left, left, up-left) and keeps its way back in the
// region itself: every pixel entered holds the code 1..8 of the step that
// entered it until it is finished, when it becomes 0 and the walk steps
// back opposite to that code. Unvisited pixels hold 255. No stack, however
// long the capillary.
#include <cstdint>

#include "base/Geometry.h"

class CZVimage;

namespace ordavia {

// tracewin: side of the threshold window ("ProcessingArgs"/"tracewin"); the
// window reaches tracewin / 2 pixels on each side of the pixel, cut to the
// region. The seed is in the image's parent frame coordinates. Returns the
// number of pixels blackened; 0 (and no change) when the seed lies outside
// the region or the image is not 8-bit.
int64_t traceCapillary(CZVimage& img, const ZRect& region, ZPoint seed, int tracewin);

}  // namespace ordavia
