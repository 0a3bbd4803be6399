#pragma once
// The hand-over between a video and its live line scan: where on the frame
// the scan samples (the pixels of the scan line in line order, and of the
// second line for the two-line method), with what calibration the scan
// starts, and the running sample count. The video view feeds it one frame
// per frame shown; "Calculate all widths and velocities" feeds it every
// frame of the selection without showing them. No Qt, so it is tested
// without a window.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Geometry.h"

class CDim;
class CZVimage;
class CMotivaDoc;
class ZBasicDoc;
class ZlineScanDoc;

namespace ordavia {

class LineScanSampler {
public:
    // The scan a sampler fills; `sourceKey` names the source (the view).
    LineScanSampler(ZlineScanDoc& scan, const void* sourceKey);

    // Starts the scan on `line` of the video (and `second` for the two-line
    // method, method 2 of the scan's parameters). The scan's y calibration
    // is the line's length per line point in the video's units. False, and
    // nothing started, when the scan refuses (a source already set, a line
    // of fewer than two vertices, method 2 without a second line).
    // `reversed` scans the line from its last point to its first (flow
    // the other way).
    bool start(const CMotivaDoc& video, const CDim& line, const CDim* second = nullptr, bool reversed = false);
    // The same on a picture that changes by itself (the live camera): the
    // frame rate is the source's, the calibration the picture's.
    bool startOnPicture(const ZBasicDoc& picture, double framesPerSecond, const CDim& line);

    // One frame: the grey values along the line(s) into the scan's sample
    // vectors, then the scan's add-sample. True when the views are due a
    // refresh. Points outside the picture read as 0.
    bool addFrame(const CZVimage& frame);
    // The same in two halves, so that frames can be read on one thread and
    // scanned on another: the values along the line (one line only), then
    // those values as the scan's next sample.
    void sample(const CZVimage& frame, std::vector<double>& out) const;
    bool addValues(const std::vector<double>& values);

    uint32_t samples() const { return samples_; }
    bool started() const { return started_; }
    // The time at the right edge of a view that follows the scan.
    double scrollTime() const;
    const std::vector<ZPoint>& points(int line) const { return points_[line & 1]; }

    // The pixels of a dimension's path in line order (a digital line
    // between consecutive vertices, each joint once).
    static std::vector<ZPoint> linePoints(const CDim& line);
    // Calibrated distance between neighbouring points of the line.
    static double spacing(const ZBasicDoc& picture, const CDim& line, size_t points);

private:
    bool begin(const CDim& line, const CDim* second, bool reversed, double fps, double lengthPerPoint,
               const std::string& units);
    void read(const CZVimage& frame, const std::vector<ZPoint>& pts, std::vector<double>& out) const;

    ZlineScanDoc& scan_;
    const void* key_;
    std::vector<ZPoint> points_[2];
    uint32_t samples_ = 0;
    bool started_ = false;
    bool twoLines_ = false;
};

}  // namespace ordavia
