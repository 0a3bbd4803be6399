#include "linescan/LineScanRun.h"

#include <algorithm>
#include <cmath>

#include "base/ParallelFor.h"
#include "framework/Document.h"
#include "image/CZVimage.h"
#include "linescan/ZlineScanDoc.h"
#include "measure/ImageToolController.h"

namespace ordavia {

std::vector<ZPoint> linePoints(const std::vector<ZPoint>& v) {
    std::vector<ZPoint> out;
    if (v.empty()) return out;
    if (v.size() == 1) return {v[0]};
    for (size_t i = 1; i < v.size(); ++i) {
        // Each joint belongs to the segment it ends.
        if (i > 1 && !out.empty()) out.pop_back();
        ImageToolController::appendLinePixels(v[i - 1], v[i], out);
    }
    return out;
}

double pixelsPerLinePoint(const std::vector<ZPoint>& v) {
    const std::vector<ZPoint> pts = linePoints(v);
    if (pts.size() < 2) return 1.0;
    double len = 0;
    for (size_t i = 1; i < v.size(); ++i) len += std::hypot(double(v[i].x - v[i - 1].x), double(v[i].y - v[i - 1].y));
    return len / double(pts.size() - 1);
}

void sampleLine(const CZVimage& img, const std::vector<ZPoint>& points, std::vector<double>& out) {
    out.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const int g = img.getParentPixel(points[i].x, points[i].y);
        out[i] = g < 0 ? 0.0 : g;
    }
}

namespace {

struct OneWay {
    ZlineScanDoc doc;
    double score = -1;
};

void runOneWay(OneWay& w, uint32_t frames, uint32_t points,
               const std::function<void(uint32_t, std::vector<double>&)>& sample, const CbvParams& params,
               bool reversed, const LineScanSetup& setup) {
    ZlineScanDoc& d = w.doc;
    d.setParams(params, false);
    d.setColumnsToSample(static_cast<int32_t>(std::max<uint32_t>(frames, 2)));
    static int sourceTag = 0;
    // Interlace off and half a frame per field: one sample per frame.
    if (!d.startScan(&sourceTag, points, 1, setup.frameSeconds * 0.5, setup.lengthPerPoint, setup.units)) return;
    std::vector<double> buf;
    for (uint32_t s = 0; s < frames; ++s) {
        sample(s, buf);
        std::vector<double>& x = d.sampleVector(0);
        x.assign(points, 0.0);
        for (uint32_t i = 0; i < points && i < buf.size(); ++i) x[i] = reversed ? buf[points - 1 - i] : buf[i];
        (void)d.addSample(s);
    }
    d.stop();
    const CbvSummary s = d.summary(0, 0);
    w.score = s.good ? s.meanCorrelation * s.good : 0.0;
}

}  // namespace

LineScanOutcome runLineScan(uint32_t frames, uint32_t points,
                            const std::function<void(uint32_t, std::vector<double>&)>& sample, CbvParams params,
                            VelocityMethod method, const LineScanSetup& setup) {
    LineScanOutcome out;
    out.columns = frames;
    if (frames == 0 || points < 4 || !(setup.frameSeconds > 0) || !(setup.lengthPerPoint > 0)) return out;
    params.method = 0;
    params.clamp();
    OneWay fwd, back;
    // The two directions are two scans of their own, worked side by side.
    parallelFor(0, 2, [&](int from, int to) {
        for (int way = from; way < to; ++way) {
            OneWay& o = way ? back : fwd;
            runOneWay(o, frames, points, sample, params, way == 1, setup);
            if (method == VelocityMethod::Hough) {
                // Streaks only vote for lines that rise in the scan: the
                // direction with the stronger line is the direction of
                // flow, also where the flow is too slow for the
                // correlation to tell.
                o.score = -1;
                if (o.doc.calculateHoughVelocities() > 0 && o.doc.houghTrace())
                    o.score = o.doc.houghTrace()->data->maximum();
            }
        }
    });
    OneWay& w = back.score > fwd.score ? back : fwd;
    const double sign = &w == &back ? -1.0 : 1.0;
    ZlineScanDoc& d = w.doc;
    if (!d.cbvTrace()) return out;
    const CbvSummary s = d.summary(0, 0);
    out.percentGood = s.percentGood;
    out.meanCorrelation = s.meanCorrelation;
    const CTrace& cbv = *d.cbvTrace();
    const double dt = d.scanTrace()->xInterval;  // one frame
    auto keep = [&] {
        if (setup.zvl) *setup.zvl = d.saveToBytes();
    };
    out.cbv.resize(cbv.sampleCount());
    for (uint32_t i = 0; i < cbv.sampleCount(); ++i) {
        const double v = cbv.data->getD(i);
        out.cbv[i] = v == -1.0 ? NAN : sign * v * dt;
    }
    if (method == VelocityMethod::Correlation) {
        // What a user marks as the good part before reading the summary:
        // the columns after the high-pass background has settled, without
        // the odd column whose peak jumped to another cell (a velocity far
        // from the run's median).
        const uint32_t warm = params.hipass ? std::min<uint32_t>(frames / 4, uint32_t(std::ceil(1.0 / std::max(params.smoothing, 1e-3)))) : 0;
        const uint32_t first = std::min<uint32_t>(frames, warm + static_cast<uint32_t>(params.gap));
        std::vector<double> good;
        for (uint32_t i = first; i < out.cbv.size(); ++i)
            if (std::isfinite(out.cbv[i])) good.push_back(out.cbv[i]);
        keep();
        if (good.empty()) return out;
        std::vector<double> sorted = good;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        std::vector<double> dev;
        for (double x : good) dev.push_back(std::fabs(x - median));
        std::sort(dev.begin(), dev.end());
        const double band = std::max(3.0 * 1.4826 * dev[dev.size() / 2], 0.5);
        double sum = 0, corr = 0;
        uint32_t n = 0;
        out.low = out.high = median;
        for (uint32_t i = first; i < out.cbv.size(); ++i) {
            const double x = out.cbv[i];
            if (!std::isfinite(x) || std::fabs(x - median) > band) continue;
            sum += x;
            corr += d.correlationTrace()->data->getD(i) * 0.001;
            out.low = std::min(out.low, x);
            out.high = std::max(out.high, x);
            ++n;
        }
        out.valid = n > 0;
        out.pxPerFrame = n ? sum / n : 0.0;
        out.meanCorrelation = n ? corr / n : 0.0;
        out.percentGood = frames > first ? 100.0 * n / (frames - first) : 0.0;
        // The trust is the summary's, as the workstation and a video's line scan report it.
        out.trust = s.trust;
        return out;
    }
    keep();
    if (d.slopes().empty()) return out;
    out.trust = d.houghSummary().trust;
    std::vector<double> v;
    for (const VelocitySlope& sl : d.slopes()) {
        const double x = sl.velocity() * dt / setup.lengthPerPoint;
        if (std::isfinite(x) && sl.x2 != sl.x1) v.push_back(sign * x);
        VelocitySlope f = sl;
        f.x1 /= dt;
        f.x2 /= dt;
        f.y1 /= setup.lengthPerPoint;
        f.y2 /= setup.lengthPerPoint;
        out.slopes.push_back(f);
    }
    if (v.empty()) return out;
    // The strongest streaks come first; the median keeps a stray line
    // through noise from pulling the mean.
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    out.valid = true;
    out.pxPerFrame = sorted[sorted.size() / 2];
    out.low = sorted.front();
    out.high = sorted.back();
    out.cbv = v;
    return out;
}

}  // namespace ordavia
