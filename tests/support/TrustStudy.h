#pragma once
// The velocity-trust study: a line scan at recording conditions measured
// the way ordavia-cli measures a kymograph, and the share of trusted
// results by their error against the truth.
#include <cmath>
#include <cstdint>
#include <vector>

#include "linescan/LineScanRun.h"
#include "synth/SyntheticLineScan.h"

namespace truststudy {

struct Outcome {
    double truth = 0, measured = 0;  // points per frame, signed
    bool valid = false;
    ordavia::VelocityTrust trust;
    // |measured - truth| / |truth|; infinite without a velocity.
    double error() const { return valid ? std::fabs(measured - truth) / std::fabs(truth) : INFINITY; }
};

inline Outcome measure(const ordavia::SyntheticLineScan::Params& p, bool subpixel,
                       ordavia::VelocityMethod method = ordavia::VelocityMethod::Correlation) {
    const ordavia::SyntheticLineScan::Scan s = ordavia::SyntheticLineScan::generate(p);
    ordavia::CbvParams params;
    params.subpixel = subpixel;
    ordavia::LineScanSetup setup;
    setup.frameSeconds = 1.0 / p.fps;
    const auto r = ordavia::runLineScan(
        s.frames, s.points,
        [&](uint32_t f, std::vector<double>& o) {
            o.assign(s.values.begin() + long(f) * s.points, s.values.begin() + long(f + 1) * s.points);
        },
        params, method, setup);
    return {s.pxPerFrame, r.pxPerFrame, r.valid, r.trust};
}

// Results by error: within 20 %, 20 to 50 %, over 50 % (or none).
struct Table {
    uint32_t count[3] = {0, 0, 0}, trusted[3] = {0, 0, 0};
    void add(const Outcome& o) {
        const int band = o.error() <= 0.2 ? 0 : o.error() <= 0.5 ? 1 : 2;
        ++count[band];
        trusted[band] += ordavia::trusted(o.trust);
    }
    double rate(int band) const { return count[band] ? double(trusted[band]) / count[band] : 0.0; }
};

}  // namespace truststudy
