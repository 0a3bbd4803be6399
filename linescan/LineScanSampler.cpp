#include "linescan/LineScanSampler.h"

#include <algorithm>

#include "image/CZVimage.h"
#include "linescan/ZlineScanDoc.h"
#include "measure/CDim.h"
#include "linescan/LineScanRun.h"
#include "linescan/LineScanSettings.h"
#include "video/CMotivaDoc.h"

namespace ordavia {

LineScanSampler::LineScanSampler(ZlineScanDoc& scan, const void* sourceKey) : scan_(scan), key_(sourceKey) {}

std::vector<ZPoint> LineScanSampler::linePoints(const CDim& line) {
    if (line.vertexCount() < 2) return {};
    // The same points as ordavia-cli linescan takes along its --line.
    return ordavia::linePoints(line.vertices());
}

double LineScanSampler::spacing(const ZBasicDoc& video, const CDim& line, size_t points) {
    if (points < 2) return 1.0;
    const double length = line.length(video.xScaleInEffect(), video.yScaleInEffect());
    return length > 0 ? length / double(points - 1) : 1.0;
}

bool LineScanSampler::start(const CMotivaDoc& video, const CDim& line, const CDim* second, bool reversed) {
    // The rate and calibration every run of this line takes; the
    // calculation parameters are the scan's own.
    const LineScanSettings run = lineScanSettings(video, line, nullptr);
    return begin(line, second, reversed, run.framesPerSecond, run.lengthPerPoint, run.units);
}

bool LineScanSampler::startOnPicture(const ZBasicDoc& picture, double framesPerSecond, const CDim& line) {
    const size_t n = linePoints(line).size();
    return begin(line, nullptr, false, framesPerSecond > 0 ? framesPerSecond : 25.0, spacing(picture, line, n),
                 picture.unitsInEffect());
}

bool LineScanSampler::begin(const CDim& line, const CDim* second, bool reversed, double fps, double lengthPerPoint,
                            const std::string& units) {
    if (started_) return false;
    points_[0] = linePoints(line);
    if (reversed) std::reverse(points_[0].begin(), points_[0].end());
    points_[1] = second ? linePoints(*second) : std::vector<ZPoint>{};
    if (points_[0].empty()) return false;
    bool ok;
    if (scan_.params().method == 2) {
        if (points_[1].empty()) return false;
        ok = scan_.startTwoLines(key_, static_cast<uint32_t>(std::min(points_[0].size(), points_[1].size())), fps);
        twoLines_ = true;
    } else {
        // A field lasts half a frame; the scan doubles it back without interlace.
        ok = scan_.startScan(key_, static_cast<uint32_t>(points_[0].size()), 1, 0.5 / fps, lengthPerPoint, units);
        twoLines_ = false;
    }
    started_ = ok;
    samples_ = 0;
    return ok;
}

void LineScanSampler::read(const CZVimage& frame, const std::vector<ZPoint>& pts, std::vector<double>& out) const {
    // The scan sized the vector at its start; a line longer than that (the
    // longer of two lines) gives its first points.
    const size_t n = out.size();
    sampleLine(frame, pts, out);
    out.resize(n, 0.0);
}

bool LineScanSampler::addFrame(const CZVimage& frame) {
    if (!started_ || !scan_.running() || scan_.source() != key_) return false;
    read(frame, points_[0], scan_.sampleVector(0));
    if (twoLines_) read(frame, points_[1], scan_.sampleVector(1));
    return scan_.addSample(samples_++);
}

void LineScanSampler::sample(const CZVimage& frame, std::vector<double>& out) const { sampleLine(frame, points_[0], out); }

bool LineScanSampler::addValues(const std::vector<double>& values) {
    if (!started_ || twoLines_ || !scan_.running() || scan_.source() != key_) return false;
    std::vector<double>& x = scan_.sampleVector(0);
    const size_t n = x.size();
    x.assign(values.begin(), values.begin() + std::ptrdiff_t(std::min(n, values.size())));
    x.resize(n, 0.0);
    return scan_.addSample(samples_++);
}

double LineScanSampler::scrollTime() const { return samples_ ? scan_.scrollTime(samples_ - 1) : 0.0; }

}  // namespace ordavia
