#pragma once
// "&Import..." of a line-scan document: a space-time picture made by
// another instrument (a two-photon line scan, an ImageJ kymograph) becomes
// the document's scan, one column per line period, and is measured with
// the document's own parameters as a scan of a video would be.
#include <string>

#include "base/Result.h"
#include "linescan/LineScanRun.h"

class ZlineScanBaseDoc;

namespace ordavia {

// Replaces the document's traces and slopes by the kymograph (trace
// "kymograph", the line-scan source) and its velocity traces. linePeriod
// in seconds per line, pixelSize in micrometres per point.
Status importKymograph(ZlineScanBaseDoc& doc, const Kymograph& k, double linePeriod, double pixelSize,
                       const std::string& name = "kymograph");

}  // namespace ordavia
