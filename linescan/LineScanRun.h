#pragma once
// A whole line scan without a window: the points of a dimension line, the
// grey values along it, a video played through a line-scan document frame
// by frame as playback would, and space-time images from other instruments
// (kymographs) taken as the scan itself. ordavia-cli's kymographs and the
// accuracy tests run through here; a video line of ordavia-cli runs the
// workstation's own scan (LineVelocityRun) instead.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"
#include "linescan/CbvParams.h"
#include "linescan/ZlineScanBaseDoc.h"

class CZVimage;

namespace ordavia {

// The pixels of the polyline through the vertices (digital line segments,
// each joint once), first vertex first.
std::vector<ZPoint> linePoints(const std::vector<ZPoint>& vertices);
// Length of the polyline in pixels divided by its steps: pixels per line point.
double pixelsPerLinePoint(const std::vector<ZPoint>& vertices);
// Grey values at the points (0 outside the picture).
void sampleLine(const CZVimage& img, const std::vector<ZPoint>& points, std::vector<double>& out);

enum class VelocityMethod { Correlation, Hough };

struct LineScanOutcome {
    uint32_t columns = 0;
    bool valid = false;          // any velocity at all
    double pxPerFrame = 0;       // mean, signed: + from the first point towards the last
    double low = 0, high = 0;    // range of the accepted column velocities
    double percentGood = 0;
    double meanCorrelation = 0;  // squared coefficient, 0..1
    std::vector<double> cbv;     // per column, points per frame (signed), NaN when rejected
    std::vector<VelocitySlope> slopes;  // Hough: the streaks found, in points and frames
    // Whether the method could have measured this velocity at all, and how
    // well the scan bears it out (0..1).
    VelocityTrust trust;
};

// The summary covers what a user would mark as the good part: the columns
// after the high-pass background settled (1 / smoothing columns, at most a
// quarter of the run) and within three robust deviations of the median
// velocity; percent good counts the kept columns of that part.
// Runs the scan of `frames` samples through a line-scan document, in both
// directions along the line (the correlation only sees flow from the
// first point towards the last), and keeps the direction whose accepted
// columns correlate better. sample(s, out) fills the values of sample s
// in line order; the two directions run on two threads at once, so `sample`
// must be safe to call from both. One sample per frame: px_per_frame is
// points per sample.
// The document runs at frameSeconds per sample and lengthPerPoint (in
// `units`) along the line, as playback of the video would make it; with
// zvl given, the chosen document's ".zvl" bytes land there.
struct LineScanSetup {
    double frameSeconds = 0.04;
    double lengthPerPoint = 1.0;
    std::string units = "points";
    std::vector<uint8_t>* zvl = nullptr;
};
LineScanOutcome runLineScan(uint32_t frames, uint32_t points,
                            const std::function<void(uint32_t, std::vector<double>&)>& sample, CbvParams params,
                            VelocityMethod method, const LineScanSetup& setup = {});

// A grey space-time image of another instrument (8- or 16-bit TIFF):
// values[t * points + i] for time t and position i.
struct Kymograph {
    uint32_t times = 0, points = 0;
    std::vector<double> values;
};
// timeAlongX: each picture column is one time sample; otherwise each row.
Result<Kymograph> loadKymograph(const std::vector<uint8_t>& tiffBytes, bool timeAlongX);

}  // namespace ordavia
