#include "synth/SyntheticVideo.h"

#include <algorithm>
#include <cmath>

#include "base/JsonWriter.h"
#include "image/CZVimage.h"
#include "image/GaussianBlur.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kDensityPeriod = 8192;  // pixels of cell train before it repeats
enum : uint64_t { kVideoFlow = 5000, kVideoShift = 5001, kVideoNoise = 6000, kVideoTrain = 7000 };

// Light lost in the blood column for a red-cell density m (1 = the still's
// blood column): absorbance grows with the cells in the light path.
inline float modulated(float a, float m) { return std::min(0.92f, a * m); }

constexpr double kOpticsBlur = 1.2;  // pixels

// How far a capillary's cell train has moved at time t (micrometres): the
// integral of its pulsating speed.
double displacementUm(const SyntheticVideo::Capillary& c, double heartRateHz, double t) {
    const double om = kTwoPi * heartRateHz;
    return c.velocityUmPerS * (t + c.pulsatility / om * (synthCos(c.phase) - synthCos(om * t + c.phase)));
}

}  // namespace

ordavia::Status SyntheticVideo::Params::validate() const {
    const auto outside = [](std::string why) {
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, std::move(why));
    };
    if (frames < 1 || frames > 100000) return outside("--frames must be 1 to 100000");
    if (!(fps > 0.5 && fps <= 2000)) return outside("--fps must be above 0.5 and at most 2000");
    if (width < 64 || height < 64 || width > 4096 || height > 4096) return outside("--size must be 64x64 to 4096x4096");
    if (width % 4) return outside("--size: the width must be a multiple of 4");
    if (!(umPerPixel > 0.05 && umPerPixel < 50)) return outside("--scale must be above 0.05 and below 50 micrometres per pixel");
    if (!(jitter >= 0 && jitter <= 40)) return outside("--jitter must be 0 to 40 pixels");
    if (stillCount < 0) return outside("--still must be 0 or more");
    if (defocusFrame >= frames) return outside("--defocus: the sharp frame must be one of the video's frames");
    if (!(defocusStep > 0 && defocusStep <= 10)) return outside("--defocus: the blur step must be above 0 and at most 10 pixels");
    return ordavia::Status::success();
}

Status SyntheticVideo::prepare(const Params& p) {
    if (const ordavia::Status valid = p.validate(); !valid) return valid;
    p_ = p;
    truth_ = Truth{};
    truth_.params = p;
    margin_ = int(std::ceil(p.jitter)) + 2;
    cw_ = p.width + 2 * margin_;
    ch_ = p.height + 2 * margin_;
    // The still with its loops and the same still without them; blur and
    // noise are added per frame, after the cells have moved.
    SyntheticNailfold::Params sp;
    sp.seed = p.seed;
    sp.width = cw_;
    sp.height = ch_;
    sp.umPerPixelX = sp.umPerPixelY = p.umPerPixel;
    sp.noiseSigma = 0;
    sp.blurSigma = 0;
    std::vector<uint8_t> with, without;
    SyntheticNailfold::Truth st, empty;
    if (Status drawn = SyntheticNailfold::generate(sp, with, st); !drawn) return drawn;
    SyntheticNailfold::Params bp = sp;
    bp.loops = 0;
    if (Status drawn = SyntheticNailfold::generate(bp, without, empty); !drawn) return drawn;
    const size_t n = size_t(cw_) * size_t(ch_);
    background_.assign(n, 0);
    absorbance_.assign(n, 0);
    loopOf_.assign(n, -1);
    arc_.assign(n, 0);
    for (size_t i = 0; i < n; ++i) background_[i] = std::max<float>(1.0f, without[i]);

    // Every blood pixel learns its loop and its place along the centre line.
    std::vector<float> best(n, 1e9f);
    for (size_t li = 0; li < st.loops.size() && li < 32000; ++li) {
        const auto& L = st.loops[li];
        const double reach = std::max(L.arterialWidthPx, std::max(L.venousWidthPx, L.apexWidthPx)) / 2 + 2;
        double s0 = 0;
        for (size_t k = 0; k + 1 < L.centreLine.size(); ++k) {
            const auto a = L.centreLine[k], b = L.centreLine[k + 1];
            const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy, len = std::sqrt(len2);
            const int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - reach)));
            const int x1 = std::min(cw_ - 1, int(std::ceil(std::max(a.x, b.x) + reach)));
            const int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - reach)));
            const int y1 = std::min(ch_ - 1, int(std::ceil(std::max(a.y, b.y) + reach)));
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    double t = len2 > 0 ? ((x - a.x) * dx + (y - a.y) * dy) / len2 : 0;
                    t = std::clamp(t, 0.0, 1.0);
                    const double ex = x - (a.x + t * dx), ey = y - (a.y + t * dy);
                    const double d = std::sqrt(ex * ex + ey * ey);
                    const size_t i = size_t(y) * size_t(cw_) + size_t(x);
                    if (d < reach && d < best[i]) {
                        best[i] = float(d);
                        loopOf_[i] = int16_t(li);
                        arc_[i] = float(s0 + t * len);
                    }
                }
            s0 += len;
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (loopOf_[i] < 0) continue;
        const float a = 1.0f - float(with[i]) / background_[i];
        absorbance_[i] = std::clamp(a, 0.0f, 0.9f);
        if (absorbance_[i] < 0.01f) loopOf_[i] = -1;
    }

    // Speeds: still ones first, then a slow one, a fast one and the rest
    // spread log-uniformly between 0.1 and 3 mm/s.
    SynthRandom flow(p.seed, kVideoFlow);
    truth_.heartRateHz = 0.9 + 0.5 * flow.uniform();
    const int count = int(st.loops.size());
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) order[size_t(i)] = i;
    for (int i = count - 1; i > 0; --i) std::swap(order[size_t(i)], order[size_t(flow.below(i + 1))]);
    truth_.capillaries.resize(size_t(count));
    density_.assign(size_t(count), {});
    for (int r = 0; r < count; ++r) {
        const int li = order[size_t(r)];
        Capillary& c = truth_.capillaries[size_t(li)];
        const auto& L = st.loops[size_t(li)];
        c.index = li;
        c.flows = r >= p.stillCount;
        const int f = r - p.stillCount;
        double v = 0;
        if (c.flows) {
            if (f == 0) v = 80 + 60 * flow.uniform();
            else if (f == 1) v = 2000 + 1000 * flow.uniform();
            else v = 100 * std::pow(30.0, flow.uniform());
        }
        c.velocityUmPerS = v;
        c.velocityPxPerFrame = v / p.umPerPixel / p.fps;
        c.pulsatility = c.flows ? 0.1 + 0.15 * flow.uniform() : 0;
        c.phase = kTwoPi * flow.uniform();
        c.arterialWidthUm = L.arterialWidthUm;
        c.venousWidthUm = L.venousWidthUm;
        c.apexWidthUm = L.apexWidthUm;
        for (const auto& q : L.centreLine) c.centreLine.push_back({q.x - margin_, q.y - margin_});
        for (auto b : L.limbs) {
            for (auto& q : b.along) q = {q.x - margin_, q.y - margin_};
            b.acrossFrom = {b.acrossFrom.x - margin_, b.acrossFrom.y - margin_};
            b.acrossTo = {b.acrossTo.x - margin_, b.acrossTo.y - margin_};
            c.limbs.push_back(std::move(b));
        }
        // The cell train: runs of cells with plasma gaps of random length.
        SynthRandom tr(p.seed, kVideoTrain + uint64_t(li));
        std::vector<float>& dens = density_[size_t(li)];
        dens.assign(kDensityPeriod, 0.12f);
        const double cellPx = 7.0 / p.umPerPixel;
        double s = 0;
        while (s < kDensityPeriod) {
            const double run = cellPx * (1 + tr.below(12));
            const float level = float(0.75 + 0.4 * tr.uniform());
            for (int k = int(s); k < std::min<double>(kDensityPeriod, s + run); ++k) {
                // Single cells show as a slight ripple inside a run.
                const double within = std::fmod(k - s, cellPx) / cellPx;
                dens[size_t(k)] = level * float(0.85 + 0.15 * synthSin(kTwoPi * within));
            }
            s += run + (3 + 30 * tr.uniform() * tr.uniform()) / p.umPerPixel;
        }
        // Edges of cells and gaps are soft at this magnification.
        std::vector<float> soft(dens.size());
        for (int k = 0; k < kDensityPeriod; ++k) {
            float acc = 0;
            for (int d = -1; d <= 1; ++d) acc += dens[size_t((k + d + kDensityPeriod) % kDensityPeriod)];
            soft[size_t(k)] = acc / 3;
        }
        dens.swap(soft);
    }

    // Global shifts: a slow sway with tremor; every third frame whole pixels.
    SynthRandom sh(p.seed, kVideoShift);
    const uint64_t swayKey = synthMix(p.seed ^ 0x5157A7ull);
    for (int k = 0; k < p.frames; ++k) {
        const double t = k / p.fps;
        double dx = p.jitter * (0.7 * synthNoise1(swayKey, t / 1.7) + 0.3 * (2 * sh.uniform() - 1));
        double dy = p.jitter * (0.7 * synthNoise1(swayKey + 1, t / 2.3) + 0.3 * (2 * sh.uniform() - 1));
        dx = std::clamp(dx, -p.jitter, p.jitter);
        dy = std::clamp(dy, -p.jitter, p.jitter);
        if (k % 3 == 0) {
            dx = std::round(dx);
            dy = std::round(dy);
        } else {
            dx = std::round(dx * 1000) / 1000;
            dy = std::round(dy * 1000) / 1000;
        }
        truth_.shifts.push_back({dx, dy});
        const double defocus = p.defocusFrame >= 0 ? p.defocusStep * std::abs(k - p.defocusFrame) : 0.0;
        truth_.blurSigma.push_back(std::sqrt(kOpticsBlur * kOpticsBlur + defocus * defocus));
    }
    return Status::success();
}

void SyntheticVideo::frame(int k, CZVimage& out) const {
    const int w = p_.width, h = p_.height;
    if (out.width() != w || out.rows() != h || out.colour() != CZVimage::kGrey) {
        out.setInterlace(CZVimage::kFrame);
        out.resize(w, h, 1);
        out.setColour(CZVimage::kGrey);
    }
    const double t = k / p_.fps;
    // How far each loop's cell train has moved: the integral of the
    // pulsating speed.
    std::vector<double> moved(truth_.capillaries.size());
    for (size_t i = 0; i < moved.size(); ++i)
        moved[i] = displacementUm(truth_.capillaries[i], truth_.heartRateHz, t) / p_.umPerPixel;
    const size_t n = size_t(cw_) * size_t(ch_);
    std::vector<float> light(background_);
    for (size_t i = 0; i < n; ++i) {
        const int li = loopOf_[i];
        if (li < 0) continue;
        const std::vector<float>& dens = density_[size_t(li)];
        double s = arc_[i] - moved[size_t(li)];
        s -= std::floor(s / kDensityPeriod) * kDensityPeriod;
        const int s0 = int(s) % kDensityPeriod;
        const float f = float(s - std::floor(s));
        const float m = dens[size_t(s0)] * (1 - f) + dens[size_t((s0 + 1) % kDensityPeriod)] * f;
        light[i] *= 1.0f - modulated(absorbance_[i], m / 0.8f);
    }
    // Optics (and defocus), rows then columns.
    const GaussianKernel kernel = makeGaussianKernel(truth_.blurSigma[size_t(k)]);
    std::vector<float> tmp(n);
    for (int y = 0; y < ch_; ++y)
        blurLines(kernel, &light[size_t(y) * size_t(cw_)], &tmp[size_t(y) * size_t(cw_)], cw_, 1);
    blurLines(kernel, tmp.data(), light.data(), ch_, cw_);
    // Move the scene, light it and add the sensor's noise.
    const double dx = truth_.shifts[size_t(k)].x, dy = truth_.shifts[size_t(k)].y;
    const double gainT = 1 + 0.05 * synthSin(kTwoPi * t / 9.0) + 0.02 * synthSin(kTwoPi * t / 2.9 + 1.0);
    const double tilt = 0.06 * synthSin(kTwoPi * t / 13.0);
    SynthRandom noise(p_.seed, kVideoNoise + uint64_t(k));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = out.row(y);
        const double sy = y + margin_ - dy;
        const int y0 = std::clamp(int(std::floor(sy)), 0, ch_ - 2);
        const double fy = std::clamp(sy - y0, 0.0, 1.0);
        for (int x = 0; x < w; ++x) {
            const double sx = x + margin_ - dx;
            const int x0 = std::clamp(int(std::floor(sx)), 0, cw_ - 2);
            const double fx = std::clamp(sx - x0, 0.0, 1.0);
            const float* r0 = &light[size_t(y0) * size_t(cw_) + size_t(x0)];
            const float* r1 = r0 + cw_;
            const double v = (r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy;
            const double lit = v * (gainT + tilt * (double(x) / w - 0.5)) + p_.noiseSigma * noise.normal();
            row[x] = uint8_t(std::clamp(std::floor(lit + 0.5), 0.0, 255.0));
        }
    }
    out.setTag(2 * k);
    out.dropDisplayHeader();
}

double SyntheticVideo::Truth::meanVelocityUmPerS(const Capillary& c, int from, int to) const {
    if (to == from) return c.velocityUmPerS;
    const double t0 = from / params.fps, t1 = to / params.fps;
    return (displacementUm(c, heartRateHz, t1) - displacementUm(c, heartRateHz, t0)) / (t1 - t0);
}

std::string SyntheticVideo::Truth::json() const {
    auto r3 = [](double v) { return std::round(v * 1000) / 1000; };
    JsonWriter j(false);
    j.beginObject();
    j.field("generator", "Ordavia synthetic nailfold video");
    j.field("seed", static_cast<unsigned long long>(params.seed));
    j.field("frames", params.frames).field("fps", params.fps);
    j.field("width", params.width).field("height", params.height);
    j.field("umPerPixel", params.umPerPixel).field("jitter", params.jitter);
    j.field("noiseSigma", params.noiseSigma).field("heartRateHz", r3(heartRateHz));
    j.field("shiftRule", "pixel (x, y) of frame k shows the reference scene at (x - dx, y - dy)");
    j.key("capillaries").beginArray();
    for (const Capillary& c : capillaries) {
        j.beginObject();
        j.field("index", c.index).field("flows", c.flows);
        j.field("velocityUmPerS", r3(c.velocityUmPerS)).field("velocityPxPerFrame", r3(c.velocityPxPerFrame));
        j.field("direction", "arterial foot to venous foot along centreLine");
        j.field("pulsatility", r3(c.pulsatility)).field("phase", r3(c.phase));
        j.field("arterialWidthUm", r3(c.arterialWidthUm)).field("venousWidthUm", r3(c.venousWidthUm));
        j.field("apexWidthUm", r3(c.apexWidthUm));
        SyntheticNailfold::limbsJson(j, c.limbs);
        j.key("centreLine").beginArray();
        for (size_t i = 0; i < c.centreLine.size(); i += 2)
            j.beginArray().value(std::round(c.centreLine[i].x * 100) / 100).value(std::round(c.centreLine[i].y * 100) / 100).endArray();
        if (c.centreLine.size() % 2 == 0 && !c.centreLine.empty())
            j.beginArray().value(std::round(c.centreLine.back().x * 100) / 100).value(std::round(c.centreLine.back().y * 100) / 100).endArray();
        j.endArray();
        j.endObject();
    }
    j.endArray();
    j.key("shifts").beginArray();
    for (const auto& s : shifts) j.beginArray().value(s.x).value(s.y).endArray();
    j.endArray();
    if (params.defocusFrame >= 0) {
        j.key("defocus").beginObject().field("sharpestFrame", params.defocusFrame).field("stepPx", params.defocusStep);
        j.key("blurSigmaPx").beginArray();
        for (double s : blurSigma) j.value(r3(s));
        j.endArray().endObject();
    }
    j.endObject();
    return j.str() + "\n";
}

}  // namespace ordavia
